#include "cli/StatusOutput.h"

#include "cli/MonitorOutput.h"

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

TEST(MonitorOutput, jsonLinesHaveTheKeysTheManualLists) {
    MonitoredBoard board;
    board.record.name = "Till";
    const QJsonObject line =
        QJsonDocument::fromJson(MonitorChangeJson(board, {0, std::nullopt, PrinterStatusFlags{}}))
            .object();
    QStringList listed;
    for (const auto& [key, meaning] : MonitorJsonKeys())
        listed << QString::fromLatin1(key);
    listed.sort();
    EXPECT_EQ(line.keys(), listed);
    EXPECT_EQ(line["name"], "Till");
}
