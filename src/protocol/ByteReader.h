#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace quorvel {

// A bounds-checked cursor over one received datagram. Every read past the
// end yields zeros (or an empty run) instead of touching memory beyond it,
// so a short or hostile datagram can never make a decoder overrun.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    std::size_t size() const { return m_bytes.size(); }

    std::uint8_t u8(std::size_t offset) const {
        return offset < m_bytes.size() ? m_bytes[offset] : 0;
    }

    std::uint16_t u16be(std::size_t offset) const {
        return static_cast<std::uint16_t>((u8(offset) << 8) | u8(offset + 1));
    }

    std::uint16_t u16le(std::size_t offset) const {
        return static_cast<std::uint16_t>(u8(offset) | (u8(offset + 1) << 8));
    }

    template <std::size_t N> void copy(std::size_t offset, std::array<std::uint8_t, N>& out) const {
        for (std::size_t i = 0; i < N; ++i)
            out[i] = u8(offset + i);
    }

    // The run of non-zero bytes starting at `offset`, ended by a zero byte or
    // by the end of the datagram. Advances `offset` past the terminator.
    std::string_view zeroTerminated(std::size_t& offset) const {
        if (offset >= m_bytes.size()) {
            offset = m_bytes.size();
            return {};
        }
        std::size_t end = offset;
        while (end < m_bytes.size() && m_bytes[end] != 0)
            ++end;
        std::string_view text(reinterpret_cast<const char*>(m_bytes.data() + offset), end - offset);
        offset = end < m_bytes.size() ? end + 1 : end;
        return text;
    }

private:
    std::span<const std::uint8_t> m_bytes;
};

} // namespace quorvel
