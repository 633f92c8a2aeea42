#pragma once

#include <QFont>

namespace quorvel {

// A cell font whose character cell (ascent + descent, QFontMetrics::height)
// is `cellHeight` pixels: the size a face is asked for is its em height,
// and the faces that stand in for the named ones have taller cells than
// their em. Where no size gives exactly that height, the largest below it.
QFont CellFont(const char* face, int cellHeight, bool bold);

} // namespace quorvel
