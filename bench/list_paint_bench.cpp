// The device list's costs: one paint with 10,000 records against one with 5
// (only what can be seen is drawn, so the two should cost about the same), and
// adding 10,000 records one by one under a sorted mode, each with its redraw
// request. Prints the figures; run it from a Release build.

#include "gui/app/FontSetup.h"
#include "core/exchange/DeviceTable.h"
#include "gui/boardlist/CNetDisplay.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

using namespace quorvel;

namespace {

// The list's size in the main window.
const QSize kListSize(600, 365);

DeviceRecord board(std::uint32_t n, std::mt19937& random) {
    DeviceRecord r;
    r.name = "Board " + std::to_string(n);
    r.description = "热敏票据打印机 80mm";
    r.staticAddress = static_cast<std::uint8_t>(n & 1);
    const std::uint32_t ip = random();
    for (int i = 0; i < 4; ++i)
        r.ip[i] = static_cast<std::uint8_t>(ip >> (8 * i));
    for (int i = 0; i < 6; ++i)
        r.mac[i] = static_cast<std::uint8_t>(random());
    r.leftLabel = "运行时间: ";
    r.rightLabel = "打印时间: ";
    r.leftDays = random() % 1000;
    r.leftHours = static_cast<std::uint8_t>(random() % 24);
    r.leftMinutes = static_cast<std::uint8_t>(random() % 60);
    r.leftSeconds = static_cast<std::uint8_t>(random() % 60);
    r.rightHours = static_cast<std::uint8_t>(random() % 24);
    r.rightSeconds = static_cast<std::uint8_t>(random() % 60);
    return r;
}

// One paint of the list itself (the scroll bar is a widget of its own), in
// microseconds.
double paintMicroseconds(CNetDisplay& display, QImage& target) {
    QElapsedTimer timer;
    timer.start();
    display.render(&target, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    return timer.nsecsElapsed() / 1000.0;
}

void fill(CNetDisplay& display, std::uint32_t records) {
    std::mt19937 random(7);
    display.resize(kListSize);
    for (std::uint32_t i = 0; i < records; ++i)
        display.table().AddRecord(board(i, random));
    display.table().selectedIndex = 1;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Seconds to add `records` one by one under `mode`, each followed by its
// redraw request. With `paintEach` the event loop runs after every record, so
// every request is painted before the next record comes; without, the
// requests merge and the list paints once at the end.
double addOneByOne(std::uint32_t records, std::int32_t mode, bool descending, bool paintEach) {
    std::mt19937 random(11);
    std::vector<DeviceRecord> boards;
    for (std::uint32_t i = 0; i < records; ++i) {
        boards.push_back(board(i, random));
        if (descending) {
            boards.back().leftDays = records - i;
            boards.back().ip[3] = static_cast<std::uint8_t>(255 - i * 255 / records);
        }
    }
    DeviceTable table;
    CNetDisplay display(table);
    display.resize(kListSize);
    display.table().sortMode = mode;
    display.show();
    QApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    for (const DeviceRecord& r : boards) {
        display.table().AddRecord(r); // ends in the redraw request
        if (paintEach)
            QApplication::processEvents();
    }
    QApplication::processEvents();
    return timer.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    InstallFontSubstitutions();

    // The two lists paint in turns, so that a change in the machine's load
    // falls on both alike.
    const int rounds = 400;
    DeviceTable fewBoards, manyBoards;
    CNetDisplay few(fewBoards);
    CNetDisplay many(manyBoards);
    fill(few, 5);
    fill(many, 10000);
    QImage target(kListSize, QImage::Format_RGB32);
    std::vector<double> fewTimes;
    std::vector<double> manyTimes;
    for (int i = 0; i < 50; ++i) { // warm the font caches
        paintMicroseconds(few, target);
        paintMicroseconds(many, target);
    }
    for (int i = 0; i < rounds; ++i) {
        fewTimes.push_back(paintMicroseconds(few, target));
        manyTimes.push_back(paintMicroseconds(many, target));
    }
    const double fewMedian = median(fewTimes);
    const double manyMedian = median(manyTimes);
    std::printf("One paint of the list (%dx%d), median of %d:\n", kListSize.width(),
                kListSize.height(), rounds);
    std::printf("  5 records:      %8.1f us\n", fewMedian);
    std::printf("  10,000 records: %8.1f us\n", manyMedian);
    std::printf("  ratio:          %8.2f (must not exceed 1.20)\n", manyMedian / fewMedian);

    // The redraw request is update(): requests made before the event loop runs
    // again merge into one paint. For comparison, the second column runs the
    // event loop after every record, so each request is painted before the
    // next record comes.
    std::printf("Adding 10,000 records one by one, each followed by its redraw request "
                "(must stay under 2 s):\n");
    std::printf("  %-40s %12s %18s\n", "", "requests", "one paint per");
    std::printf("  %-40s %12s %18s\n", "", "merged", "record (compare)");
    const auto row = [](const char* what, std::int32_t mode, bool descending) {
        std::printf("  %-40s %10.3f s %16.3f s\n", what,
                    addOneByOne(10000, mode, descending, false),
                    addOneByOne(10000, mode, descending, true));
    };
    row("sorted by left column, random times", SortByLeftColumn, false);
    row("sorted by left column, each goes first", SortByLeftColumn, true);
    row("sorted by IP address, random", SortByIpAddress, false);
    return 0;
}
