#include "BoardReplies.h"

#include "BoardFile.h"
#include "protocol/AssignDatagrams.h"
#include "protocol/PrinterStatusDatagrams.h"
#include "protocol/SearchDatagrams.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::sim;

namespace {

SimBoard sampleBoard() {
    SimBoard b;
    b.staticAddress = false;
    b.mac = {0x00, 0x0B, 0x3C, 0x12, 0x34, 0x56};
    b.ip = {192, 168, 1, 50};
    b.subnetMask = {255, 255, 255, 0};
    b.gateway = {192, 168, 1, 1};
    ToBoardText("前台打印机", b.name);
    b.description = "desc";
    b.leftLabel = "Up";
    b.rightLabel = "Link";
    return b;
}

ReadBytes view(const std::vector<std::uint8_t>& bytes) {
    return std::span<const std::uint8_t>(bytes.data(), bytes.size());
}

} // namespace

// The tool's own decoders are the judge of what the simulator sends.
TEST(BoardReplies, SearchReplyDecodesToTheBoard) {
    // 258 days 5:07:59 and 3 days 0:00:09.
    const std::uint64_t left = 258 * 86400 + 5 * 3600 + 7 * 60 + 59;
    const std::uint64_t right = 3 * 86400 + 9;
    const auto reply = EncodeSearchReply(sampleBoard(), 0x1234, left, right);
    ASSERT_EQ(ClassifySearchDatagram(view(reply), 0x1234), SearchDatagramKind::Reply);
    EXPECT_EQ(ClassifySearchDatagram(view(reply), 0x1235), SearchDatagramKind::Invalid);
    const ParsedSearchReply parsed = ParseSearchReply(reply, 3040);
    const DeviceRecord& r = parsed.record;
    EXPECT_EQ(r.staticAddress, 0);
    EXPECT_EQ(r.leftDays, 258u);
    EXPECT_EQ(r.leftHours, 5);
    EXPECT_EQ(r.leftMinutes, 7);
    EXPECT_EQ(r.leftSeconds, 59);
    EXPECT_EQ(r.rightDays, 3u);
    EXPECT_EQ(r.rightHours, 0);
    EXPECT_EQ(r.rightSeconds, 9);
    EXPECT_EQ(r.ip[3], 50);
    EXPECT_EQ(r.mac[5], 0x56);
    EXPECT_EQ(r.gateway[3], 1);
    EXPECT_EQ(r.name, "前台打印机");
    EXPECT_EQ(r.description, "desc");
    EXPECT_EQ(parsed.leftLabel, "Up");
    EXPECT_EQ(parsed.rightLabel, "Link");
}

TEST(BoardReplies, PatchTouchesOnlyTheNumberAndTimes) {
    auto reply = EncodeSearchReply(sampleBoard(), 0, 0, 0);
    const auto original = reply;
    PatchSearchReply(reply, 0x7FFF, 65536ull * 86400 + 1, 2);
    for (std::size_t i = 0; i < reply.size(); ++i)
        if (i < 2 || i >= 14) {
            EXPECT_EQ(reply[i], original[i]) << "byte " << i;
        }
    EXPECT_EQ(reply[2], 0x7F);
    EXPECT_EQ(reply[3], 0xFF);
    // The 16-bit day count wraps.
    EXPECT_EQ(reply[4], 0);
    EXPECT_EQ(reply[5], 0);
    EXPECT_EQ(reply[12], 1);
    EXPECT_EQ(reply[13], 2);
    EXPECT_EQ(reply, EncodeSearchReply(sampleBoard(), 0x7FFF, 65536ull * 86400 + 1, 2));
}

TEST(BoardReplies, AssignAndStatusRepliesAreWhatTheToolAccepts) {
    const auto assign = EncodeAssignReply(Programmed, 0x1A2B);
    const AssignClassification c = ClassifyAssignDatagram(std::span(assign), 0x1A2B);
    EXPECT_EQ(c.kind, AssignDatagramKind::Reply);
    EXPECT_EQ(c.result, Programmed);
    EXPECT_EQ(ClassifyAssignDatagram(std::span(assign), 0x2B1A).kind, AssignDatagramKind::NotReply);

    const auto status = EncodePrinterStatusReply(0x2028);
    const auto flags = DecodePrinterStatusReply(status);
    ASSERT_TRUE(flags);
    EXPECT_TRUE((*flags)[PaperFeed]);
    EXPECT_TRUE((*flags)[PaperFeed2]);
    EXPECT_TRUE((*flags)[PaperOut]);
    EXPECT_FALSE((*flags)[Offline]);
    // A status reply never reads as a search request, whatever the word.
    EXPECT_EQ(ClassifyRequest(EncodePrinterStatusReply(0x0400)), RequestKind::Other);
}

TEST(BoardReplies, AssignRequestRoundTrip) {
    AssignParameters p;
    p.useDhcp = true;
    const Ipv4Address ip = {198, 18, 7, 9};
    p.ip = ip;
    p.subnetMask[0] = 255;
    p.gateway[3] = 1;
    const MacAddress mac = {2, 0x51, 0x56, 0, 0, 3};
    p.mac = mac;
    const auto request = BuildAssignRequest(p, 0x0102);
    const auto fields = ParseAssignRequest(request);
    ASSERT_TRUE(fields);
    EXPECT_TRUE(fields->useDhcp);
    EXPECT_EQ(fields->number, 0x0102);
    EXPECT_EQ(fields->ip, (Ipv4{198, 18, 7, 9}));
    EXPECT_EQ(fields->subnetMask[0], 255);
    EXPECT_EQ(fields->gateway[3], 1);
    EXPECT_EQ(fields->mac, (Mac{2, 0x51, 0x56, 0, 0, 3}));

    std::vector<std::uint8_t> longer(request.begin(), request.end());
    longer.push_back(0);
    EXPECT_FALSE(ParseAssignRequest(longer));
    EXPECT_FALSE(ParseAssignRequest(std::span(request).first(23)));
}

TEST(BoardReplies, ClassifiesRequestsByTypeAndExactLength) {
    using Bytes = std::vector<std::uint8_t>;
    EXPECT_EQ(ClassifyRequest(Bytes{0, 0, 0x12, 0x34}), RequestKind::Search);
    EXPECT_EQ(ClassifyRequest(Bytes{0, 0, 0x12}), RequestKind::Other);
    EXPECT_EQ(ClassifyRequest(Bytes{0, 0, 0x12, 0x34, 0}), RequestKind::Other);
    EXPECT_EQ(ClassifyRequest(Bytes(24, 0)), RequestKind::Other);
    Bytes assign(24, 0);
    assign[0] = 2;
    EXPECT_EQ(ClassifyRequest(assign), RequestKind::Assign);
    EXPECT_EQ(ClassifyRequest(Bytes{4, 0, 0, 0}), RequestKind::PrinterStatus);
    EXPECT_EQ(ClassifyRequest(Bytes{1, 0, 0, 0}), RequestKind::Other);
    EXPECT_EQ(ClassifyRequest(Bytes{}), RequestKind::Other);
}
