#include "ListNavigation.h"

#include "ScrollModel.h"

#include <Qt>
#include <algorithm>

namespace quorvel {

namespace {

constexpr int kDeltaPerNotch = 120;

} // namespace

bool IsListNavigationKey(int key) {
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        return true;
    default:
        return false;
    }
}

std::optional<std::int64_t> SelectionAfterKey(int key, std::int64_t selected, int position,
                                              int pageCells, std::uint32_t recordCount) {
    if (recordCount == 0)
        return std::nullopt;
    const std::int64_t last = std::int64_t{recordCount} - 1;
    const std::int64_t page = std::max(pageCells, 1);
    const bool none = selected < 0 || selected > last;
    const std::int64_t from = none ? std::clamp<std::int64_t>(position, 0, last) : selected;
    std::int64_t next;
    switch (key) {
    case Qt::Key_Up:
        next = none ? from : from - 1;
        break;
    case Qt::Key_Down:
        next = none ? from : from + 1;
        break;
    case Qt::Key_PageUp:
        next = none ? from : from - page;
        break;
    case Qt::Key_PageDown:
        next = none ? from : from + page;
        break;
    case Qt::Key_Home:
        next = 0;
        break;
    case Qt::Key_End:
        next = last;
        break;
    default:
        return std::nullopt;
    }
    return std::clamp<std::int64_t>(next, 0, last);
}

int PositionShowing(std::int64_t index, int position, int visibleCells, int limit) {
    std::int64_t next = position;
    if (index < next)
        next = index;
    else if (index >= next + std::max(visibleCells, 1))
        next = index - std::max(visibleCells, 1) + 1;
    return static_cast<int>(std::clamp<std::int64_t>(next, 0, std::max(limit, 0)));
}

int WholeCellsIn(int clientHeight) {
    return std::max((clientHeight - kCellMargin) / kCellHeight, 1);
}

int WheelNotches::take(int angleDelta) {
    // A turn the other way starts afresh rather than first paying back the rest.
    if ((angleDelta > 0 && m_rest < 0) || (angleDelta < 0 && m_rest > 0))
        m_rest = 0;
    m_rest += angleDelta;
    const int notches = m_rest / kDeltaPerNotch;
    m_rest -= notches * kDeltaPerNotch;
    return notches;
}

} // namespace quorvel
