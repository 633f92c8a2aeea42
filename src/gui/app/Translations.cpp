#include "Translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace quorvel {

namespace {

const QString kBaseName = QStringLiteral("quorvel_");

QString languageCode(const QString& name) {
    return name.section(QLatin1Char('_'), 0, 0).toLower();
}

bool isPlainC(const QString& name) {
    const QString code = languageCode(name);
    return code == QLatin1String("c") || code == QLatin1String("posix");
}

bool isSourceLanguage(const QString& name) {
    return languageCode(name) == QLatin1String("zh") || isPlainC(name);
}

// "en-US" gives en_US, then en.
QStringList candidates(const QString& uiLanguage) {
    QString name = uiLanguage;
    name.replace(QLatin1Char('-'), QLatin1Char('_'));
    name = name.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
    QStringList names;
    while (!name.isEmpty()) {
        names << name;
        const qsizetype cut = name.lastIndexOf(QLatin1Char('_'));
        name = cut > 0 ? name.left(cut) : QString();
    }
    return names;
}

QString findFile(const QString& name, const QStringList& directories) {
    for (const QString& directory : directories) {
        const QString file = QDir(directory).filePath(kBaseName + name + QStringLiteral(".qm"));
        if (QFileInfo(file).isFile())
            return file;
    }
    return {};
}

// The language that decided: the first one that is the source language or has a file.
struct Choice {
    QString language;
    QString file;
};

Choice choose(const QStringList& uiLanguages, const QStringList& directories) {
    for (const QString& uiLanguage : uiLanguages) {
        const QStringList names = candidates(uiLanguage);
        if (names.isEmpty())
            continue;
        // The core's English messages are the only texts not written in Chinese.
        if (isSourceLanguage(names.first()))
            return {names.first(), findFile(QStringLiteral("zh_CN"), directories)};
        for (const QString& name : names)
            if (const QString file = findFile(name, directories); !file.isEmpty())
                return {names.first(), file};
    }
    return {};
}

} // namespace

QStringList TranslationDirectories() {
    const QString appDir = QCoreApplication::applicationDirPath();
    QStringList directories{
        appDir + QStringLiteral("/translations"),
        QDir::cleanPath(appDir + QStringLiteral("/../share/quorvel/translations"))};
#ifdef QUORVEL_TRANSLATIONS_DIR
    directories << QStringLiteral(QUORVEL_TRANSLATIONS_DIR);
#endif
    directories.removeDuplicates();
    return directories;
}

QString TranslationFileFor(const QStringList& uiLanguages, const QStringList& directories) {
    return choose(uiLanguages, directories).file;
}

QString InstallTranslations(QCoreApplication& application) {
    return InstallTranslations(application, QLocale::system().uiLanguages(),
                               TranslationDirectories());
}

QString InstallTranslations(QCoreApplication& application, const QStringList& uiLanguages,
                            const QStringList& directories) {
    const Choice choice = choose(uiLanguages, directories);
    if (choice.language.isEmpty())
        return {};

    // Qt's own dialogs and buttons speak the language that decided, Chinese included.
    auto* qt = new QTranslator(&application);
    if (!isPlainC(choice.language) &&
        qt->load(QLocale(choice.language), QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    else
        delete qt;

    if (choice.file.isEmpty())
        return {};
    auto* own = new QTranslator(&application);
    if (!own->load(choice.file)) {
        delete own;
        return {};
    }
    QCoreApplication::installTranslator(own);
    return choice.file;
}

} // namespace quorvel
