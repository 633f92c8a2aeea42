#include "RecordingMessageSink.h"
#include "gui/app/FontSetup.h"
#include "gui/boardlist/CNetDisplay.h"
#include "gui/boardlist/CellFont.h"
#include "gui/boardlist/ScrollModel.h"

#include <QFontMetrics>
#include <QImage>
#include <QScrollBar>
#include <QTest>
#include <climits>

using namespace quorvel;
using quorvel::testing::RecordingMessageSink;

namespace {

const QRgb kTop = qRgb(144, 255, 144);
const QRgb kBottom = qRgb(0, 204, 0);
const QRgb kBlack = qRgb(0, 0, 0);

DeviceRecord board(std::uint8_t lastOctet, std::uint32_t leftDays = 0) {
    DeviceRecord r;
    r.name = "Board " + std::to_string(lastOctet);
    r.description = "厨房打印机";
    const Ipv4Address ip = {10, 0, 0, lastOctet};
    r.ip = ip;
    r.mac[5] = lastOctet;
    r.leftLabel = "Event1:";
    r.rightLabel = "Event2:";
    r.leftDays = leftDays;
    r.rightSeconds = 7;
    return r;
}

// The list as the main window sizes it.
struct ListFixture {
    explicit ListFixture(int records = 0) {
        display.resize(600, 365);
        for (int i = 0; i < records; ++i)
            display.table().AddRecord(board(static_cast<std::uint8_t>(i + 1)));
    }
    QImage image() { return display.grab().toImage().convertToFormat(QImage::Format_RGB32); }
    DeviceTable devices;
    CNetDisplay display{devices};
};

// Whether any pixel in `area` is pure enough blue to be text drawn in blue.
bool hasBlueText(const QImage& image, const QRect& area) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qBlue(p) >= 200 && qRed(p) <= 60 && qGreen(p) <= 60)
                return true;
        }
    return false;
}

// Whether every row of `area` is one colour: nothing drawn there but the gradient.
bool isBlank(const QImage& image, const QRect& area) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixel(x, y) != image.pixel(area.left(), y))
                return false;
    return true;
}

QRect ipLine(int cellTop) {
    return QRect(300, cellTop + 10, 290, 18);
}
QRect leftTimeLine(int cellTop) {
    return QRect(12, cellTop + 44, 280, 16);
}
QRect rightColumnLines(int cellTop) {
    return QRect(300, cellTop + 34, 290, 28); // below the IP line's descenders
}

} // namespace

class NetDisplayTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { InstallFontSubstitutions(); }

    void scrollBarShowsFromTheSixthRecord() {
        ListFixture list(5);
        QScrollBar* bar = list.display.verticalScrollBar();
        QVERIFY(bar->isHidden());
        list.display.table().AddRecord(board(6));
        QVERIFY(!bar->isHidden());
        QCOMPARE(bar->minimum(), 0);
        QCOMPARE(bar->maximum(), 5);
        QCOMPARE(bar->pageStep(), 1);
        QCOMPARE(list.display.clientRect().right(), bar->x() - 1);
    }

    void addingUnderASortedModePlacesTheRecordAtOnce() {
        ListFixture list;
        DeviceTable& table = list.display.table();
        table.sortMode = SortByIpAddress;
        for (std::uint8_t last : {7, 3, 5, 1, 9, 2, 8})
            table.AddRecord(board(last));
        QCOMPARE(table.recordList().front().ip[3], 1);
        QCOMPARE(table.recordList().back().ip[3], 9);
    }

    void scrollingToTheBottomLeavesTheLastCellAtTheTop() {
        ListFixture list(6);
        list.display.OnVScroll(SB_BOTTOM, 0);
        list.display.OnVScroll(SB_ENDSCROLL, 0);
        QCOMPARE(list.display.scrollPosition(), 5);
        const QImage image = list.image();
        QCOMPARE(image.pixel(100, 2), kTop);
        QCOMPARE(image.pixel(100, 69), kBottom);
        QCOMPARE(image.pixel(100, 70), list.display.palette().color(QPalette::Button).rgb());
    }

    void clearingHidesTheBarAndReturnsToTheTop() {
        ListFixture list(8);
        list.display.OnVScroll(SB_BOTTOM, 0);
        list.display.table().Clear();
        QVERIFY(list.display.verticalScrollBar()->isHidden());
        QCOMPARE(list.display.scrollPosition(), 0);
        list.display.table().AddRecord(board(1));
        QCOMPARE(list.image().pixel(100, 2), kTop);
    }

    void everyScrollCodeGoesThroughTheBar() {
        RecordingMessageSink sink;
        ListFixture list(8); // limit 7
        CNetDisplay& d = list.display;
        d.OnVScroll(SB_LINEDOWN, 0);
        d.OnVScroll(SB_PAGEDOWN, 0);
        QCOMPARE(d.scrollPosition(), 2);
        d.OnVScroll(SB_LINEUP, 0);
        QCOMPARE(d.scrollPosition(), 1);
        d.OnVScroll(SB_THUMBPOSITION, 6);
        QCOMPARE(d.scrollPosition(), 6);
        d.OnVScroll(SB_THUMBTRACK, 2);
        QCOMPARE(d.scrollPosition(), 6);
        d.OnVScroll(SB_BOTTOM, 0);
        d.OnVScroll(SB_LINEDOWN, 0);
        QCOMPARE(d.scrollPosition(), 7);
        d.OnVScroll(SB_TOP, 0);
        d.OnVScroll(SB_PAGEUP, 0);
        QCOMPARE(d.scrollPosition(), 0);
        QVERIFY(sink.messages.empty());

        d.OnVScroll(SB_THUMBPOSITION, 3);
        d.OnVScroll(9, 0);
        QCOMPARE(sink.texts(), QStringList{QStringLiteral("Scrolling Error")});
        QCOMPARE(sink.messages[0].icon, MessageIcon::Warning);
        QCOMPARE(d.scrollPosition(), 3);
    }

    void barActionsScrollOneCell() {
        ListFixture list(8);
        QScrollBar* bar = list.display.verticalScrollBar();
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(list.display.scrollPosition(), 2);
        bar->triggerAction(QAbstractSlider::SliderToMaximum);
        QCOMPARE(list.display.scrollPosition(), 7);
        QCOMPARE(bar->sliderPosition(), 7);
    }

    void draggingTheThumbMovesTheCellsOnlyOnRelease() {
        ListFixture list(8);
        QScrollBar* bar = list.display.verticalScrollBar();
        const QRect cells = list.display.clientRect();
        const QImage before = list.image().copy(cells);
        bar->setSliderDown(true);
        bar->setSliderPosition(4);
        QCOMPARE(list.display.scrollPosition(), 0);
        QCOMPARE(list.image().copy(cells), before);
        bar->setSliderDown(false);
        QCOMPARE(list.display.scrollPosition(), 4);
    }

    void clickSelectsTheRecordUnderThePointer_data() {
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("selected");
        QTest::newRow("y 67 at 0") << 3 << 0 << 67 << 0;
        QTest::newRow("y 68 at 0") << 3 << 0 << 68 << 1;
        QTest::newRow("y 0 at 2") << 8 << 2 << 0 << 2;
        QTest::newRow("just below three cells") << 3 << 0 << 204 << -1;
        QTest::newRow("far below three cells") << 3 << 0 << 350 << -1;
    }
    void clickSelectsTheRecordUnderThePointer() {
        QFETCH(int, records);
        QFETCH(int, position);
        QFETCH(int, y);
        QFETCH(int, selected);
        ListFixture list(records);
        list.display.table().selectedIndex = 1;
        list.display.OnVScroll(SB_THUMBPOSITION, position);
        list.display.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list.display));
        QTest::mouseClick(&list.display, Qt::LeftButton, {}, QPoint(200, y));
        QCOMPARE(list.display.table().selectedIndex, selected);
    }

    void cellRunsFromTheTopToTheBottomGradientColour() {
        ListFixture list(2);
        const QImage image = list.image();
        QCOMPARE(image.pixel(2, 2), kTop);
        QCOMPARE(image.pixel(597, 2), kTop);
        QCOMPARE(image.pixel(300, 69), kBottom);
        QCOMPARE(image.pixel(300, 70), kTop);
        QCOMPARE(image.pixel(300, 137), kBottom);
    }

    void theSunkenBorderIsDrawnOverTheCells() {
        const QImage empty = ListFixture().image();
        const QRgb face = empty.pixel(300, 30);
        // Two rows and columns of edge on every side, none of them the fill.
        for (const QPoint p : {QPoint(0, 30), QPoint(1, 30), QPoint(598, 30), QPoint(599, 30),
                               QPoint(300, 0), QPoint(300, 1), QPoint(300, 363), QPoint(300, 364)})
            QVERIFY2(empty.pixel(p) != face, qPrintable(QString("%1,%2").arg(p.x()).arg(p.y())));

        // Scrolled by one, the first cell reaches into the top edge; the edge wins.
        ListFixture list(8);
        list.display.OnVScroll(SB_LINEDOWN, 0);
        list.display.OnVScroll(SB_ENDSCROLL, 0);
        QCOMPARE(list.display.scrollPosition(), 1);
        const QImage scrolled = list.image();
        QCOMPARE(scrolled.pixel(300, 0), empty.pixel(300, 0));
        QCOMPARE(scrolled.pixel(300, 1), empty.pixel(300, 1));
        QCOMPARE(scrolled.pixel(0, 30), empty.pixel(0, 30));
        QCOMPARE(scrolled.pixel(300, 2), kTop); // the second cell starts below the edge
    }

    void cellFontsHaveTheCellHeightsTheLayoutNeeds_data() {
        QTest::addColumn<QString>("face");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("bold");
        QTest::newRow("title") << "Tahoma" << 18 << true;
        QTest::newRow("detail") << "宋体" << 14 << false;
        QTest::newRow("highlight") << "宋体" << 14 << true;
    }

    void cellFontsHaveTheCellHeightsTheLayoutNeeds() {
        QFETCH(QString, face);
        QFETCH(int, height);
        QFETCH(bool, bold);
        const QFont font = CellFont(face.toUtf8().constData(), height, bold);
        QCOMPARE(font.bold(), bold);
        // The cell height itself, or where the face's heights jump over it
        // (ascent and descent are rounded apart), the largest below it.
        const int got = QFontMetrics(font).height();
        QVERIFY2(got <= height && got >= height - 1, qPrintable(QString::number(got)));
        QFont larger = font;
        larger.setPointSizeF(font.pointSizeF() + 0.1875); // a quarter pixel
        QVERIFY(got == height || QFontMetrics(larger).height() > height);
    }

    // Tall capitals with accents and descenders: the ink of each line stays
    // within its own cell height from its origin, and starts at it.
    void textStartsAtItsLineAndColumnAndStaysInItsCell_data() {
        QTest::addColumn<QString>("part");
        QTest::addColumn<QRect>("area"); // where to look for the ink, in the first cell
        QTest::addColumn<int>("originY");
        QTest::addColumn<int>("cellHeight");
        QTest::addColumn<int>("originX"); // -1: not checked
        const int top = 2, left = 2, column2 = left + (598 - left) / 2;
        QTest::newRow("line 1, name")
            << "name" << QRect(left + 10, top, 280, 66) << top + 10 << 18 << left + 10;
        QTest::newRow("line 1, column 2")
            << "ip" << QRect(column2 - 4, top, 290, 30) << top + 10 << 18 << column2;
        QTest::newRow("line 2") << "description" << QRect(left + 10, top, 280, 66) << top + 28 << 14
                                << left + 10;
        QTest::newRow("line 3") << "left" << QRect(left + 10, top, 280, 66) << top + 44 << 14
                                << left + 10;
    }

    void textStartsAtItsLineAndColumnAndStaysInItsCell() {
        QFETCH(QString, part);
        QFETCH(QRect, area);
        QFETCH(int, originY);
        QFETCH(int, cellHeight);
        QFETCH(int, originX);
        const std::string tall = "ÅÉ|gjpqy";
        DeviceRecord r = board(1);
        r.name = part == "name" ? tall : "";
        r.description = part == "description" ? tall : "";
        r.leftLabel = part == "left" ? tall : "";
        ListFixture list;
        DeviceTable& table = list.display.table();
        table.showMac = false;
        table.showRightColumn = false;
        table.showLeftColumn = part == "left";
        table.AddRecord(r);
        const QImage image = list.image();

        int inkTop = INT_MAX, inkBottom = -1, inkLeft = INT_MAX;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (image.pixel(x, y) != image.pixel(3, y)) { // the bare gradient
                    inkTop = std::min(inkTop, y);
                    inkBottom = std::max(inkBottom, y);
                    inkLeft = std::min(inkLeft, x);
                }
        QVERIFY(inkBottom >= 0);
        QVERIFY2(inkTop >= originY - 2 && inkTop <= originY + 4,
                 qPrintable(QString::number(inkTop)));
        QVERIFY2(inkBottom < originY + cellHeight, qPrintable(QString::number(inkBottom)));
        if (originX >= 0)
            QVERIFY2(inkLeft >= originX && inkLeft <= originX + 3,
                     qPrintable(QString::number(inkLeft)));
    }

    void selectedCellKeepsItsFrameWhenASortMovesIt() {
        ListFixture list;
        DeviceTable& table = list.display.table();
        for (std::uint8_t last : {5, 9, 1})
            table.AddRecord(board(last));
        table.selectedIndex = 2;
        table.sortMode = SortByIpAddress;
        table.SortAndRedraw();
        QCOMPARE(table.selectedIndex, 0);
        const QImage image = list.image();
        for (int inset = 0; inset < 4; ++inset) {
            QCOMPARE(image.pixel(300, 2 + inset), kBlack);
            QCOMPARE(image.pixel(300, 69 - inset), kBlack);
            QCOMPARE(image.pixel(2 + inset, 40), kBlack);
            QCOMPARE(image.pixel(597 - inset, 40), kBlack);
        }
        QVERIFY(image.pixel(300, 6) != kBlack);
        QVERIFY(image.pixel(6, 40) != kBlack);
        QCOMPARE(image.pixel(300, 70), kTop); // the unselected cell below
        QCOMPARE(image.pixel(4, 100), image.pixel(8, 100));
    }

    void theSortedFieldIsBlue_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("ipBlue");
        QTest::addColumn<bool>("leftBlue");
        QTest::addColumn<bool>("rightBlue");
        QTest::newRow("left column") << int(SortByLeftColumn) << false << true << false;
        QTest::newRow("right column") << int(SortByRightColumn) << false << false << true;
        QTest::newRow("ip address") << int(SortByIpAddress) << true << false << false;
        QTest::newRow("unsorted") << int(Unsorted) << false << false << false;
    }
    void theSortedFieldIsBlue() {
        QFETCH(int, mode);
        QFETCH(bool, ipBlue);
        QFETCH(bool, leftBlue);
        QFETCH(bool, rightBlue);
        ListFixture list(2);
        list.display.table().sortMode = mode;
        list.display.table().SortAndRedraw();
        const QImage image = list.image();
        for (int top : {2, 70}) {
            QCOMPARE(hasBlueText(image, ipLine(top)), ipBlue);
            QCOMPARE(hasBlueText(image, leftTimeLine(top)), leftBlue);
            QCOMPARE(hasBlueText(image, QRect(300, top + 44, 290, 16)), rightBlue);
            QVERIFY(!hasBlueText(image, QRect(12, top + 10, 280, 34))); // name and description
        }
    }

    void hiddenPartsLeaveTheCellItsFullHeight() {
        ListFixture list(2);
        DeviceTable& table = list.display.table();
        QVERIFY(!isBlank(list.image(), rightColumnLines(2)));
        table.showMac = false;
        table.showLeftColumn = false;
        table.showRightColumn = false;
        table.SortAndRedraw();
        const QImage image = list.image();
        QVERIFY(isBlank(image, rightColumnLines(2)));
        QVERIFY(isBlank(image, leftTimeLine(2)));
        QVERIFY(!isBlank(image, QRect(12, 28, 280, 14))); // the description stays
        QCOMPARE(image.pixel(300, 69), kBottom);
        QCOMPARE(image.pixel(300, 70), kTop);
    }

    void paintingPartOfTheListGivesThePixelsOfPaintingAll_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<QRect>("area");
        QTest::newRow("across a cell boundary") << 0 << QRect(0, 60, 600, 20);
        QTest::newRow("top rows when scrolled") << 3 << QRect(0, 0, 600, 5);
        QTest::newRow("one text line") << 3 << QRect(250, 80, 200, 10);
        QTest::newRow("just above a line's top") << 1 << QRect(0, 96, 600, 3);
        QTest::newRow("bottom edge") << 5 << QRect(0, 340, 600, 25);
    }
    void paintingPartOfTheListGivesThePixelsOfPaintingAll() {
        QFETCH(int, position);
        QFETCH(QRect, area);
        ListFixture list(12);
        list.display.table().selectedIndex = position;
        list.display.OnVScroll(SB_THUMBPOSITION, position);
        const QImage full = list.image();
        QImage partial(full.size(), QImage::Format_RGB32);
        partial.fill(Qt::magenta);
        list.display.render(&partial, area.topLeft(), QRegion(area));
        QCOMPARE(partial.copy(area), full.copy(area));
    }
};

QTEST_MAIN(NetDisplayTest)
#include "NetDisplayTest.moc"
