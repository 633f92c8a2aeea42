#include "TextDecoding.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <iconv.h>

namespace quorvel {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

bool isPlainAscii(std::string_view bytes) {
    for (unsigned char c : bytes)
        if (c >= 0x80)
            return false;
    return true;
}

// One converter per thread, opened on first use; iconv_open is far too slow
// to call for each of thousands of replies.
class Gb18030Converter {
public:
    Gb18030Converter() : m_cd(iconv_open("UTF-8", "GB18030")) {}
    ~Gb18030Converter() {
        if (m_cd != invalidHandle())
            iconv_close(m_cd);
    }
    Gb18030Converter(const Gb18030Converter&) = delete;
    Gb18030Converter& operator=(const Gb18030Converter&) = delete;

    std::string decode(std::string_view bytes) {
        std::string out;
        if (m_cd == invalidHandle()) {
            for (unsigned char c : bytes)
                out += c < 0x80 ? std::string(1, static_cast<char>(c)) : std::string(kReplacement);
            return out;
        }
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(bytes.data());
        std::size_t inLeft = bytes.size();
        char buffer[1024];
        while (inLeft > 0) {
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            std::size_t rc = iconv(m_cd, &in, &inLeft, &outPtr, &outLeft);
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            if (rc != static_cast<std::size_t>(-1))
                continue;
            if (errno == E2BIG)
                continue;
            // EILSEQ: skip the offending byte; EINVAL: a sequence cut off by the end.
            out += kReplacement;
            if (errno == EINVAL)
                break;
            ++in;
            --inLeft;
            iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        }
        return out;
    }

private:
    static iconv_t invalidHandle() { return reinterpret_cast<iconv_t>(-1); }
    iconv_t m_cd;
};

// The last few texts decoded: thousands of boards of one model send the same
// description and labels, and only their names differ. The one used longest
// ago makes room, so a new name each time never pushes out the others.
class RecentTexts {
public:
    const std::string* find(std::string_view bytes) {
        for (Entry& e : m_entries)
            if (e.lastUse != 0 && e.bytes == bytes) {
                e.lastUse = ++m_uses;
                return &e.text;
            }
        return nullptr;
    }
    void add(std::string_view bytes, const std::string& text) {
        Entry* oldest = &m_entries[0];
        for (Entry& e : m_entries)
            if (e.lastUse < oldest->lastUse)
                oldest = &e;
        oldest->lastUse = ++m_uses;
        oldest->bytes.assign(bytes);
        oldest->text = text;
    }

private:
    struct Entry {
        std::uint64_t lastUse = 0; // 0: empty
        std::string bytes;
        std::string text;
    };
    std::array<Entry, 4> m_entries;
    std::uint64_t m_uses = 0;
};

} // namespace

std::string DecodeBoardText(std::string_view bytes) {
    if (isPlainAscii(bytes))
        return std::string(bytes);
    thread_local RecentTexts recent;
    if (const std::string* known = recent.find(bytes))
        return *known;
    thread_local Gb18030Converter converter;
    std::string text = converter.decode(bytes);
    recent.add(bytes, text);
    return text;
}

} // namespace quorvel
