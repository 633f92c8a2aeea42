#include "FontSetup.h"

#include <QFont>
#include <QStringList>

namespace quorvel {

void InstallFontSubstitutions() {
    const QStringList chinese = {QStringLiteral("WenQuanYi Micro Hei"),
                                 QStringLiteral("Noto Sans CJK SC"), QStringLiteral("DejaVu Sans")};
    // Liberation Sans is about as wide as the Latin faces the layout was made
    // for; DejaVu Sans is wider and cuts the IP line at the cell's edge.
    QStringList latin = {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")};
    latin += chinese;
    QFont::insertSubstitutions(QStringLiteral("宋体"), chinese);
    QFont::insertSubstitutions(QStringLiteral("SimSun"), chinese);
    QFont::insertSubstitutions(QStringLiteral("Tahoma"), latin);
    QFont::insertSubstitutions(QStringLiteral("MS Shell Dlg"), latin);
}

} // namespace quorvel
