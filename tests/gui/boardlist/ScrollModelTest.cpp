#include "gui/boardlist/ScrollModel.h"

#include <QTest>

using namespace quorvel;

class ScrollModelTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void scrollCodesMoveOneCellWithinTheLimit_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("thumb");
        QTest::addColumn<int>("expected");
        // The limit is 5 throughout: six records.
        QTest::newRow("line up") << int(SB_LINEUP) << 3 << 0 << 2;
        QTest::newRow("line up at the top") << int(SB_LINEUP) << 0 << 0 << 0;
        QTest::newRow("page up moves one cell") << int(SB_PAGEUP) << 3 << 0 << 2;
        QTest::newRow("page up at the top") << int(SB_PAGEUP) << 0 << 0 << 0;
        QTest::newRow("line down") << int(SB_LINEDOWN) << 3 << 0 << 4;
        QTest::newRow("line down at the limit") << int(SB_LINEDOWN) << 5 << 0 << 5;
        QTest::newRow("page down moves one cell") << int(SB_PAGEDOWN) << 0 << 0 << 1;
        QTest::newRow("page down at the limit") << int(SB_PAGEDOWN) << 5 << 0 << 5;
        QTest::newRow("thumb position") << int(SB_THUMBPOSITION) << 1 << 4 << 4;
        QTest::newRow("thumb position past the limit") << int(SB_THUMBPOSITION) << 1 << 9 << 5;
        QTest::newRow("thumb track stays") << int(SB_THUMBTRACK) << 1 << 4 << 1;
        QTest::newRow("top") << int(SB_TOP) << 4 << 0 << 0;
        QTest::newRow("bottom") << int(SB_BOTTOM) << 1 << 0 << 5;
        QTest::newRow("end scroll stays") << int(SB_ENDSCROLL) << 2 << 4 << 2;
    }
    void scrollCodesMoveOneCellWithinTheLimit() {
        QFETCH(int, code);
        QFETCH(int, position);
        QFETCH(int, thumb);
        QFETCH(int, expected);
        QCOMPARE(ScrolledPosition(code, position, 5, thumb), std::optional<int>(expected));
    }

    void unknownCodesHaveNoPosition() {
        QCOMPARE(ScrolledPosition(9, 2, 5, 0), std::nullopt);
        QCOMPARE(ScrolledPosition(-1, 2, 5, 0), std::nullopt);
    }

    void sliderActionsMapOntoScrollCodes_data() {
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("code");
        QTest::newRow("step sub") << int(QAbstractSlider::SliderSingleStepSub) << int(SB_LINEUP);
        QTest::newRow("step add") << int(QAbstractSlider::SliderSingleStepAdd) << int(SB_LINEDOWN);
        QTest::newRow("page sub") << int(QAbstractSlider::SliderPageStepSub) << int(SB_PAGEUP);
        QTest::newRow("page add") << int(QAbstractSlider::SliderPageStepAdd) << int(SB_PAGEDOWN);
        QTest::newRow("minimum") << int(QAbstractSlider::SliderToMinimum) << int(SB_TOP);
        QTest::newRow("maximum") << int(QAbstractSlider::SliderToMaximum) << int(SB_BOTTOM);
        QTest::newRow("move") << int(QAbstractSlider::SliderMove) << int(SB_THUMBTRACK);
        QTest::newRow("no action is an error") << int(QAbstractSlider::SliderNoAction) << -1;
    }
    void sliderActionsMapOntoScrollCodes() {
        QFETCH(int, action);
        QFETCH(int, code);
        QCOMPARE(ScrollCodeForSliderAction(action), code);
    }

    void hitTestUsesBandsFromTheClientTop_data() {
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("position");
        QTest::addColumn<qint64>("index");
        QTest::newRow("y 0 at 0") << 0 << 0 << qint64(0);
        QTest::newRow("y 67 at 0") << 67 << 0 << qint64(0);
        QTest::newRow("y 68 at 0") << 68 << 0 << qint64(1);
        QTest::newRow("y 0 at 2") << 0 << 2 << qint64(2);
        QTest::newRow("below three cells") << 204 << 0 << qint64(3);
        QTest::newRow("far down a long list") << 300 << 2000000000 << qint64(2000000004);
    }
    void hitTestUsesBandsFromTheClientTop() {
        QFETCH(int, y);
        QFETCH(int, position);
        QFETCH(qint64, index);
        QCOMPARE(HitTestIndex(y, position), index);
    }

    void cellsInRowsCoverEveryCellThatMeetsThem_data() {
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("bottom");
        QTest::addColumn<int>("position");
        QTest::addColumn<uint>("count");
        QTest::addColumn<qint64>("first");
        QTest::addColumn<qint64>("last");
        QTest::newRow("whole control at 0") << 0 << 364 << 0 << 10000u << qint64(0) << qint64(5);
        QTest::newRow("five records") << 0 << 364 << 0 << 5u << qint64(0) << qint64(4);
        // The cell above the top one reaches down to row 1.
        QTest::newRow("top rows when scrolled") << 0 << 1 << 3 << 10u << qint64(2) << qint64(2);
        QTest::newRow("first row of a cell") << 70 << 70 << 0 << 10u << qint64(1) << qint64(1);
        QTest::newRow("last row of a cell") << 69 << 69 << 0 << 10u << qint64(0) << qint64(0);
        QTest::newRow("below the last cell") << 300 << 364 << 0 << 3u << qint64(4) << qint64(2);
        QTest::newRow("empty table") << 0 << 364 << 0 << 0u << qint64(0) << qint64(-1);
    }
    void cellsInRowsCoverEveryCellThatMeetsThem() {
        QFETCH(int, top);
        QFETCH(int, bottom);
        QFETCH(int, position);
        QFETCH(uint, count);
        QFETCH(qint64, first);
        QFETCH(qint64, last);
        const CellRange range = CellsInRows(top, bottom, position, count);
        if (last < first) {
            QVERIFY(range.last < range.first);
            return;
        }
        QCOMPARE(range.first, first);
        QCOMPARE(range.last, last);
    }
};

QTEST_APPLESS_MAIN(ScrollModelTest)
#include "ScrollModelTest.moc"
