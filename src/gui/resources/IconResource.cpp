#include "IconResource.h"

#include "DialogTemplates.h"

#include <QPixmap>

namespace quorvel {

namespace {

// The program's icon: a printer with a network plug, 32 x 32 in the
// 16-colour palette.
// clang-format off
const char* const kMainIcon[] = {
"32 32 11 1",
"  c None",
". c #000000",
"# c #808080",
"+ c #C0C0C0",
"@ c #FFFFFF",
"o c #000080",
"b c #0000FF",
"g c #00FF00",
"G c #008000",
"y c #FFFF00",
"Y c #808000",
"                                ",
"        ..............          ",
"        .@@@@@@@@@@@@.          ",
"        .@########@@@.          ",
"        .@@@@@@@@@@@@.          ",
"        .@##########@.          ",
"        .@@@@@@@@@@@@.          ",
"        .@######@@@@@.          ",
"        .@@@@@@@@@@@@.          ",
"  .........................     ",
"  .@@@@@@@@@@@@@@@@@@@@@@@.     ",
"  .@+++++++++++++++++gg++#.     ",
"  .@+++++++++++++++++GG++#.     ",
"  .@++.................++#.     ",
"  .@+++###############+++#.     ",
"  .@+++++++++++++++++++++#.     ",
"  .@+++++++++++++++++++++#.oooo ",
"  .@++++++.........++++++#.bbob ",
"  .@++++++.@@@@@@@.++++++#.  ob ",
"  .@######.@@@@@@@.#######.  ob ",
"  .........@#####@.........  ob ",
"          .@@@@@@@.          ob ",
"          .@####@@.          ob ",
"          .@@@@@@@.      .......",
"          .@@@@@@@.      .++++#.",
"          .........      .#####.",
"                         .++++#.",
"                         .++++#.",
"                         .yYyY#.",
"                         .yYyY#.",
"                         .yYyY#.",
"                         ......."
};
// clang-format on

} // namespace

QIcon LoadIconResource(int id) {
    if (id != IDI_MAINFRAME)
        return {};
    return QIcon(QPixmap(kMainIcon));
}

} // namespace quorvel
