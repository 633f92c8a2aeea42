#include "ScrollModel.h"

#include <algorithm>

namespace quorvel {

namespace {

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

} // namespace

std::optional<int> ScrolledPosition(int code, int position, int limit, int thumbPosition) {
    switch (code) {
    case SB_LINEUP:
    case SB_PAGEUP:
        return position > 0 ? position - 1 : position;
    case SB_LINEDOWN:
    case SB_PAGEDOWN:
        return position < limit ? position + 1 : position;
    case SB_THUMBPOSITION:
        return std::clamp(thumbPosition, 0, std::max(limit, 0));
    case SB_THUMBTRACK:
    case SB_ENDSCROLL:
        return position;
    case SB_TOP:
        return 0;
    case SB_BOTTOM:
        return limit;
    default:
        return std::nullopt;
    }
}

int ScrollCodeForSliderAction(int action) {
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
        return SB_LINEUP;
    case QAbstractSlider::SliderSingleStepAdd:
        return SB_LINEDOWN;
    case QAbstractSlider::SliderPageStepSub:
        return SB_PAGEUP;
    case QAbstractSlider::SliderPageStepAdd:
        return SB_PAGEDOWN;
    case QAbstractSlider::SliderToMinimum:
        return SB_TOP;
    case QAbstractSlider::SliderToMaximum:
        return SB_BOTTOM;
    case QAbstractSlider::SliderMove:
        return SB_THUMBTRACK;
    default:
        return -1;
    }
}

std::int64_t HitTestIndex(int y, int position) {
    return (std::int64_t{y} + std::int64_t{position} * kCellHeight) / kCellHeight;
}

std::int64_t CellTop(std::int64_t index, int position) {
    return kCellMargin + (index - position) * kCellHeight;
}

CellRange CellsInRows(int top, int bottom, int position, std::uint32_t recordCount) {
    const std::int64_t first = position + floorDiv(std::int64_t{top} - kCellMargin, kCellHeight);
    const std::int64_t last = position + floorDiv(std::int64_t{bottom} - kCellMargin, kCellHeight);
    return {std::max<std::int64_t>(first, 0),
            std::min<std::int64_t>(last, std::int64_t{recordCount} - 1)};
}

} // namespace quorvel
