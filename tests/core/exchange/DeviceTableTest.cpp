#include "core/exchange/DeviceTable.h"

#include <QTest>
#include <cstring>

using namespace quorvel;

namespace {

DeviceRecord record(const char* name, std::uint8_t a, std::uint8_t b, std::uint8_t c,
                    std::uint8_t d) {
    DeviceRecord r;
    r.name = name;
    r.ip[0] = a;
    r.ip[1] = b;
    r.ip[2] = c;
    r.ip[3] = d;
    r.mac[5] = static_cast<std::uint8_t>(name[0]);
    return r;
}

DeviceRecord timed(const char* name, std::uint32_t days, std::uint8_t hours,
                   std::uint8_t minutes = 0, std::uint8_t seconds = 0) {
    DeviceRecord r = record(name, 0, 0, 0, 0);
    r.leftDays = r.rightDays = days;
    r.leftHours = r.rightHours = hours;
    r.leftMinutes = r.rightMinutes = minutes;
    r.leftSeconds = r.rightSeconds = seconds;
    return r;
}

QStringList names(const DeviceTable& table) {
    QStringList list;
    for (const DeviceRecord& r : table.recordList())
        list << QString::fromStdString(r.name);
    return list;
}

// The reference order: the bubble sort of the table's rules, with the
// selection following its record through every swap.
void bubbleSort(std::vector<DeviceRecord>& records, std::int32_t mode, std::int32_t& selected) {
    bool swapped = true;
    while (swapped && records.size() > 1) {
        swapped = false;
        for (std::size_t i = 0; i + 1 < records.size(); ++i) {
            if (CompareSortKeys(mode, records[i], records[i + 1]) > 0) {
                std::swap(records[i], records[i + 1]);
                if (selected == static_cast<std::int32_t>(i))
                    selected = static_cast<std::int32_t>(i + 1);
                else if (selected == static_cast<std::int32_t>(i + 1))
                    selected = static_cast<std::int32_t>(i);
                swapped = true;
            }
        }
    }
}

class RecordingView : public DeviceTableView {
public:
    explicit RecordingView(DeviceTable& table) : m_table(table) {}
    void UpdateScrollBar() override {
        ++scrollUpdates;
        m_table.SortAndRedraw();
    }
    void RequestRedraw() override { ++redraws; }
    int scrollUpdates = 0;
    int redraws = 0;

private:
    DeviceTable& m_table;
};

} // namespace

class DeviceTableTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void emptyTableHasNothingToGive() {
        DeviceTable table;
        MacAddress mac = {1, 2, 3, 4, 5, 6};
        QVERIFY(!table.HasSelection());
        QVERIFY(!table.GetMacAt(0, mac));
        QVERIFY(!table.GetSelectedMac(mac));
        QCOMPARE(mac[0], 1); // untouched
        for (int mode = -1; mode <= 4; ++mode) {
            table.sortMode = mode;
            table.SortAndRedraw();
        }
        QCOMPARE(table.GetRecordCount(), 0u);
    }

    void sortsByEachModeStably_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("left column, days first") << 0 << QStringList{"d", "b", "c", "a"};
        QTest::newRow("right column") << 1 << QStringList{"d", "b", "c", "a"};
        QTest::newRow("unsorted") << 3 << QStringList{"a", "b", "c", "d"};
        QTest::newRow("unknown mode") << 7 << QStringList{"a", "b", "c", "d"};
        QTest::newRow("no item") << -1 << QStringList{"a", "b", "c", "d"};
    }
    void sortsByEachModeStably() {
        QFETCH(int, mode);
        QFETCH(QStringList, expected);
        DeviceTable table;
        table.AddRecord(timed("a", 1, 0));
        table.AddRecord(timed("b", 0, 25));
        table.AddRecord(timed("c", 0, 25)); // equal to b: stays after it
        table.AddRecord(timed("d", 0, 24, 59, 59));
        table.sortMode = mode;
        table.SortAndRedraw();
        QCOMPARE(names(table), expected);
    }

    void ipKeyWeighsTheFourthOctetMost() {
        DeviceTable table;
        table.AddRecord(record("x", 10, 0, 0, 2));
        table.AddRecord(record("y", 10, 0, 1, 1));
        table.AddRecord(record("p", 192, 168, 1, 20));
        table.AddRecord(record("q", 192, 168, 2, 10));
        table.sortMode = SortByIpAddress;
        table.SortAndRedraw();
        QCOMPARE(names(table), (QStringList{"y", "x", "q", "p"}));
    }

    void selectionFollowsItsRecord() {
        DeviceTable table;
        table.AddRecord(record("a", 0, 0, 0, 3));
        table.AddRecord(record("b", 0, 0, 0, 2));
        table.AddRecord(record("c", 0, 0, 0, 1));
        table.selectIndex(2);
        table.sortMode = SortByIpAddress;
        table.SortAndRedraw();
        QCOMPARE(table.selectedIndex, 0);
        Ipv4Address ip;
        QVERIFY(table.GetSelectedIp(ip));
        QCOMPARE(ip[3], 1);

        // A record added under a sorted mode lands in place and pushes the selection down.
        table.selectIndex(1);
        table.AddRecord(record("z", 0, 0, 0, 0));
        QCOMPARE(names(table), (QStringList{"z", "c", "b", "a"}));
        QCOMPARE(table.selectedIndex, 2);
    }

    void unsortedKeepsTheLastSortAndAppends() {
        DeviceTable table;
        table.AddRecord(record("b", 0, 0, 0, 2));
        table.AddRecord(record("a", 0, 0, 0, 1));
        table.sortMode = SortByIpAddress;
        table.SortAndRedraw();
        table.sortMode = Unsorted;
        table.SortAndRedraw();
        table.AddRecord(record("c", 0, 0, 0, 0));
        QCOMPARE(names(table), (QStringList{"a", "b", "c"}));
    }

    void matchesTheBubbleSortOnRandomInput() {
        std::srand(99);
        for (int round = 0; round < 300; ++round) {
            DeviceTable table;
            table.sortMode = round % 4;
            std::vector<DeviceRecord> reference;
            std::int32_t refSelected = -1;
            const auto sortReference = [&] {
                if (table.sortMode >= 0 && table.sortMode <= 2)
                    bubbleSort(reference, table.sortMode, refSelected);
            };
            const int count = 1 + std::rand() % 14;
            for (int i = 0; i < count; ++i) {
                if (std::rand() % 4 == 0) {
                    // A new mode, sometimes left unsorted until the next add.
                    table.sortMode = std::rand() % 4;
                    if (std::rand() % 2) {
                        table.SortAndRedraw();
                        sortReference();
                    }
                }
                DeviceRecord r = timed("r", std::rand() % 3, std::rand() % 3, 0, std::rand() % 2);
                r.ip[3] = static_cast<std::uint8_t>(std::rand() % 3);
                r.description = std::to_string(i);
                table.AddRecord(r);
                reference.push_back(r);
                sortReference();
                if (std::rand() % 3 == 0) {
                    const int index = std::rand() % (static_cast<int>(reference.size()) + 1);
                    table.selectIndex(index);
                    refSelected = index < static_cast<int>(reference.size()) ? index : -1;
                }
            }
            QCOMPARE(table.recordList().size(), reference.size());
            for (std::size_t i = 0; i < reference.size(); ++i)
                QCOMPARE(table.recordList()[i].description, reference[i].description);
            QCOMPARE(table.selectedIndex, refSelected);
        }
    }

    // A burst appended and then shown lands where adding its records one by
    // one would have put them, selection included, with one view update.
    void appendedBurstMatchesSingleAdds() {
        std::srand(7);
        for (int round = 0; round < 200; ++round) {
            DeviceTable single, burst;
            RecordingView view(burst);
            burst.setView(&view);
            single.sortMode = burst.sortMode = round % 4;
            const auto make = [](int i) {
                DeviceRecord r = timed("r", std::rand() % 3, std::rand() % 3, 0, std::rand() % 2);
                r.ip[3] = static_cast<std::uint8_t>(std::rand() % 3);
                r.description = std::to_string(i);
                return r;
            };
            const int shown = std::rand() % 6, appended = 1 + std::rand() % 8;
            for (int i = 0; i < shown; ++i) {
                const DeviceRecord r = make(i);
                single.AddRecord(r);
                burst.AddRecord(r);
            }
            const std::int64_t selection = shown > 0 ? std::rand() % shown : -1;
            single.selectIndex(selection);
            burst.selectIndex(selection);
            const int updatesBefore = view.scrollUpdates;
            for (int i = shown; i < shown + appended; ++i) {
                DeviceRecord r = make(i);
                single.AddRecord(r);
                burst.AppendRecord(std::move(r));
            }
            QCOMPARE(view.scrollUpdates, updatesBefore);
            QVERIFY(burst.hasUnshownRecords());
            burst.ShowAppendedRecords();
            burst.ShowAppendedRecords(); // nothing new: no second update
            QCOMPARE(view.scrollUpdates, updatesBefore + 1);
            QVERIFY(!burst.hasUnshownRecords());
            QCOMPARE(burst.recordList().size(), single.recordList().size());
            for (std::size_t i = 0; i < single.recordList().size(); ++i)
                QCOMPARE(burst.recordList()[i].description, single.recordList()[i].description);
            QCOMPARE(burst.selectedIndex, single.selectedIndex);
        }
    }

    void clearLeavesNoSelection() {
        DeviceTable table;
        RecordingView view(table);
        table.setView(&view);
        table.AddRecord(record("a", 1, 2, 3, 4));
        table.selectIndex(0);
        table.Clear();
        QVERIFY(!table.HasSelection());
        QCOMPARE(table.GetRecordCount(), 0u);
        table.AddRecord(record("b", 1, 2, 3, 4));
        QVERIFY(!table.HasSelection());
        QCOMPARE(view.scrollUpdates, 3);
        QCOMPARE(view.redraws, 3);
    }

    void getMacAtChecksItsBound() {
        DeviceTable table;
        table.AddRecord(record("a", 1, 2, 3, 4));
        MacAddress mac = {};
        QVERIFY(table.GetMacAt(0, mac));
        QCOMPARE(mac[5], std::uint8_t('a'));
        QVERIFY(!table.GetMacAt(1, mac));
        QVERIFY(!table.GetMacAt(0xFFFFFFFFu, mac));
    }

    void clickBelowTheLastRecordClearsTheSelection() {
        DeviceTable table;
        table.AddRecord(record("a", 1, 2, 3, 4));
        table.selectIndex(0);
        table.selectIndex(1);
        QVERIFY(!table.HasSelection());
    }

    void testRecordsCountOneTwoTwoFiftyFiveZero() {
        DeviceTable table;
        for (int i = 0; i < 8; ++i)
            table.AddRecord(NextTestRecord());
        const std::uint8_t expected[8] = {1, 2, 255, 0, 1, 2, 255, 0};
        for (int i = 0; i < 8; ++i)
            QCOMPARE(table.recordList()[static_cast<std::size_t>(i)].staticAddress, expected[i]);
        const DeviceRecord& r = table.recordList()[0];
        QCOMPARE(r.name, std::string("Unknown Device"));
        QCOMPARE(r.leftLabel, std::string("Event1:"));
        QCOMPARE(r.mac[0], 25);
        QCOMPARE(r.ip[2], 255);
    }
};

QTEST_APPLESS_MAIN(DeviceTableTest)
#include "DeviceTableTest.moc"
