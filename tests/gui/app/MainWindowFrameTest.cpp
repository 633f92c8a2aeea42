#include "FakeDatagramSocket.h"
#include "gui/app/CQuorvelApp.h"
#include "gui/app/CQuorvelDlg.h"
#include "gui/app/FontSetup.h"

#include <QTest>
#include <QWindow>

using namespace quorvel;
using quorvel::testing::FakeDatagramSocket;

// The main window inside its self-painted frame.
class MainWindowFrameTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { InstallFontSubstitutions(); }

    // A top-level window of its own, so that it gets a taskbar button: not a
    // dialog, and transient for nothing; still frameless and still modal.
    void isATopLevelWindowWithATaskbarButton() {
        CQuorvelApp app(std::make_unique<FakeDatagramSocket>());
        CQuorvelDlg window{app};
        QCOMPARE(window.windowType(), Qt::Window);
        QVERIFY(window.windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(window.isWindow());
        window.setWindowModality(Qt::ApplicationModal); // as exec() runs it
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.windowHandle());
        QCOMPARE(window.windowHandle()->transientParent(), nullptr);
        QCOMPARE(window.windowHandle()->type(), Qt::Window);
    }

    void templateFillsTheClientAreaInsideTheFrame() {
        CQuorvelApp app(std::make_unique<FakeDatagramSocket>());
        CQuorvelDlg window{app};
        // 480 x 280 dialog units, a 25-pixel caption and 3-pixel borders.
        QCOMPARE(window.size(), QSize(720 + 6, 420 + 28));
        QCOMPARE(window.clientRect(), QRect(3, 25, 720, 420));
        QWidget* list = window.control(MainControl::BoardList);
        QCOMPARE(list->mapTo(&window, QPoint(0, 0)), QPoint(3 + 11, 25 + 45));
        QCOMPARE(window.control(MainControl::Exit)->mapTo(&window, QPoint(0, 0)),
                 QPoint(3 + 624, 25 + 45));
    }

    void windowDrawsTheFrameAndItsTitle() {
        CQuorvelApp app(std::make_unique<FakeDatagramSocket>());
        CQuorvelDlg window{app};
        const QImage image = window.grab().toImage();
        QCOMPARE(QColor(image.pixel(0, 200)), QColor(50, 98, 189));
        QCOMPARE(QColor(image.pixel(100, 2)), QColor(131, 194, 237));
        int white = 0;
        for (int x = 0; x < image.width(); ++x)
            for (int y = 0; y < 25; ++y)
                white += image.pixel(x, y) == qRgb(255, 255, 255);
        QVERIFY(white > 50);
    }
};

QTEST_MAIN(MainWindowFrameTest)
#include "MainWindowFrameTest.moc"
