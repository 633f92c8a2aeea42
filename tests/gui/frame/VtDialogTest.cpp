#include "gui/app/FontSetup.h"
#include "gui/frame/CVtDialog.h"

#include <QMenu>
#include <QPushButton>
#include <QTest>

using namespace quorvel;

namespace {

const QRgb kOuter = qRgb(50, 98, 189);
const QRgb kInner = qRgb(132, 176, 223);
const QRgb kBorder = qRgb(94, 137, 203);
const QRgb kClient = qRgb(240, 240, 240);
const QRgb kTitle = qRgb(255, 255, 255);
const QRgb kShadow = qRgb(10, 24, 131);

class RecordingDialog : public CVtDialog {
public:
    explicit RecordingDialog(const QString& title = QStringLiteral("对话框")) {
        setWindowTitle(title);
        setFixedClientSize(QSize(394, 172)); // a window of 400 x 200
    }
    void OnSysCommand(unsigned commandId) override { commands.push_back(commandId); }
    QImage image() { return grab().toImage().convertToFormat(QImage::Format_RGB32); }
    std::vector<unsigned> commands;
};

int countPixels(const QImage& image, const QRect& area, QRgb colour) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += image.pixel(x, y) == colour;
    return n;
}

} // namespace

class VtDialogTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { InstallFontSubstitutions(); }

    void captionBandsSplitAtHalfTheCaption() {
        const CaptionBands bands = CaptionGradientBands(400, 25);
        // As vertices: (2, 2)-(398, 12) and (2, 12)-(398, 24).
        QCOMPARE(bands.upper, QRect(QPoint(2, 2), QPoint(397, 11)));
        QCOMPARE(bands.lower, QRect(QPoint(2, 12), QPoint(397, 23)));
    }

    void clientAreaSitsInsideTheFrame() {
        RecordingDialog dialog;
        QCOMPARE(dialog.size(), QSize(400, 200));
        QCOMPARE(dialog.clientRect(), QRect(3, 25, 394, 172));
        QCOMPARE(dialog.clientArea()->geometry(), dialog.clientRect());
    }

    void frameColoursLieAtTheirPixels_data() {
        QTest::addColumn<QPoint>("pixel");
        QTest::addColumn<QRgb>("colour");
        QTest::newRow("outer left") << QPoint(0, 100) << kOuter;
        QTest::newRow("outer right") << QPoint(399, 100) << kOuter;
        QTest::newRow("outer bottom") << QPoint(200, 199) << kOuter;
        QTest::newRow("inner left") << QPoint(1, 100) << kInner;
        QTest::newRow("inner right") << QPoint(398, 100) << kInner;
        QTest::newRow("inner top") << QPoint(200, 1) << kInner;
        QTest::newRow("inner bottom") << QPoint(200, 198) << kInner;
        QTest::newRow("border left") << QPoint(2, 100) << kBorder;
        QTest::newRow("border bottom") << QPoint(200, 197) << kBorder;
        QTest::newRow("upper band top") << QPoint(12, 2) << qRgb(131, 194, 237);
        QTest::newRow("upper band bottom") << QPoint(397, 11) << qRgb(85, 147, 222);
        QTest::newRow("lower band top") << QPoint(2, 12) << qRgb(54, 119, 201);
        QTest::newRow("lower band bottom") << QPoint(397, 23) << qRgb(44, 85, 177);
        QTest::newRow("last caption row") << QPoint(20, 24) << kBorder;
        QTest::newRow("left of the bands") << QPoint(2, 24) << kBorder;
        QTest::newRow("right of the bands") << QPoint(398, 10) << kInner;
        QTest::newRow("client") << QPoint(3, 25) << kClient;
        QTest::newRow("client corner") << QPoint(396, 196) << kClient;
        QTest::newRow("top-left arc, top") << QPoint(6, 1) << kOuter;
        QTest::newRow("top-left arc, left") << QPoint(1, 6) << kOuter;
        QTest::newRow("top-right arc, top") << QPoint(393, 1) << kOuter;
        QTest::newRow("top-right arc, right") << QPoint(398, 6) << kOuter;
    }
    void frameColoursLieAtTheirPixels() {
        QFETCH(QPoint, pixel);
        QFETCH(QRgb, colour);
        RecordingDialog dialog;
        QCOMPARE(QColor(dialog.image().pixel(pixel)), QColor(colour));
    }

    void titleIsWhiteOverItsShadow() {
        RecordingDialog dialog(QStringLiteral("Tarnex网络打印机设置程序 v1.0 "));
        const QImage image = dialog.image();
        const QRect caption(0, 0, 400, 25);
        QVERIFY(countPixels(image, caption, kTitle) > 20);
        QVERIFY(countPixels(image, caption, kShadow) > 20);
        // Centred: about as much title left of the middle as right of it.
        const int left = countPixels(image, QRect(0, 0, 200, 25), kTitle);
        const int right = countPixels(image, QRect(200, 0, 200, 25), kTitle);
        QVERIFY(qAbs(left - right) < (left + right) / 4);
    }

    void emptyTitleDrawsNoText() {
        RecordingDialog dialog(QString{});
        const QImage image = dialog.image();
        QCOMPARE(countPixels(image, QRect(0, 0, 400, 25), kTitle), 0);
        QCOMPARE(QColor(image.pixel(200, 2)), QColor(131, 194, 237));
    }

    void longTitleStaysOnOneLineInTheCaption() {
        RecordingDialog dialog(QString(80, QChar(u'网')));
        const QImage image = dialog.image();
        QVERIFY(countPixels(image, QRect(0, 0, 400, 25), kTitle) > 100);
        QCOMPARE(countPixels(image, dialog.clientRect(), kTitle), 0);
    }

    void topCornersAreCutOffTheWindow() {
        RecordingDialog dialog;
        dialog.show();
        const QRegion mask = dialog.mask();
        QVERIFY(!mask.contains(QPoint(0, 0)));
        QVERIFY(!mask.contains(QPoint(399, 0)));
        QVERIFY(!mask.contains(QPoint(1, 1)));
        QVERIFY(!mask.contains(QPoint(398, 1)));
        for (QPoint inside : {QPoint(6, 0), QPoint(393, 0), QPoint(0, 6), QPoint(399, 6),
                              QPoint(0, 199), QPoint(399, 199), QPoint(200, 100)})
            QVERIFY2(mask.contains(inside),
                     qPrintable(QStringLiteral("%1,%2").arg(inside.x()).arg(inside.y())));
        // Each arc pixel stays inside the window.
        for (QPoint arc : {QPoint(6, 1), QPoint(4, 1), QPoint(2, 2), QPoint(1, 4)}) {
            QVERIFY(mask.contains(arc));
            QVERIFY(mask.contains(QPoint(399 - arc.x(), arc.y())));
        }
    }

    void regionIsMadeOnceAtOpening() {
        RecordingDialog dialog;
        dialog.show();
        const QRegion opened = dialog.mask();
        dialog.setFixedClientSize(QSize(500, 300));
        dialog.hide();
        dialog.show();
        QCOMPARE(dialog.mask(), opened);
    }

    void rightClickOnTheCaptionOpensTheSystemMenu() {
        RecordingDialog dialog;
        dialog.appendSystemMenuSeparator();
        dialog.appendSystemMenuItem(16, QStringLiteral("&About quorvel..."));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::mouseClick(&dialog, Qt::RightButton, {}, QPoint(100, 50));
        QVERIFY(!dialog.systemMenu()->isVisible());
        QTest::mouseClick(&dialog, Qt::RightButton, {}, QPoint(100, 10));
        QVERIFY(dialog.systemMenu()->isVisible());
        dialog.systemMenu()->actions().last()->trigger();
        QCOMPARE(dialog.commands, std::vector<unsigned>{16});
    }

    void altSpaceOpensTheSystemMenuRatherThanPressingAButton() {
        RecordingDialog dialog;
        auto* button = new QPushButton(QStringLiteral("确定"), dialog.clientArea());
        bool clicked = false;
        connect(button, &QPushButton::clicked, this, [&] { clicked = true; });
        dialog.appendSystemMenuItem(16, QStringLiteral("&About quorvel..."));
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        button->setFocus();
        QTest::keyClick(button, Qt::Key_Space, Qt::AltModifier);
        QVERIFY(dialog.systemMenu()->isVisible());
        QVERIFY(!clicked);
    }

    void draggingTheCaptionMovesTheWindow() {
        RecordingDialog dialog;
        dialog.move(100, 100);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QPoint start = dialog.pos();
        QTest::mousePress(&dialog, Qt::LeftButton, {}, QPoint(50, 10));
        QTest::mouseMove(&dialog, QPoint(80, 30));
        QTest::mouseRelease(&dialog, Qt::LeftButton, {}, QPoint(80, 30));
        QCOMPARE(dialog.pos(), start + QPoint(30, 20));

        // A press in the client area moves nothing.
        QTest::mousePress(&dialog, Qt::LeftButton, {}, QPoint(50, 100));
        QTest::mouseMove(&dialog, QPoint(90, 150));
        QTest::mouseRelease(&dialog, Qt::LeftButton, {}, QPoint(90, 150));
        QCOMPARE(dialog.pos(), start + QPoint(30, 20));
    }
};

QTEST_MAIN(VtDialogTest)
#include "VtDialogTest.moc"
