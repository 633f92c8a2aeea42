#include "cli/StatusOutput.h"

#include "cli/MonitorOutput.h"
#include "cli/TerminalText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace quorvel;

namespace {

PrinterStatusFlags flags(std::initializer_list<PrinterStatusFlag> set) {
    PrinterStatusFlags out{};
    for (PrinterStatusFlag f : set)
        out[f] = true;
    return out;
}

} // namespace

TEST(StatusOutput, namesEveryFlagInBitOrder) {
    const std::string text = StatusText(flags({Offline, PaperOut}));
    EXPECT_TRUE(text.starts_with("DrawerPin3High         钱箱pin3高      no\n"
                                 "Offline                脱机            yes\n"));
    EXPECT_TRUE(text.ends_with("PaperOut               缺纸            yes\n"));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 14);

    const QJsonObject answered =
        QJsonDocument::fromJson(StatusJson("00-0B-3C-00-00-01", "198.18.0.1", flags({PaperFeed2})))
            .object();
    EXPECT_TRUE(answered["answered"].toBool());
    const QJsonArray list = answered["flags"].toArray();
    ASSERT_EQ(list.size(), 14);
    EXPECT_EQ(list[5].toObject()["name"].toString(), "PaperFeed2");
    EXPECT_EQ(list[5].toObject()["text"].toString(), QString::fromUtf8("走纸"));
    EXPECT_TRUE(list[5].toObject()["set"].toBool());
    EXPECT_FALSE(list[3].toObject()["set"].toBool());
    const QJsonObject silent = QJsonDocument::fromJson(StatusJson("m", "i", std::nullopt)).object();
    EXPECT_FALSE(silent["answered"].toBool());
    EXPECT_FALSE(silent.contains("flags"));
    EXPECT_FALSE(silent.contains("time"));
    EXPECT_EQ(QJsonDocument::fromJson(StatusJson("m", "i", flags({}), "2026-01-02T03:04:05"))
                  .object()["time"]
                  .toString(),
              "2026-01-02T03:04:05");
}

TEST(StatusOutput, watchPrintsOnlyChanges) {
    using Look = std::optional<PrinterStatusFlags>;
    const struct {
        Look before;
        bool lookedBefore;
        Look now;
        std::vector<std::string> lines;
    } cases[] = {
        {{}, false, flags({}), {"no flag set"}},
        {{}, false, flags({CoverOpen}), {"CoverOpen (上盖打开) set"}},
        {{}, false, {}, {"no answer"}},
        {flags({CoverOpen}), true, flags({CoverOpen}), {}},
        {flags({CoverOpen}),
         true,
         flags({PaperOut}),
         {"CoverOpen (上盖打开) cleared", "PaperOut (缺纸) set"}},
        {flags({CoverOpen}), true, {}, {"no answer"}},
        {{}, true, {}, {}},
        {{}, true, flags({Offline}), {"answered", "Offline (脱机) set"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StatusChanges(c.before, c.lookedBefore, c.now), c.lines);
}

TEST(StatusOutput, monitorTableAndLinesKeepTheTerminalSafe) {
    std::vector<MonitoredBoard> boards(2);
    boards[0].record.name = "前台打印机";
    boards[0].up = true;
    boards[0].flags = flags({PaperOut, Offline});
    boards[1].record.name = "P\x1B[2J";
    boards[1].reported = true;
    const std::string table = MonitorTable(boards);
    std::vector<std::string_view> lines;
    for (std::size_t start = 0, end; (end = table.find('\n', start)) != std::string::npos;
         start = end + 1)
        lines.push_back(std::string_view(table).substr(start, end - start));
    ASSERT_EQ(lines.size(), 3u);
    // The flags column starts at the same place under a wide name.
    for (const auto& [line, flagsText] : {std::pair{lines[1], "Offline,PaperOut"}, {lines[2], "-"}})
        EXPECT_EQ(DisplayWidth(line.substr(0, line.rfind(flagsText))),
                  DisplayWidth(lines[0].substr(0, lines[0].find("FLAGS"))));
    EXPECT_NE(lines[1].find(" ok "), std::string::npos);
    EXPECT_NE(lines[2].find("P?[2J"), std::string::npos);
    EXPECT_NE(lines[2].find(" silent "), std::string::npos);
    EXPECT_EQ(table.find('\x1B'), std::string::npos);
    const std::string line = MonitorChangeText(boards[1], StatusChange{0, boards[0].flags, {}});
    EXPECT_TRUE(line.starts_with("1970-01-01T00:00:00.000Z 00-00-00-00-00-00 0.0.0.0 \"P?[2J\":"));
}
