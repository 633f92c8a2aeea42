#include "core/host/NeighbourClaims.h"

#include <gtest/gtest.h>

using namespace quorvel;

namespace {

const NeighbourClaim kA = {{198, 18, 3, 41}, {0x02, 0x51, 0x56, 0x00, 0x99, 0x01}, "veth0"};
const NeighbourClaim kB = {{198, 18, 3, 42}, {0x02, 0x51, 0x56, 0x00, 0x99, 0x02}, "veth0"};

} // namespace

TEST(NeighbourClaims, filesAndTheKernelsTexts) {
    const ClaimFile file{{4242, 987654, 4026531840}, {kA, kB}};
    const std::string head = "quorvel neighbour claims 1\nowner 4242 987654 4026531840\n";
    EXPECT_EQ(ClaimFileText(file), head + "entry 198.18.3.41 02-51-56-00-99-01 veth0\n"
                                          "entry 198.18.3.42 02-51-56-00-99-02 veth0\n");
    EXPECT_EQ(ParseClaimFile(ClaimFileText(file))->claims, file.claims);
    std::string tooMany = head;
    for (std::size_t i = 0; i <= kMaxClaims; ++i)
        tooMany += "entry 198.18.3.41 02-51-56-00-99-01 veth0\n";
    for (const std::string& bad : std::vector<std::string>{
             "", "quorvel neighbour claims 2\nowner 1 1 1\n",
             "quorvel neighbour claims 1\nowner 0 1 1\n", head + "entry 198.18.3.41 02-51\n",
             head + "entry 198.18.3.41 02-51-56-00-99-01 ../../etc\n", head + "\n", tooMany})
        EXPECT_FALSE(ParseClaimFile(bad)) << bad;

    // The name in parentheses may hold blanks and parentheses itself.
    EXPECT_EQ(ProcessStartTime("42 (a (b) c) S 1 42 42 0 -1 4194560 120 0 0 0 1 0 0 0 20 0 1 0 "
                               "987654 12345\n"),
              987654u);
    EXPECT_EQ(ProcessStartTime("42 (a) S 1 2"), std::nullopt);
    EXPECT_EQ(ProcessStartTime("42 (a) Z 1 42 42 0 -1 4 1 0 0 0 1 0 0 0 20 0 1 0 987654 1\n"),
              std::nullopt); // ended
    // Only what shows the tag, permanent: a filter the tool did not take
    // would list others too.
    EXPECT_EQ(
        ParseTaggedEntries("198.18.3.41 dev veth0 lladdr 02:51:56:00:99:01 PERMANENT proto 147 \n"
                           "198.18.3.42 dev veth0 lladdr 02:51:56:00:99:02 PERMANENT \n"
                           "198.18.3.43 dev veth0 lladdr 02:51:56:00:99:03 PERMANENT proto 16\n"
                           "198.18.3.44 dev veth0 lladdr 02:51:56:00:99:04 STALE proto 147\n"),
        std::vector<NeighbourClaim>{kA});
}

// Only an owner gone from this namespace loses its entries, and only those
// the table holds with the tag, for the same MAC, on the same link.
TEST(NeighbourClaims, onlyTaggedEntriesOfOwnersGoneFromHereGo) {
    const ClaimOwner alive{100, 5, 7}, dead{101, 5, 7}, elsewhere{103, 5, 8};
    const NeighbourClaim otherMac = {kB.ip, kA.mac, "veth0"}, otherLink = {kB.ip, kB.mac, "veth1"};
    const std::vector<ClaimFile> files = {
        {alive, {kB}}, {dead, {kA, otherMac, otherLink}}, {elsewhere, {kB}}};
    const auto isAlive = [&](const ClaimOwner& o) { return o == alive; };
    EXPECT_EQ(AbandonedEntries(files, isAlive, 7, {kA, kB}), std::vector<NeighbourClaim>{kA});
    EXPECT_EQ(AbandonedEntries(files, isAlive, 8, {kA, kB}), std::vector<NeighbourClaim>{kB});
    EXPECT_EQ(AbandonedEntries(files, isAlive, 7, {}), std::vector<NeighbourClaim>{});
}
