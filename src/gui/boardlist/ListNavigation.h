#pragma once

#include <cstdint>
#include <optional>

namespace quorvel {

// How keys and the wheel move through the device list, apart from any widget.

bool IsListNavigationKey(int key);

// The record a navigation key (Up, Down, Home, End, PageUp, PageDown) selects.
// Without a selection every key but End starts from the cell at the top.
// Empty for any other key and for an empty list.
std::optional<std::int64_t> SelectionAfterKey(int key, std::int64_t selected, int position,
                                              int pageCells, std::uint32_t recordCount);

// The scroll position nearest to `position` that shows cell `index` whole.
int PositionShowing(std::int64_t index, int position, int visibleCells, int limit);

// Whole cells that fit in a list of this client height, at least one.
int WholeCellsIn(int clientHeight);

// Turns wheel deltas (120 per notch; less per event on fine-grained wheels)
// into whole notches, keeping what is left for the next event.
class WheelNotches {
public:
    // Notches towards the top of the list are positive.
    int take(int angleDelta);

private:
    int m_rest = 0;
};

} // namespace quorvel
