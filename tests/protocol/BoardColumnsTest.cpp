#include "protocol/BoardColumns.h"

#include <gtest/gtest.h>

using namespace quorvel;

namespace {

DeviceRecord board() {
    DeviceRecord r;
    r.staticAddress = 7;
    r.leftDays = 258;
    r.leftHours = 30;
    r.leftMinutes = 5;
    r.leftSeconds = 9;
    r.rightSeconds = 1;
    const MacAddress mac = {0x00, 0x0B, 0x3C, 0x12, 0x34, 0xA6};
    r.mac = mac;
    const Ipv4Address ip = {198, 18, 0, 200}, mask = {255, 255, 254, 0}, gw = {198, 18, 0, 1};
    r.ip = ip;
    r.subnetMask = mask;
    r.gateway = gw;
    r.replyPort = 3040;
    r.name = "打印机, \"前台\"";
    r.description = "line1\nline2";
    r.leftLabel = "Up: ";
    r.rightLabel = "Link: : ";
    return r;
}

} // namespace

TEST(BoardColumns, csvFieldsAreQuotedOnlyWhenTheyMustBe) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"", ""},
        {"plain text", "plain text"},
        {"中文", "中文"},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"\"", "\"\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"cr\rhere", "\"cr\rhere\""},
        {" padded ", " padded "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CsvField(c.in), c.out) << c.in;
}

TEST(BoardColumns, spreadsheetRowsNeutraliseFormulaTextsOnly) {
    const char* cases[][2] = {{"=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""},
                              {"+1", "'+1"},
                              {"-2", "'-2"},
                              {"@A1", "'@A1"},
                              {"\tx", "'\tx"},
                              {"a=1", "a=1"},
                              {" =1", " =1"},
                              {"", ""}};
    for (const auto& c : cases) {
        DeviceRecord r = board();
        r.name = c[0];
        const std::string row = BoardSpreadsheetRecord(r, "-eth");
        EXPECT_NE(row.find(std::string(",") + c[1] + ","), std::string::npos) << row;
        EXPECT_TRUE(row.ends_with(",'-eth\r\n")) << row;
    }
}

TEST(BoardColumns, headerAndRecordShareOneColumnOrder) {
    EXPECT_EQ(BoardCsvHeader(), "mac,ip,mode,mask,gateway,name,description,left_label,"
                                "left_elapsed,right_label,right_elapsed,reply_port,interface\r\n");
    EXPECT_EQ(BoardCsvRecord(board(), "eth1"),
              "00-0B-3C-12-34-A6,198.18.0.200,static,255.255.254.0,198.18.0.1,"
              "\"打印机, \"\"前台\"\"\",\"line1\nline2\",Up,258d 30h 5m 9s,Link: ,"
              "0d 0h 0m 1s,3040,eth1\r\n");
}

TEST(BoardColumns, valuesFollowTheRecord) {
    DeviceRecord r = board();
    r.staticAddress = 0;
    r.leftLabel = "Up"; // not from the table: nothing to strip
    r.leftDays = 4294967295u;
    r.replyPort = 65535;
    const auto values = BoardColumnValues(r, "");
    EXPECT_EQ(values[2], "DHCP");
    EXPECT_EQ(values[7], "Up");
    EXPECT_EQ(values[8], "4294967295d 30h 5m 9s");
    EXPECT_EQ(values[11], "65535");
    EXPECT_EQ(values[12], "");
    EXPECT_EQ(BoardColumns()[11].kind, BoardColumnKind::Number);
}
