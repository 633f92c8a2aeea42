#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace quorvel {

// The help file, looked for beside the executable; it wins when present.
QString HelpFilePath(const QString& programDir);

// The installed manual's start page in one language (zh_CN or en), found
// from the executable's folder along the installed layout (bin ->
// share/quorvel/manual), never under the doc folder.
QString ManualPagePath(const QString& programDir, const QString& language);

// The manual's language for a user interface language: English for English,
// Chinese for everything else.
QString ManualLanguage(QLocale::Language uiLanguage);

// What F1 opens: the help file, else the manual in the user's language,
// else the other one. `url` is empty when none exists; `searched` lists the
// paths looked at, in order.
struct HelpLookup {
    QUrl url;
    QStringList searched;
};
HelpLookup LocateHelp(const QString& programDir, QLocale::Language uiLanguage);

} // namespace quorvel
