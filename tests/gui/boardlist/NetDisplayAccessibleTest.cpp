#include "gui/app/FontSetup.h"
#include "gui/boardlist/CNetDisplay.h"

#include <QAccessible>
#include <QApplication>
#include <QTest>

using namespace quorvel;

namespace {

DeviceRecord board(int n) {
    DeviceRecord r;
    r.name = "Board " + std::to_string(n);
    r.description = "厨房打印机";
    const Ipv4Address ip = {198, 18, 1, static_cast<std::uint8_t>(n)};
    r.ip = ip;
    r.mac[0] = 0x0A;
    r.mac[5] = static_cast<std::uint8_t>(n);
    return r;
}

} // namespace

class NetDisplayAccessibleTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { InstallFontSubstitutions(); }

    // Rows, their texts and states, and the selection as the focus, on a
    // list of fifty boards.
    void theListShowsItsBoardsAsRows() {
        DeviceTable devices;
        CNetDisplay display(devices);
        display.resize(600, 365);
        for (int i = 0; i < 50; ++i)
            display.table().AddRecord(board(i));
        display.show();
        QApplication::setActiveWindow(&display);
        display.setFocus();
        QVERIFY(QTest::qWaitForWindowActive(&display));

        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&display);
        QVERIFY(list);
        QCOMPARE(list->role(), QAccessible::List);
        QCOMPARE(list->text(QAccessible::Name), QStringLiteral("打印机列表"));
        QCOMPARE(list->childCount(), 50);
        QVERIFY(!list->focusChild());

        QAccessibleInterface* row = list->child(7);
        QVERIFY(row && row->isValid());
        QCOMPARE(row->role(), QAccessible::ListItem);
        QCOMPARE(row->text(QAccessible::Name),
                 QStringLiteral("Board 7, 198.18.1.7, 0A-00-00-00-00-07"));
        QCOMPARE(row->text(QAccessible::Description), QStringLiteral("厨房打印机"));
        QCOMPARE(row->parent(), list);
        QCOMPARE(list->indexOfChild(row), 7);
        QCOMPARE(list->child(7), row);   // one interface per row, kept
        QVERIFY(row->state().offscreen); // below the five cells shown
        QVERIFY(!list->child(2)->state().offscreen);
        QVERIFY(!list->child(50));

        // A cell's screen rectangle leads back to its row.
        const QRect cell = list->child(2)->rect();
        QCOMPARE(cell.size(), QSize(display.clientRect().width() - 4, 68));
        QCOMPARE(list->childAt(cell.center().x(), cell.center().y()), list->child(2));

        for (int i = 0; i < 8; ++i)
            QTest::keyClick(&display, Qt::Key_Down);
        QCOMPARE(display.table().selectedIndex, 7);
        QCOMPARE(list->focusChild(), row);
        QVERIFY(row->state().selected);
        QVERIFY(row->state().focused);
        QVERIFY(!row->state().offscreen); // scrolled into view
        QVERIFY(!list->child(6)->state().selected);

        // A click moves the focus too.
        QTest::mouseClick(&display, Qt::LeftButton, {}, QPoint(100, 2 + 68 + 30));
        QCOMPARE(list->focusChild(), list->child(display.scrollPosition() + 1));

        // Rows past the end of a cleared list are gone, not stale.
        display.table().Clear();
        QCOMPARE(list->childCount(), 0);
        QVERIFY(!row->isValid());
        QVERIFY(row->text(QAccessible::Name).isEmpty());
        QVERIFY(!list->focusChild());
    }
};

QTEST_MAIN(NetDisplayAccessibleTest)
#include "NetDisplayAccessibleTest.moc"
