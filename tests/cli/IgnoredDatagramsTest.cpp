#include "cli/IgnoredDatagrams.h"

#include <gtest/gtest.h>

using namespace quorvel;

TEST(IgnoredDatagrams, aFloodIsOneLineByReasonThenStartsOver) {
    IgnoredDatagrams ignored;
    EXPECT_EQ(ignored.takeSummary(), std::nullopt);
    ignored.count("Error receiving data");
    EXPECT_EQ(ignored.takeSummary(), "1 datagram ignored: Error receiving data (1)");
    for (int i = 0; i < 5000; ++i)
        ignored.count(i % 1000 ? "Invalid Assign Packet Received" : "Error receiving data");
    EXPECT_EQ(ignored.takeSummary(), "5000 datagrams ignored: Error receiving data (5), Invalid "
                                     "Assign Packet Received (4995)");
}
