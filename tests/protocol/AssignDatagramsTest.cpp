#include "protocol/AssignDatagrams.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace quorvel;

namespace {

using Bytes = std::vector<std::uint8_t>;

AssignParameters example(bool dhcp) {
    return {dhcp,
            {192, 168, 1, 50},
            {255, 255, 255, 0},
            {192, 168, 1, 1},
            {0x00, 0x0B, 0x3C, 0x12, 0x34, 0x56}};
}

AssignClassification classify(const Bytes& bytes, std::optional<std::uint16_t> outstanding) {
    return ClassifyAssignDatagram(std::span<const std::uint8_t>(bytes), outstanding);
}

} // namespace

TEST(AssignRequest, matchesTheGoldenBytes) {
    const auto request = BuildAssignRequest(example(false), 0x1A2B);
    const Bytes expected = {0x02, 0x00, 0x1A, 0x2B, 0xC0, 0xA8, 0x01, 0x32, 0xFF, 0xFF, 0xFF, 0x00,
                            0xC0, 0xA8, 0x01, 0x01, 0x00, 0x0B, 0x3C, 0x12, 0x34, 0x56, 0x00, 0x00};
    EXPECT_EQ(Bytes(request.begin(), request.end()), expected);

    Bytes withDhcp = expected;
    withDhcp[1] = 0x01;
    const auto dhcp = BuildAssignRequest(example(true), 0x1A2B);
    EXPECT_EQ(Bytes(dhcp.begin(), dhcp.end()), withDhcp);

    const auto zero = BuildAssignRequest(example(false), 0);
    EXPECT_EQ(zero[2], 0);
    EXPECT_EQ(zero[3], 0);
}

TEST(AssignReply, judgesResultsAndImpostors) {
    EXPECT_EQ(classify({0x03, 0x01, 0x1A, 0x2B}, 0x1A2B).kind, AssignDatagramKind::Reply);
    EXPECT_EQ(classify({0x03, 0x01, 0x1A, 0x2B}, 0x1A2B).result, Programmed);
    EXPECT_EQ(classify({0x03, 0x00, 0x1A, 0x2B}, 0x1A2B).result, MacNotRecognized);
    EXPECT_EQ(classify({0x03, 0xFF, 0x1A, 0x2B}, 0x1A2B).result, UnknownError);
    EXPECT_EQ(classify({0x03, 0x07, 0x1A, 0x2B}, 0x1A2B).result, 7);
    EXPECT_EQ(classify({0x03, 0x01, 0x00, 0x00}, 0).kind, AssignDatagramKind::Reply);

    EXPECT_EQ(classify({0x03, 0x01, 0x2B, 0x1A}, 0x1A2B).kind, AssignDatagramKind::NotReply);
    EXPECT_EQ(classify({0x03, 0x01, 0x1A, 0x2B, 0x00}, 0x1A2B).kind, AssignDatagramKind::NotReply);
    EXPECT_EQ(classify({0x01, 0x01, 0x1A, 0x2B}, 0x1A2B).kind, AssignDatagramKind::NotReply);
    EXPECT_EQ(classify({0x03, 0x01, 0x1A}, 0x1A2B).kind, AssignDatagramKind::NotReply);
    // Before OK there is no request to answer.
    EXPECT_EQ(classify({0x03, 0x01, 0x00, 0x00}, std::nullopt).kind, AssignDatagramKind::NotReply);
    EXPECT_EQ(ClassifyAssignDatagram(std::nullopt, 1).kind, AssignDatagramKind::ReadError);
}

TEST(AssignResultText, hasTextsForTheThreeVerdictsOnly) {
    EXPECT_EQ(std::string(AssignResultText(0)), "Failure -- Device did not recognize MAC address");
    EXPECT_EQ(std::string(AssignResultText(1)), "Success -- Device Programmed");
    EXPECT_EQ(std::string(AssignResultText(255)), "Failure -- Unknown Error");
    EXPECT_EQ(AssignResultText(7), nullptr);
}
