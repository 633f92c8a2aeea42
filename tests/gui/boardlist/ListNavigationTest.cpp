#include "gui/boardlist/ListNavigation.h"

#include "gui/app/FontSetup.h"
#include "gui/boardlist/BoardText.h"
#include "gui/boardlist/CNetDisplay.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

using namespace quorvel;

namespace {

DeviceRecord board(int n) {
    DeviceRecord r;
    r.name = "Board " + std::to_string(n);
    r.description = "厨房打印机";
    const Ipv4Address ip = {198, 18, 0, static_cast<std::uint8_t>(n)};
    r.ip = ip;
    r.mac[5] = static_cast<std::uint8_t>(n);
    r.leftLabel = "Event1: ";
    r.rightLabel = "Event2:";
    return r;
}

// Fifty boards in the list as the main window sizes it: five whole cells show.
struct FiftyBoards {
    FiftyBoards() {
        display.resize(600, 365);
        for (int i = 0; i < 50; ++i)
            display.table().AddRecord(board(i));
    }
    void wheel(int delta, QWidget* target = nullptr) {
        target = target ? target : &display;
        const QPointF at(target->width() / 2.0, target->height() / 2.0);
        QWheelEvent event(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(target, &event);
    }
    int position() const { return display.scrollPosition(); }
    int selected() const { return display.table().selectedIndex; }
    DeviceTable devices;
    CNetDisplay display{devices};
};

} // namespace

class ListNavigationTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { InstallFontSubstitutions(); }

