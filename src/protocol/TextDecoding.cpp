#include "TextDecoding.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iconv.h>
#include <memory>
#include <random>
#include <vector>

namespace quorvel {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Past this many distinct texts the cache starts over; texts already handed
// out live on in whoever holds them.
constexpr std::size_t kMaxInternedTexts = 65536;

bool isPlainAscii(std::string_view bytes) {
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + i, sizeof word);
        if (word & 0x8080808080808080u)
            return false;
    }
    for (; i < bytes.size(); ++i)
        if (static_cast<unsigned char>(bytes[i]) >= 0x80)
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
        if (decodeTwoByteText(bytes, out))
            return out;
        if (m_cd == invalidHandle()) {
            for (unsigned char c : bytes)
                out += c < 0x80 ? std::string(1, static_cast<char>(c)) : std::string(kReplacement);
            return out;
        }
        // Each input byte gives at most three output bytes (a replacement
        // character), so the text is written in place, in one go.
        out.resize(bytes.size() * kReplacement.size());
        char* in = const_cast<char*>(bytes.data());
        std::size_t inLeft = bytes.size();
        char* outPtr = out.data();
        std::size_t outLeft = out.size();
        while (inLeft > 0) {
            if (iconv(m_cd, &in, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1))
                break;
            // EILSEQ: skip the offending byte; EINVAL: a sequence cut off by the end.
            const bool cutOff = errno == EINVAL;
            std::memcpy(outPtr, kReplacement.data(), kReplacement.size());
            outPtr += kReplacement.size();
            outLeft -= kReplacement.size();
            iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
            if (cutOff)
                break;
            ++in;
            --inLeft;
        }
        out.resize(static_cast<std::size_t>(outPtr - out.data()));
        return out;
    }

private:
    static constexpr unsigned kFirstLead = 0x81, kLeads = 0xFE - kFirstLead + 1;
    static constexpr unsigned kFirstTrail = 0x40, kTrails = 0xFE - kFirstTrail + 1;
    // A two-byte character as UTF-8; length 0 when iconv does not take it.
    struct Character {
        std::uint8_t length = 0;
        char bytes[3] = {};
    };
    using Row = std::array<Character, kTrails>;

    // Names are mostly ASCII and two-byte characters. Those are looked up in
    // rows filled by iconv itself, one lead byte at a time as first met;
    // anything else (four-byte sequences, invalid bytes) goes through iconv.
    bool decodeTwoByteText(std::string_view bytes, std::string& out) {
        if (m_cd == invalidHandle())
            return false;
        out.resize(bytes.size() * 3 / 2 + 1);
        char* to = out.data();
        for (std::size_t i = 0; i < bytes.size();) {
            const auto lead = static_cast<unsigned char>(bytes[i]);
            if (lead < 0x80) {
                *to++ = static_cast<char>(lead);
                ++i;
                continue;
            }
            if (i + 1 >= bytes.size() || lead < kFirstLead || lead - kFirstLead >= kLeads)
                return false;
            const auto trail = static_cast<unsigned char>(bytes[i + 1]);
            if (trail < kFirstTrail || trail - kFirstTrail >= kTrails)
                return false;
            const Character& c = row(lead)[trail - kFirstTrail];
            if (c.length == 0)
                return false;
            std::memcpy(to, c.bytes, c.length);
            to += c.length;
            i += 2;
        }
        out.resize(static_cast<std::size_t>(to - out.data()));
        return true;
    }

    const Row& row(unsigned lead) {
        std::unique_ptr<Row>& row = m_rows[lead - kFirstLead];
        if (row)
            return *row;
        row = std::make_unique<Row>();
        for (unsigned t = 0; t < kTrails; ++t) {
            char pair[2] = {static_cast<char>(lead), static_cast<char>(kFirstTrail + t)};
            Character& c = (*row)[t];
            char* in = pair;
            std::size_t inLeft = sizeof pair;
            char* to = c.bytes;
            std::size_t toLeft = sizeof c.bytes;
            iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
            if (iconv(m_cd, &in, &inLeft, &to, &toLeft) != static_cast<std::size_t>(-1) &&
                inLeft == 0)
                c.length = static_cast<std::uint8_t>(to - c.bytes);
        }
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        return *row;
    }

    static iconv_t invalidHandle() { return reinterpret_cast<iconv_t>(-1); }
    iconv_t m_cd;
    std::array<std::unique_ptr<Row>, kLeads> m_rows;
};

// Drawn once per process, so that names crafted to share probe sequences in
// one run share nothing in the next.
std::uint64_t processHashSeed() {
    static const std::uint64_t seed = [] {
        std::random_device device;
        return (std::uint64_t(device()) << 32) ^ device();
    }();
    return seed;
}

struct TextHash {
    std::uint64_t seed = processHashSeed();

