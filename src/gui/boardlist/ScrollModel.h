#pragma once

#include <QAbstractSlider>
#include <cstdint>
#include <optional>

namespace quorvel {

// Geometry and scrolling of the device list, in client pixels. One scroll
// unit is one cell; the position is the index of the record at the top.

constexpr int kCellHeight = 68;
constexpr int kCellMargin = 2;
constexpr std::uint32_t kRecordsWithoutScrollBar = 5;

enum ScrollCode : int {
    SB_LINEUP = 0,
    SB_LINEDOWN = 1,
    SB_PAGEUP = 2,
    SB_PAGEDOWN = 3,
    SB_THUMBPOSITION = 4,
    SB_THUMBTRACK = 5,
    SB_TOP = 6,
    SB_BOTTOM = 7,
    SB_ENDSCROLL = 8,
};

// The position a scroll code leads to from `position`; `limit` is the largest
// position the bar allows. Empty for an unknown code.
std::optional<int> ScrolledPosition(int code, int position, int limit, int thumbPosition);

// The scroll code for one of the bar's own actions. Anything the bar should
// never report maps to an invalid code, so it surfaces as a scrolling error.
int ScrollCodeForSliderAction(int action);

// The record under client row y. Hit bands start at the client top, two
// pixels above the cells, so a cell's lowest two rows count as the next index.
std::int64_t HitTestIndex(int y, int position);

// Top of cell `index` in client coordinates.
std::int64_t CellTop(std::int64_t index, int position);

// The records whose cells meet client rows [top, bottom]; empty when first > last.
struct CellRange {
    std::int64_t first;
    std::int64_t last;
};
CellRange CellsInRows(int top, int bottom, int position, std::uint32_t recordCount);

} // namespace quorvel
