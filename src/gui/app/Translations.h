#pragma once

#include <QStringList>

class QCoreApplication;

namespace quorvel {

// The languages of the interface are those of the system locale, in the
// order of preference it gives (LANGUAGE, then LC_ALL, LC_MESSAGES, LANG).
// The program's own texts are written in Simplified Chinese, so a preferred
// Chinese, C or POSIX locale translates only the core's English messages
// (quorvel_zh_CN), which the command line prints as they are.

// Where the program's .qm files are looked for, in this order: beside the
// executable (the build tree), the data directory relative to it, and the
// data directory it was installed to.
QStringList TranslationDirectories();

// The program's translation file for these preferred languages, or empty
// when none has one.
QString TranslationFileFor(const QStringList& uiLanguages, const QStringList& directories);

// Installs the program's translation and Qt's own for the system locale into
// the application, which owns them. Returns the program's file, or empty.
QString InstallTranslations(QCoreApplication& application);

// The same for an explicit list of preferred languages.
QString InstallTranslations(QCoreApplication& application, const QStringList& uiLanguages,
                            const QStringList& directories);

} // namespace quorvel
