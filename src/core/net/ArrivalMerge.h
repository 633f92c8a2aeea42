#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace quorvel {

// One datagram as the reader read it; its bytes are kept beside it.
struct ArrivedDatagram {
    std::uint32_t sourceIp = 0; // host order
    std::uint16_t sourcePort = 0;
    bool cut = false; // longer than a read's buffer: a failed read, no bytes kept
    unsigned interfaceIndex = 0;
    std::uint32_t length = 0; // the datagram's own
    std::uint32_t offset = 0; // of its bytes where they are kept
};

// The datagrams of several sockets that share one port, back in the order
// they arrived, by the kernel's receive stamps. A datagram is handed out
// only once every socket is known to hold nothing stamped earlier; a
// broadcast, which reaches every socket of the port, is handed out once.
class ArrivalMerge {
public:
    // A socket found empty at time T may still be given a datagram stamped a
    // little before T: stamps this close to T are not yet taken as complete.
    static constexpr std::int64_t kStampMarginNanoseconds = 200000;

    // How far a socket is known to be read: after a read that filled the
    // batch, up to the last stamp read; after one that left it empty, up to
    // the moment the read began, less the margin.
    static std::int64_t ReadUpTo(bool filledBatch, std::int64_t lastStamp, std::int64_t readBegan) {
        return filledBatch ? lastStamp : readBegan - kStampMarginNanoseconds;
    }

    // One datagram read from socket `socket`, stamped `stamp` (nanoseconds).
    void add(ArrivedDatagram datagram, std::int64_t stamp, std::uint32_t socket,
             std::span<const std::uint8_t> bytes);
    // Hands out to `out(datagram, bytes)`, in arrival order, every datagram
    // stamped at or before `complete`, and keeps the rest for later.
    template <typename Out> void take(std::int64_t complete, Out&& out) {
        const std::size_t taken = sortUpTo(complete);
        for (std::size_t i = 0; i < taken; ++i) {
            if (copyOfEarlier(i))
                continue;
            const ArrivedDatagram& d = m_pending[i].datagram;
            out(d, d.cut ? std::span<const std::uint8_t>()
                         : std::span<const std::uint8_t>(m_bytes).subspan(d.offset, d.length));
        }
        keepFrom(taken);
    }

    bool empty() const { return m_pending.empty(); }
    std::int64_t lastStamp() const { return m_pending.empty() ? 0 : m_pending.back().stamp; }

private:
    struct Pending {
        ArrivedDatagram datagram; // its offset in m_bytes
        std::int64_t stamp;
        std::uint32_t order; // as read
        std::uint32_t socket;
    };
    // Sorts by arrival; how many are stamped at or before `complete`.
    std::size_t sortUpTo(std::int64_t complete);
    bool copyOfEarlier(std::size_t index) const;
    // Drops the first `taken`, moving the bytes of the rest to the front.
    void keepFrom(std::size_t taken);

    std::vector<Pending> m_pending;
    std::vector<std::uint8_t> m_bytes, m_held;
    std::uint32_t m_nextOrder = 0;
};

} // namespace quorvel
