#include "gui/dialogs/IpAddressEdit.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

using namespace quorvel;

class IpAddressEditTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void typingFillsTheFourFields_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("address");
        QTest::newRow("dotted") << "192.168.1.50"
                                << "192.168.1.50";
        QTest::newRow("three digits move on") << "10010010010"
                                              << "100.100.100.10";
        QTest::newRow("space moves on too") << "10 0 0 7"
                                            << "10.0.0.7";
        QTest::newRow("past 255 is refused") << "300.256.1.1"
                                             << "30.25.1.1";
        QTest::newRow("letters are refused") << "1a.b2.3.4"
                                             << "1.2.3.4";
        QTest::newRow("a dot in a blank field stays") << "..5"
                                                      << "5.0.0.0";
        QTest::newRow("blank fields read 0") << "7"
                                             << "7.0.0.0";
    }

    void typingFillsTheFourFields() {
        QFETCH(QString, keys);
        QWidget window;
        IpAddressEdit edit(&window);
        edit.setGeometry(0, 0, 150, 21);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        edit.setFocus();
        for (QChar key : keys)
            QTest::keyClick(QApplication::focusWidget(), key.toLatin1());
        QTEST(edit.text(), "address");
    }

    void backspaceAtAFieldsStartGoesBack() {
        QWidget window;
        IpAddressEdit edit(&window);
        edit.setGeometry(0, 0, 150, 21);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        edit.setFocus();
        QTest::keyClicks(QApplication::focusWidget(), "12.");
        QCOMPARE(QApplication::focusWidget(), edit.field(1));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
        QCOMPARE(QApplication::focusWidget(), edit.field(0));
        QCOMPARE(edit.text(), QStringLiteral("1.0.0.0"));
    }

    void tabLeavesTheWholeAddress() {
        QWidget window;
        IpAddressEdit first(&window), second(&window);
        second.move(0, 30);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        first.setFocus();
        QTest::keyClicks(QApplication::focusWidget(), "1.");
        QCOMPARE(QApplication::focusWidget(), first.field(1));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), second.field(0));
    }
};

QTEST_MAIN(IpAddressEditTest)
#include "IpAddressEditTest.moc"
