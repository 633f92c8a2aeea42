#include "cli/BoardOutput.h"

#include "cli/TerminalText.h"
#include "protocol/BoardColumns.h"
#include "protocol/SafeText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace quorvel;

namespace {

FoundBoard board(std::uint8_t last, std::string name, std::string interfaceName) {
    FoundBoard b;
    b.record.staticAddress = 1;
    const MacAddress mac = {0x00, 0x0B, 0x3C, 0x00, 0x00, last};
    b.record.mac = mac;
    const Ipv4Address ip = {198, 18, 0, last}, mask = {255, 255, 255, 0};
    b.record.ip = ip;
    b.record.subnetMask = mask;
    b.record.replyPort = 3040;
    b.record.name = std::move(name);
    b.record.leftLabel = "Up: ";
    b.record.rightLabel = "Link: ";
    b.record.leftHours = 2;
    b.interfaceName = std::move(interfaceName);
    return b;
}

} // namespace

TEST(BoardOutput, terminalTextWidths) {
    const struct {
        const char* text;
        std::size_t width;
    } cases[] = {
        {"", 0},          {"P1", 2},        {"打印机", 6},
        {"Ａ1", 3},       {"e\xCC\x81", 1}, // a combining accent takes no column
        {"\\x1b[31m", 8},                   // a control made visible
        {"bad\xFF", 4},                     // not UTF-8
        {"\xE6\x89", 2},                    // cut short
    };
    for (const auto& c : cases)
        EXPECT_EQ(DisplayWidth(c.text), c.width) << c.text;
    EXPECT_TRUE(IsUtf8("打印机 P1"));
    EXPECT_FALSE(IsUtf8("\xC0\xAF"));     // overlong '/'
    EXPECT_FALSE(IsUtf8("\xED\xA0\x80")); // a surrogate
}

TEST(BoardOutput, tableColumnsLineUpUnderWideNames) {
    const std::vector<FoundBoard> boards = {board(1, "前台打印机", "veth1"),
                                            board(22, "P\x1B]0;x\x07", "eth0")};
    const std::string table = BoardTable(boards);
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = table.find('\n', start)) != std::string::npos;
         start = end + 1)
        lines.push_back(table.substr(start, end - start));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(lines[0].starts_with("MAC                IP           MODE    MASK"));
    EXPECT_NE(lines[2].find("P\\x1b]0;x\\x07"), std::string::npos);
    // Every line is as wide as the heading, up to the last column.
    const auto widthToInterface = [](const std::string& line, std::string_view last) {
        return DisplayWidth(std::string_view(line).substr(0, line.rfind(last)));
    };
    EXPECT_EQ(widthToInterface(lines[1], "veth1"), widthToInterface(lines[0], "INTERFACE"));
    EXPECT_EQ(widthToInterface(lines[2], "eth0"), widthToInterface(lines[0], "INTERFACE"));
    EXPECT_EQ(BoardTable({}), "");
}

