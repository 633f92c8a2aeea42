#include "CellFont.h"

#include <QFontMetrics>

namespace quorvel {

QFont CellFont(const char* face, int cellHeight, bool bold) {
    QFont font(QString::fromUtf8(face));
    font.setBold(bold);
    font.setStyleStrategy(QFont::PreferAntialias);
    // Down from an em as tall as the cell in quarter pixels, finer steps than
    // whole pixels; the cell shrinks with the size, so the first that fits is
    // the largest.
    for (int quarters = cellHeight * 4; quarters > 4; --quarters) {
        font.setPointSizeF(quarters / 4.0 * 72.0 / 96.0);
        if (QFontMetrics(font).height() <= cellHeight)
            return font;
    }
    return font;
}

} // namespace quorvel
