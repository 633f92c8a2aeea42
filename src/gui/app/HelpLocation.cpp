#include "HelpLocation.h"

#include <QDir>
#include <QFileInfo>

namespace quorvel {

QString HelpFilePath(const QString& programDir) {
    return QDir(programDir).filePath(QStringLiteral("Quorvel.chm"));
}

QString ManualPagePath(const QString& programDir, const QString& language) {
    return QDir::cleanPath(programDir + QStringLiteral("/" QUORVEL_MANUAL_FROM_BIN "/") + language +
                           QStringLiteral("/index.html"));
}

QString ManualLanguage(QLocale::Language uiLanguage) {
    return uiLanguage == QLocale::English ? QStringLiteral("en") : QStringLiteral("zh_CN");
}

HelpLookup LocateHelp(const QString& programDir, QLocale::Language uiLanguage) {
    const QString preferred = ManualLanguage(uiLanguage);
    const QString other =
        preferred == QStringLiteral("en") ? QStringLiteral("zh_CN") : QStringLiteral("en");
    HelpLookup lookup;
    lookup.searched = {HelpFilePath(programDir), ManualPagePath(programDir, preferred),
                       ManualPagePath(programDir, other)};
    for (const QString& path : lookup.searched) {
        if (QFileInfo(path).isFile()) {
            lookup.url = QUrl::fromLocalFile(path);
            break;
        }
    }
    return lookup;
}

} // namespace quorvel
