#include "BoardFile.h"

#include "protocol/TextDecoding.h"

#include <gtest/gtest.h>
#include <set>
#include <sstream>

using namespace quorvel;
using namespace quorvel::sim;

namespace {

BoardsOrError parse(const std::string& text) {
    std::istringstream in(text);
    return ParseBoardFile(in);
}

const std::string kHeader = "mac,ip,mask,gateway,mode,name,description,left_label,right_label,"
                            "left_elapsed,right_elapsed,status\n";

} // namespace

TEST(BoardFile, ReadsEveryColumnWithQuotesAndChineseText) {
    const BoardsOrError r =
        parse("\xEF\xBB\xBF# comment\n" + kHeader +
              "00:0b:3c:12:34:56, 192.168.1.50 ,255.255.255.0,192.168.1.1,dhcp,厨房打印机,"
              "\"58mm, \"\"cut\"\"\",Up,Link,93784,0x10,0x2001\n\n");
    ASSERT_EQ(r.error, "");
    ASSERT_EQ(r.boards.size(), 1u);
    const SimBoard& b = r.boards[0];
    EXPECT_EQ(b.mac, (Mac{0x00, 0x0B, 0x3C, 0x12, 0x34, 0x56}));
    EXPECT_EQ(b.ip, (Ipv4{192, 168, 1, 50}));
    EXPECT_EQ(b.gateway, (Ipv4{192, 168, 1, 1}));
    EXPECT_FALSE(b.staticAddress);
    // Held as the boards' GB18030 bytes: two bytes per Chinese character.
    EXPECT_EQ(b.name.size(), 10u);
    EXPECT_EQ(DecodeBoardText(b.name), "厨房打印机");
    EXPECT_EQ(b.description, "58mm, \"cut\"");
    EXPECT_EQ(b.leftElapsed, 93784u);
    EXPECT_EQ(b.rightElapsed, 16u);
    EXPECT_EQ(b.status, 0x2001);
}

TEST(BoardFile, OnlyMacAndIpAreRequired) {
    const BoardsOrError r = parse("ip,mac\n198.18.1.9,02-00-00-00-00-09\n");
    ASSERT_EQ(r.error, "");
    ASSERT_EQ(r.boards.size(), 1u);
    EXPECT_TRUE(r.boards[0].staticAddress);
    EXPECT_EQ(r.boards[0].subnetMask, (Ipv4{255, 255, 255, 0}));
    EXPECT_EQ(r.boards[0].name, "");
}

TEST(BoardFile, RejectsBadLinesNamingThem) {
    const std::string good = "02-00-00-00-00-01,198.18.1.1";
    const struct {
        std::string text;
        std::string error;
    } cases[] = {
        {"", "no header row"},
        {"mac,ip,colour\n", "line 1: unknown column \"colour\""},
        {"mac,mac,ip\n", "line 1: column \"mac\" given twice"},
        {"mac,name\n", "line 1: the header must name at least the columns mac and ip"},
        {"mac,ip\n" + good + "\n02-00-00-00-00-01,198.18.1.2\n",
         "line 3: MAC address 02-00-00-00-00-01 listed twice"},
        {"mac,ip\n02-00-00-00-00,198.18.1.1\n", "line 2: bad MAC address \"02-00-00-00-00\""},
        {"mac,ip\n02-00-00-00-00-0g,198.18.1.1\n", "line 2: bad MAC address \"02-00-00-00-00-0g\""},
        {"mac,ip\n02-00-00-00-00-01,198.18.1.256\n", "line 2: bad IPv4 address \"198.18.1.256\""},
        {"mac,ip\n" + good + ",x\n", "line 2: expected 2 fields, found 3"},
        {"mac,ip,mode\n" + good + ",fixed\n", "line 2: mode must be static or dhcp, not \"fixed\""},
        {"mac,ip,name\n" + good + ",\xFF\xFE\n", "line 2: name is not valid UTF-8 text"},
        {"mac,ip,name\n" + good + ",\"open\n", "line 2: unterminated quoted field"},
        {"mac,ip,status\n" + good + ",0x10000\n",
         "line 2: status must be a 16-bit number (decimal or 0x hex)"},
        {"mac,ip,left_elapsed\n" + good + ",-5\n",
         "line 2: left_elapsed must be a number of seconds"},
    };
    for (const auto& c : cases) {
        const BoardsOrError r = parse(c.text);
        EXPECT_EQ(r.error, c.error) << c.text;
        EXPECT_TRUE(r.boards.empty());
    }
}

TEST(BoardFile, TheExampleFileLoads) {
    const BoardsOrError r = LoadBoardFile(QUORVEL_EXAMPLE_BOARDS);
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.boards.size(), 5u);
    EXPECT_EQ(LoadBoardFile("/nonexistent/boards.csv").error,
              "cannot open /nonexistent/boards.csv");
}

TEST(BoardFile, GeneratedBoardsAreDistinctAndInTheTestRange) {
    const auto boards = GenerateBoards(kMaxBoards);
    std::set<Mac> macs;
    std::set<std::uint32_t> ips;
    for (const SimBoard& b : boards) {
        macs.insert(b.mac);
        const std::uint32_t ip = ToHostOrder(b.ip);
        ips.insert(ip);
        ASSERT_EQ(ip & 0xFFFE0000u, 0xC6120000u); // 198.18.0.0/15
        ASSERT_GT(ip, 0xC61200FFu);               // clear of the rig's own addresses
        ASSERT_EQ(b.mac[0] & 0x02, 0x02);         // locally administered
    }
    EXPECT_EQ(macs.size(), boards.size());
    EXPECT_EQ(ips.size(), boards.size());
    EXPECT_EQ(DecodeBoardText(boards[6].name), GeneratedBoardName(7));
    EXPECT_EQ(GeneratedBoardName(7), "票据打印机-0007");
    EXPECT_EQ(boards[6].status, 7);
    EXPECT_FALSE(boards[3].staticAddress);
    EXPECT_TRUE(boards[4].staticAddress);
}