    void keysMoveTheSelection_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("expected"); // -2: the key is not the list's
        QTest::newRow("down") << int(Qt::Key_Down) << 3 << 0 << 50 << 4;
        QTest::newRow("up") << int(Qt::Key_Up) << 3 << 0 << 50 << 2;
        QTest::newRow("up at the top stays") << int(Qt::Key_Up) << 0 << 0 << 50 << 0;
        QTest::newRow("down at the end stays") << int(Qt::Key_Down) << 49 << 45 << 50 << 49;
        QTest::newRow("page down") << int(Qt::Key_PageDown) << 3 << 0 << 50 << 8;
        QTest::newRow("page down stops at the end") << int(Qt::Key_PageDown) << 47 << 0 << 50 << 49;
        QTest::newRow("page up stops at the top") << int(Qt::Key_PageUp) << 3 << 0 << 50 << 0;
        QTest::newRow("home") << int(Qt::Key_Home) << 30 << 28 << 50 << 0;
        QTest::newRow("end") << int(Qt::Key_End) << 3 << 0 << 50 << 49;
        QTest::newRow("none: down takes the top cell") << int(Qt::Key_Down) << -1 << 12 << 50 << 12;
        QTest::newRow("none: up takes the top cell") << int(Qt::Key_Up) << -1 << 12 << 50 << 12;
        QTest::newRow("none: end") << int(Qt::Key_End) << -1 << 12 << 50 << 49;
        QTest::newRow("empty list") << int(Qt::Key_Down) << -1 << 0 << 0 << -2;
        QTest::newRow("not a list key") << int(Qt::Key_Left) << 3 << 0 << 50 << -2;
    }
    void keysMoveTheSelection() {
        QFETCH(int, key);
        QFETCH(int, selected);
        QFETCH(int, position);
        QFETCH(int, count);
        QFETCH(int, expected);
        const auto next = SelectionAfterKey(key, selected, position, 5, count);
        QCOMPARE(next.has_value(), expected != -2);
        if (next)
            QCOMPARE(*next, expected);
    }

    void theSelectionIsScrolledIntoView_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("expected");
        QTest::newRow("already shown") << 12 << 10 << 10;
        QTest::newRow("above: to the top") << 3 << 10 << 3;
        QTest::newRow("below: to the bottom") << 20 << 10 << 16;
        QTest::newRow("last whole cell") << 14 << 10 << 10;
        QTest::newRow("first cell past the view") << 15 << 10 << 11;
    }
    void theSelectionIsScrolledIntoView() {
        QFETCH(int, index);
        QFETCH(int, position);
        QFETCH(int, expected);
        QCOMPARE(PositionShowing(index, position, 5, 49), expected);
    }

    void wheelDeltasBecomeWholeNotches() {
        WheelNotches notches;
        QCOMPARE(notches.take(120), 1);
        QCOMPARE(notches.take(-360), -3);
        QCOMPARE(notches.take(60), 0); // half a notch from a fine wheel
        QCOMPARE(notches.take(60), 1);
        QCOMPARE(notches.take(100), 0);
        QCOMPARE(notches.take(-100), 0); // turning back drops the rest
        QCOMPARE(notches.take(-20), -1);
        QCOMPARE(WholeCellsIn(365), 5);
        QCOMPARE(WholeCellsIn(10), 1);
    }

    // The wheel and the keys on a list of fifty boards, as a user meets them.
    void wheelKeysAndCopyOnFiftyBoards() {
        FiftyBoards list;
        list.wheel(-120 * 3);
        QCOMPARE(list.position(), 3); // one cell per notch
        list.wheel(-60);
        list.wheel(-60);
        QCOMPARE(list.position(), 4);
        list.wheel(120, list.display.verticalScrollBar()); // over the bar, the same
        QCOMPARE(list.position(), 3);
        list.wheel(120 * 10);
        QCOMPARE(list.position(), 0);
        list.wheel(-120 * 1000);
        QCOMPARE(list.position(), 49); // the last cell at the top, as the bar allows
        QCOMPARE(list.selected(), -1); // the wheel never selects

        QTest::keyClick(&list.display, Qt::Key_Home);
        QCOMPARE(list.selected(), 0);
        QCOMPARE(list.position(), 0);
        for (int i = 0; i < 7; ++i)
            QTest::keyClick(&list.display, Qt::Key_Down);
        QCOMPARE(list.selected(), 7);
        QCOMPARE(list.position(), 3); // the seventh cell is the lowest whole one
        QTest::keyClick(&list.display, Qt::Key_PageDown);
        QCOMPARE(list.selected(), 12);
        QCOMPARE(list.position(), 8);
        QTest::keyClick(&list.display, Qt::Key_End);
        QCOMPARE(list.selected(), 49);
        QCOMPARE(list.position(), 45);
        QTest::keyClick(&list.display, Qt::Key_PageUp);
        QCOMPARE(list.selected(), 44);
        QCOMPARE(list.position(), 44);
        QTest::keyClick(&list.display, Qt::Key_Up);
        QCOMPARE(list.selected(), 43);
        QCOMPARE(list.position(), 43);
        QVERIFY(list.display.cellRect(43).top() >= list.display.clientRect().top());

        // The selection follows its record through a sort; so does what is copied.
        QGuiApplication::clipboard()->clear();
        QTest::keyClick(&list.display, Qt::Key_C, Qt::ControlModifier);
        const QString copied = QGuiApplication::clipboard()->text();
        QCOMPARE(copied, BoardClipboardText(board(43)));
        QVERIFY(copied.contains(QStringLiteral("NAME: Board 43\n")));
        QVERIFY(copied.contains(QStringLiteral("IP: 198.18.0.43\n")));
        QVERIFY(copied.contains(QStringLiteral("MAC: 00-00-00-00-00-2B\n")));
        QVERIFY(copied.contains(QStringLiteral("Event1: 0d 0h 0m 0s\n")));

        // Keys the list does not use reach the window; Ctrl+C without a board copies nothing.
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
        QCoreApplication::sendEvent(&list.display, &tab);
        QVERIFY(!tab.isAccepted());
        list.display.table().Clear();
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        QTest::keyClick(&list.display, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
        QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
        QCoreApplication::sendEvent(&list.display, &down);
        QVERIFY(down.isAccepted()); // an empty list still keeps its arrows
    }

    void copiedTextKeepsOneLinePerField() {
        DeviceRecord r = board(7);
        r.name = "Kitchen\r\nprinter, \"left\"";
        r.description = "58mm\x1B[201~\xC2\x9B\x07 cutter"; // would end a bracketed paste
        r.leftLabel = "";
        r.leftDays = 2;
        const QStringList lines =
            BoardClipboardText(r).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY(lines.contains(QStringLiteral("NAME: Kitchen printer, \"left\"")));
        QVERIFY(lines.contains(QStringLiteral("DESCRIPTION: 58mm[201~ cutter")));
        QVERIFY(lines.contains(QStringLiteral("LEFT TIME: 2d 0h 0m 0s"))); // no label: the column's
        QVERIFY(lines.contains(QStringLiteral("Event2: 0d 0h 0m 0s")));
        QVERIFY(!BoardClipboardText(r).contains(QStringLiteral("INTERFACE")));
        QVERIFY(BoardClipboardText(r, QStringLiteral("eth1"))
                    .contains(QStringLiteral("INTERFACE: eth1\n")));
        for (const QString& line : lines)
            QVERIFY2(line.contains(QStringLiteral(": ")), qPrintable(line));
    }
};

QTEST_MAIN(ListNavigationTest)
#include "ListNavigationTest.moc"
