#include "FontSetup.h"

#include <QFont>
#include <QStringList>

namespace quorvel {

void InstallFontSubstitutions() {
    const QStringList chinese = {QStringLiteral("WenQuanYi Micro Hei"),
                                 QStringLiteral("Noto Sans CJK SC"), QStringLiteral("DejaVu Sans")};
    QStringList latin = {QStringLiteral("DejaVu Sans")};
    latin += chinese;
    QFont::insertSubstitutions(QStringLiteral("宋体"), chinese);
    QFont::insertSubstitutions(QStringLiteral("SimSun"), chinese);
    QFont::insertSubstitutions(QStringLiteral("Tahoma"), latin);
    QFont::insertSubstitutions(QStringLiteral("MS Shell Dlg"), latin);
}

} // namespace quorvel