    // Eight bytes at a time: names are short, and this runs for every text of
    // every reply.
    std::uint64_t operator()(std::string_view bytes) const {
        constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15u;
        std::uint64_t h = (seed ^ bytes.size()) * kMultiplier;
        std::size_t i = 0;
        for (; i + 8 <= bytes.size(); i += 8) {
            std::uint64_t word;
            std::memcpy(&word, bytes.data() + i, sizeof word);
            h = std::rotl((h ^ word) * kMultiplier, 29);
        }
        if (i < bytes.size()) {
            std::uint64_t word = 0;
            std::memcpy(&word, bytes.data() + i, bytes.size() - i);
            h = std::rotl((h ^ word) * kMultiplier, 29);
        }
        h ^= h >> 32;
        h *= 0xD6E8FEB86659FD93u;
        return h ^ (h >> 32);
    }
};

std::string decode(std::string_view bytes) {
    if (isPlainAscii(bytes))
        return std::string(bytes);
    thread_local Gb18030Converter converter;
    return converter.decode(bytes);
}

// Distinct texts by their bytes: an open-addressing table of small slots,
// the bytes packed one after another, the decoded texts shared.
class InternedTexts {
public:
    InternedTexts() : m_slots(std::make_unique<Slot[]>(kSlots)) {
        m_entries.reserve(kMaxInternedTexts);
        m_keys.reserve(kMaxKeyBytes);
    }

    std::shared_ptr<const std::string> find(std::string_view bytes) {
        if (bytes.size() > kMaxKeyLength)
            return std::make_shared<const std::string>(decode(bytes));
        const std::uint64_t hash = m_hash(bytes);
        const auto check = static_cast<std::uint32_t>(hash >> 32);
        std::size_t i = hash & (kSlots - 1);
        for (; m_slots[i].entry != 0; i = (i + 1) & (kSlots - 1)) {
            const Slot& slot = m_slots[i];
            if (slot.check != check)
                continue;
            const Entry& e = m_entries[slot.entry - 1];
            if (e.keyLength == bytes.size() &&
                (bytes.empty() ||
                 std::memcmp(&m_keys[e.keyOffset], bytes.data(), bytes.size()) == 0))
                return e.text;
        }
        if (m_entries.size() >= kMaxInternedTexts || m_keys.size() + bytes.size() > kMaxKeyBytes) {
            clear();
            i = hash & (kSlots - 1);
        }
        m_entries.push_back({static_cast<std::uint32_t>(m_keys.size()),
                             static_cast<std::uint32_t>(bytes.size()),
                             std::make_shared<const std::string>(decode(bytes))});
        m_keys.insert(m_keys.end(), bytes.begin(), bytes.end());
        m_slots[i] = {check, static_cast<std::uint32_t>(m_entries.size())};
        return m_entries.back().text;
    }

private:
    // Half full at most, so that probes stay short.
    static constexpr std::size_t kSlots = 2 * kMaxInternedTexts;
    static constexpr std::size_t kMaxKeyLength = 1024;
    static constexpr std::size_t kMaxKeyBytes = 4 * 1024 * 1024;
    static_assert((kSlots & (kSlots - 1)) == 0);

    struct Slot {
        std::uint32_t check = 0; // the hash's other half
        std::uint32_t entry = 0; // 1-based; 0 is empty
    };
    struct Entry {
        std::uint32_t keyOffset;
        std::uint32_t keyLength;
        std::shared_ptr<const std::string> text;
    };

    void clear() {
        std::fill_n(m_slots.get(), kSlots, Slot{});
        m_entries.clear();
        m_keys.clear();
    }

    TextHash m_hash;
    std::unique_ptr<Slot[]> m_slots;
    std::vector<Entry> m_entries;
    std::vector<char> m_keys;
};

} // namespace

std::shared_ptr<const std::string> InternBoardText(std::string_view bytes) {
    thread_local InternedTexts texts;
    return texts.find(bytes);
}

std::string DecodeBoardText(std::string_view bytes) {
    if (isPlainAscii(bytes))
        return std::string(bytes);
    return *InternBoardText(bytes);
}

std::size_t Utf8SequenceLength(std::string_view bytes, std::size_t at) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + at;
    const std::size_t left = bytes.size() - at;
    const unsigned c = *p;
    if (c < 0x80)
        return 1;
    std::size_t length;
    unsigned low = 0x80, high = 0xBF; // the second byte's range
    if (c >= 0xC2 && c <= 0xDF)
        length = 2;
    else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        low = c == 0xE0 ? 0xA0 : 0x80;
        high = c == 0xED ? 0x9F : 0xBF;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        low = c == 0xF0 ? 0x90 : 0x80;
        high = c == 0xF4 ? 0x8F : 0xBF;
    } else
        return 0;
    if (left < length || p[1] < low || p[1] > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (p[i] < 0x80 || p[i] > 0xBF)
            return 0;
    return length;
}

bool IsValidUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = Utf8SequenceLength(bytes, i);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

} // namespace quorvel
