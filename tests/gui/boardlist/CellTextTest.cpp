#include "gui/boardlist/CellText.h"

#include <QTest>

using namespace quorvel;

class CellTextTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void elapsedTimeStartsAtTheLargestNonzeroUnit_data() {
        QTest::addColumn<uint>("days");
        QTest::addColumn<int>("hours");
        QTest::addColumn<int>("minutes");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("expected");
        QTest::newRow("all zero") << 0u << 0 << 0 << 0 << "0秒";
        QTest::newRow("seconds only") << 0u << 0 << 0 << 59 << "59秒";
        QTest::newRow("minutes") << 0u << 0 << 5 << 0 << "5分 0秒";
        QTest::newRow("hours") << 0u << 3 << 0 << 7 << "3小时 0分 7秒";
        QTest::newRow("days") << 2u << 0 << 0 << 0 << "2天 0小时 0分 0秒";
        QTest::newRow("hours not normalised") << 0u << 30 << 61 << 99 << "30小时 61分 99秒";
        QTest::newRow("days above 2^31 stay positive")
            << 3000000000u << 1 << 2 << 3 << "3000000000天 1小时 2分 3秒";
    }
    void elapsedTimeStartsAtTheLargestNonzeroUnit() {
        QFETCH(uint, days);
        QFETCH(int, hours);
        QFETCH(int, minutes);
        QFETCH(int, seconds);
        QFETCH(QString, expected);
        QCOMPARE(ElapsedTimeText(days, static_cast<std::uint8_t>(hours),
                                 static_cast<std::uint8_t>(minutes),
                                 static_cast<std::uint8_t>(seconds)),
                 expected);
    }

    void labelIsPrintedStraightAgainstTheTime() {
        DeviceRecord r;
        r.leftLabel = "Event1:";
        r.leftDays = 5;
        r.leftHours = 20;
        r.leftMinutes = 15;
        r.leftSeconds = 21;
        r.rightLabel = "打印时间: ";
        r.rightSeconds = 3;
        QCOMPARE(LeftColumnText(r), QStringLiteral("Event1:5天 20小时 15分 21秒"));
        QCOMPARE(RightColumnText(r), QStringLiteral("打印时间: 3秒"));
    }

    void macBytesArePrintedAsTwoUpperCaseDigits() {
        DeviceRecord r;
        const MacAddress mac = {10, 0, 0xab, 0xFF, 1, 0x7f};
        r.mac = mac;
        QCOMPARE(MacLineText(r), QStringLiteral("MAC Address: 0A-00-AB-FF-01-7F"));
    }

    void ipLineNamesTheAddressMode_data() {
        QTest::addColumn<int>("staticAddress");
        QTest::addColumn<QString>("expected");
        QTest::newRow("0 is dynamic") << 0 << "IP Address: 192.168.1.200 [动态]";
        QTest::newRow("1 is static") << 1 << "IP Address: 192.168.1.200 [静态]";
        QTest::newRow("255 is static") << 255 << "IP Address: 192.168.1.200 [静态]";
    }
    void ipLineNamesTheAddressMode() {
        QFETCH(int, staticAddress);
        QFETCH(QString, expected);
        DeviceRecord r;
        const Ipv4Address ip = {192, 168, 1, 200};
        r.ip = ip;
        r.staticAddress = static_cast<std::uint8_t>(staticAddress);
        QCOMPARE(IpLineText(r), expected);
    }
};

QTEST_APPLESS_MAIN(CellTextTest)
#include "CellTextTest.moc"
