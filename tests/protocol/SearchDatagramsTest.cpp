#include "protocol/SearchDatagrams.h"

#include "protocol/RandomNumber.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <tuple>
#include <vector>

using namespace quorvel;

namespace {

using Bytes = std::vector<std::uint8_t>;

ReadBytes view(const Bytes& bytes) {
    return std::span<const std::uint8_t>(bytes.data(), bytes.size());
}

// A 32-byte fixed part with the given number, then `texts` appended as is.
Bytes reply(std::uint16_t number, const Bytes& texts = {}) {
    Bytes b = {0x01,
               0x01,
               static_cast<std::uint8_t>(number >> 8),
               static_cast<std::uint8_t>(number & 0xFF),
               0x01,
               0x02,
               0x1E,
               0x07, // left: 258 days, 30 h, 7 min
               0x00,
               0x03,
               0x04,
               0x05, // right: 3 days, 4 h, 5 min
               0x3B,
               0x09, // seconds: left 59, right 9
               0x00,
               0x0B,
               0x3C,
               0x12,
               0x34,
               0x56,
               192,
               168,
               1,
               50,
               255,
               255,
               255,
               0,
               192,
               168,
               1,
               1};
    // Appended one by one: GCC 12 at -O3 takes a range insert here for an
    // out-of-bounds copy (-Warray-bounds) and fails the Release build.
    for (std::uint8_t t : texts)
        b.push_back(t);
    return b;
}

Bytes ascii(const char* text, bool terminate = true) {
    Bytes b(text, text + std::char_traits<char>::length(text));
    if (terminate)
        b.push_back(0);
    return b;
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

} // namespace

TEST(SearchRequest, carriesTheNumberHighByteFirst) {
    EXPECT_EQ(BuildSearchRequest(0x1234), (std::array<std::uint8_t, 4>{0x00, 0x00, 0x12, 0x34}));
    EXPECT_EQ(BuildSearchRequest(0x0001), (std::array<std::uint8_t, 4>{0x00, 0x00, 0x00, 0x01}));
}

TEST(RandomNumber, isNeverZeroAndFitsFifteenBits) {
    std::srand(7);
    for (int i = 0; i < 100000; ++i) {
        const std::uint16_t n = NewRandomNumber();
        ASSERT_GE(n, 1);
        ASSERT_LE(n, 32767);
    }
}

TEST(RandomNumber, sameSeedSameSequence) {
    std::srand(1234);
    const std::uint16_t a1 = NewRandomNumber(), a2 = NewRandomNumber();
    std::srand(1234);
    EXPECT_EQ(NewRandomNumber(), a1);
    EXPECT_EQ(NewRandomNumber(), a2);
}

TEST(ClassifySearchDatagram, judgesEveryKind) {
    const std::uint16_t current = 0x1234;
    const Bytes exact = reply(current);
    EXPECT_EQ(ClassifySearchDatagram(view(exact), current), SearchDatagramKind::Reply);

    const Bytes shortByOne(exact.begin(), exact.end() - 1);
    EXPECT_EQ(ClassifySearchDatagram(view(shortByOne), current), SearchDatagramKind::Invalid);

    EXPECT_EQ(ClassifySearchDatagram(view(reply(0x1235)), current), SearchDatagramKind::Invalid);
    EXPECT_EQ(ClassifySearchDatagram(view(reply(0x3412)), current), SearchDatagramKind::Invalid);
    // A reply before the first request is sent matches nothing.
    EXPECT_EQ(ClassifySearchDatagram(view(exact), std::nullopt), SearchDatagramKind::Invalid);

    const Bytes ownRequest = {0x00, 0x00, 0x12, 0x34};
    EXPECT_EQ(ClassifySearchDatagram(view(ownRequest), current), SearchDatagramKind::OwnRequest);
    const Bytes otherRequest = {0x00, 0x00, 0x12, 0x35};
    EXPECT_EQ(ClassifySearchDatagram(view(otherRequest), current), SearchDatagramKind::Invalid);
    EXPECT_EQ(ClassifySearchDatagram(view(ownRequest), std::nullopt), SearchDatagramKind::Invalid);

    Bytes wrongType = exact;
    wrongType[0] = 0x02;
    EXPECT_EQ(ClassifySearchDatagram(view(wrongType), current), SearchDatagramKind::Invalid);

    EXPECT_EQ(ClassifySearchDatagram(view(Bytes{}), current), SearchDatagramKind::Invalid);
    EXPECT_EQ(ClassifySearchDatagram(std::nullopt, current), SearchDatagramKind::ReadError);
}

TEST(ParseSearchReply, mapsTheFixedPart) {
    const Bytes bytes = reply(0x1234);
    const ParsedSearchReply parsed = ParseSearchReply(bytes, 50001);
    const DeviceRecord& r = parsed.record;
    EXPECT_EQ(r.staticAddress, 1);
    EXPECT_EQ(r.leftDays, 258u);
    EXPECT_EQ(r.leftHours, 30);
    EXPECT_EQ(r.leftMinutes, 7);
    EXPECT_EQ(r.leftSeconds, 59);
    EXPECT_EQ(r.rightDays, 3u);
    EXPECT_EQ(r.rightHours, 4);
    EXPECT_EQ(r.rightMinutes, 5);
    EXPECT_EQ(r.rightSeconds, 9);
    EXPECT_EQ(Bytes(r.mac.begin(), r.mac.end()), (Bytes{0x00, 0x0B, 0x3C, 0x12, 0x34, 0x56}));
    EXPECT_EQ(Bytes(r.ip.begin(), r.ip.end()), (Bytes{192, 168, 1, 50}));
    EXPECT_EQ(Bytes(r.subnetMask.begin(), r.subnetMask.end()), (Bytes{255, 255, 255, 0}));
    EXPECT_EQ(Bytes(r.gateway.begin(), r.gateway.end()), (Bytes{192, 168, 1, 1}));
    EXPECT_EQ(r.replyPort, 50001);
    // Exactly 32 bytes: four empty texts.
    EXPECT_EQ(r.name, "");
    EXPECT_EQ(r.description, "");
    EXPECT_EQ(parsed.leftLabel, "");
    EXPECT_EQ(parsed.rightLabel, "");
}

TEST(ParseSearchReply, readsFourTextsInOrder) {
    const Bytes bytes =
        reply(1, concat({ascii("P1"), ascii("desc"), ascii("Up"), ascii("Link"), ascii("junk")}));
    const ParsedSearchReply parsed = ParseSearchReply(bytes, 3040);
    EXPECT_EQ(parsed.record.name, "P1");
    EXPECT_EQ(parsed.record.description, "desc");
    EXPECT_EQ(parsed.leftLabel, "Up");
    EXPECT_EQ(parsed.rightLabel, "Link");
}

TEST(ParseSearchReply, decodesTwoByteCharactersWhole) {
    // "打印机" in GB18030, then "静态".
    const Bytes name = {0xB4, 0xF2, 0xD3, 0xA1, 0xBB, 0xFA, 0x00};
    const Bytes desc = {0xBE, 0xB2, 0xCC, 0xAC, 0x00};
    const ParsedSearchReply parsed = ParseSearchReply(reply(1, concat({name, desc})), 3040);
    EXPECT_EQ(parsed.record.name, "打印机");
    EXPECT_EQ(parsed.record.description, "静态");
    EXPECT_EQ(parsed.leftLabel, "");
}

TEST(ParseSearchReply, textsAreBoundedByTheDatagram) {
    const ParsedSearchReply parsed =
        ParseSearchReply(reply(1, concat({ascii("P1"), ascii("unterminated", false)})), 3040);
    EXPECT_EQ(parsed.record.name, "P1");
    EXPECT_EQ(parsed.record.description, "unterminated");
    EXPECT_EQ(parsed.leftLabel, "");
    EXPECT_EQ(parsed.rightLabel, "");
}

TEST(ParseSearchReply, neverReadsPastAShortInput) {
    // No fixed byte is zero, so a field read from beyond the end cannot pass
    // for one that was there. Every cut decodes exactly like the same bytes
    // followed by zeros: what is missing reads as zero or an empty text
    // (and under AddressSanitizer, an overrun fails outright).
    Bytes full = reply(0x0102, concat({ascii("name"), ascii("desc"), ascii("L"), ascii("R")}));
    for (std::size_t i = 4; i < 32; ++i)
        full[i] = static_cast<std::uint8_t>(0x40 + i);
    const auto fields = [](const DeviceRecord& r) {
        return std::make_tuple(r.staticAddress, r.leftDays, r.leftHours, r.leftMinutes, r.rightDays,
                               r.rightHours, r.rightMinutes, r.leftSeconds, r.rightSeconds,
                               Bytes(r.mac.begin(), r.mac.end()), Bytes(r.ip.begin(), r.ip.end()),
                               Bytes(r.subnetMask.begin(), r.subnetMask.end()),
                               Bytes(r.gateway.begin(), r.gateway.end()), r.name, r.description,
                               r.leftLabel, r.rightLabel);
    };
    for (std::size_t length = 0; length <= full.size(); ++length) {
        SCOPED_TRACE(length);
        Bytes exact(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length));
        exact.shrink_to_fit();
        Bytes padded = exact;
        padded.resize(full.size(), 0);
        const ParsedSearchReply cut = ParseSearchReply(exact, 1);
        const ParsedSearchReply zeros = ParseSearchReply(padded, 1);
        EXPECT_EQ(fields(cut.record), fields(zeros.record));
        EXPECT_EQ(cut.leftLabel, zeros.leftLabel);
        EXPECT_EQ(cut.rightLabel, zeros.rightLabel);
    }
    // And the whole reply does decode its non-zero bytes.
    EXPECT_EQ(ParseSearchReply(full, 1).record.mac[0], 0x40 + 14);
}