TEST(BoardOutput, jsonAndCsvCarryEveryColumn) {
    const std::vector<FoundBoard> boards = {board(1, "前台, \"A\"", "veth1"), board(2, "", "")};
    const QJsonDocument document = QJsonDocument::fromJson(BoardJson(boards));
    ASSERT_TRUE(document.isArray());
    ASSERT_EQ(document.array().size(), 2);
    const QJsonObject first = document.array()[0].toObject();
    EXPECT_EQ(first.size(), 15);
    EXPECT_EQ(first["mac"].toString(), "00-0B-3C-00-00-01");
    EXPECT_EQ(first["ip"].toString(), "198.18.0.1");
    EXPECT_EQ(first["mode"].toString(), "static");
    EXPECT_EQ(first["name"].toString(), QString::fromUtf8("前台, \"A\""));
    EXPECT_EQ(first["left_label"].toString(), "Up");
    EXPECT_EQ(first["left_elapsed"].toString(), "0d 2h 0m 0s");
    EXPECT_EQ(first["left_elapsed_seconds"].toInteger(), 7200);
    EXPECT_EQ(first["reply_port"].toInt(), 3040);
    EXPECT_TRUE(first["reply_port"].isDouble());
    EXPECT_EQ(first["interface"].toString(), "veth1");
    EXPECT_EQ(BoardJson({}), "[]\n");

    const std::string csv = BoardCsv(boards);
    EXPECT_TRUE(csv.starts_with("mac,ip,mode,"));
    EXPECT_NE(csv.find("\r\n00-0B-3C-00-00-01,198.18.0.1,static,255.255.255.0,0.0.0.0,"
                       "\"前台, \"\"A\"\"\",,Up,0d 2h 0m 0s,Link,0d 0h 0m 0s,3040,veth1\r\n"),
              std::string::npos);
    EXPECT_TRUE(csv.ends_with(",3040,\r\n"));

    // A file keeps the bytes a board sent; a terminal sees them, harmless.
    const std::vector<FoundBoard> hostile = {board(3, "P\x1B[2J,\xC2\x9B", "veth1")};
    EXPECT_NE(BoardCsv(hostile).find(",\"P\x1B[2J,\xC2\x9B\","), std::string::npos);
    EXPECT_NE(BoardCsv(hostile, true).find(",\"P\\x1b[2J,\\x9b\","), std::string::npos);
}

// The streamed JSON is byte for byte what QJsonDocument writes for the same
// objects, whatever a board's texts hold, with what it leaves raw (DEL, C1,
// U+2028 and U+2029) escaped.
TEST(BoardOutput, jsonBytesAreQtsOwn) {
    std::string controls;
    for (int c = 1; c < 0x80; ++c)
        controls += static_cast<char>(c);
    std::vector<FoundBoard> boards;
    for (const std::string& name : {controls, std::string("前台 \"\\/ ☃ 😀 \xC2\x9B\xE2\x80\xA8"),
                                    std::string("bad \xFF\xC0\xAF\xED\xA0\x80 end"), std::string()})
        boards.push_back(board(static_cast<std::uint8_t>(boards.size()), name, "veth1"));
    boards.back().record.description = std::string(3000, 'd');
    boards.back().record.rightDays = 40000;
    QByteArray expected = "[";
    for (const FoundBoard& b : boards) {
        const auto values = BoardColumnValues(b.record, b.interfaceName);
        QJsonObject object;
        for (std::size_t c = 0; c < kBoardColumnCount; ++c) {
            const QString key = QString::fromUtf8(BoardColumns()[c].key.data(),
                                                  qsizetype(BoardColumns()[c].key.size()));
            if (BoardColumns()[c].kind == BoardColumnKind::Number)
                object.insert(key, std::stoi(values[c]));
            else
                object.insert(key, QString::fromStdString(values[c]));
        }
        const DeviceRecord& r = b.record;
        object.insert("left_elapsed_seconds", qint64(r.leftDays) * 86400 + r.leftHours * 3600 +
                                                  r.leftMinutes * 60 + r.leftSeconds);
        object.insert("right_elapsed_seconds", qint64(r.rightDays) * 86400 + r.rightHours * 3600 +
                                                   r.rightMinutes * 60 + r.rightSeconds);
        expected +=
            (expected.size() > 1 ? "," : "") + QJsonDocument(object).toJson(QJsonDocument::Compact);
    }
    EXPECT_EQ(BoardJson(boards),
              QByteArray::fromStdString(SafeText(expected.toStdString(), TextUse::JsonDocument)) +
                  "]\n");

    // Streamed in pieces, the same bytes for many boards.
    const std::vector<FoundBoard> many(2000, boards[1]);
    std::string streamed;
    int pieces = 0;
    WriteBoardJson(many, [&](std::string_view piece) {
        streamed += piece;
        ++pieces;
    });
    EXPECT_GT(pieces, 1);
    EXPECT_EQ(QByteArray::fromStdString(streamed), BoardJson(many));
    EXPECT_EQ(QJsonDocument::fromJson(BoardJson(many)).array().size(), 2000);
}
