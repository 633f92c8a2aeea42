#include "gui/app/Translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <QXmlStreamReader>
#include <map>
#include <set>

using namespace quorvel;

namespace {

const QString kBuildDir = QStringLiteral(QUORVEL_BUILD_TRANSLATIONS_DIR);

struct Entry {
    QByteArray context;
    QByteArray source;
    QString translation;
    bool finished;
};

std::vector<Entry> readTs(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    std::vector<Entry> entries;
    QXmlStreamReader xml(&file);
    QByteArray context;
    Entry entry;
    while (xml.readNextStartElement() || !xml.atEnd()) {
        if (!xml.isStartElement())
            continue;
        const auto name = xml.name();
        if (name == QLatin1String("name")) {
            context = xml.readElementText().toUtf8();
        } else if (name == QLatin1String("message")) {
            entry = {context, {}, {}, true};
        } else if (name == QLatin1String("source")) {
            entry.source = xml.readElementText().toUtf8();
        } else if (name == QLatin1String("translation")) {
            entry.finished = xml.attributes().value(QLatin1String("type")).isEmpty();
            entry.translation = xml.readElementText();
            entries.push_back(entry);
        }
    }
    return entries;
}

std::multiset<QString> placeholders(const QString& text) {
    std::multiset<QString> found;
    static const QRegularExpression marker(QStringLiteral("%\\d+"));
    for (const auto& match : marker.globalMatch(text))
        found.insert(match.captured());
    return found;
}

void removeTranslators() {
    // The application owns what InstallTranslations made; dropping them undoes it.
    for (QObject* child : QCoreApplication::instance()->children())
        if (auto* translator = qobject_cast<QTranslator*>(child)) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
}

} // namespace

class TranslationsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { removeTranslators(); }

    void theFirstLanguageThatDecidesChoosesTheFile_data() {
        QTest::addColumn<QStringList>("languages");
        QTest::addColumn<QString>("file");
        const QString en = QStringLiteral("quorvel_en.qm"), zh = QStringLiteral("quorvel_zh_CN.qm");
        QTest::newRow("English") << QStringList{QStringLiteral("en-US")} << en;
        QTest::newRow("English from LANG") << QStringList{QStringLiteral("en_GB.UTF-8")} << en;
        QTest::newRow("no file for German, then English")
            << QStringList{QStringLiteral("de-DE"), QStringLiteral("en")} << en;
        QTest::newRow("Chinese first: the core's messages")
            << QStringList{QStringLiteral("zh-Hans-CN"), QStringLiteral("en")} << zh;
        QTest::newRow("C") << QStringList{QStringLiteral("C")} << zh;
        QTest::newRow("POSIX, then English")
            << QStringList{QStringLiteral("POSIX"), QStringLiteral("en")} << zh;
        QTest::newRow("only languages without a file")
            << QStringList{QStringLiteral("fr")} << QString();
        QTest::newRow("none") << QStringList{} << QString();
    }
    void theFirstLanguageThatDecidesChoosesTheFile() {
        QFETCH(QStringList, languages);
        QFETCH(QString, file);
        QTemporaryDir empty;
        QCOMPARE(TranslationFileFor(languages, {empty.path(), kBuildDir}),
                 file.isEmpty() ? file : QDir(kBuildDir).filePath(file));
    }

    // Every entry of the .ts, looked up as the program does: unchanged under
    // C and Chinese, its English text under English.
    void everyTextIsTranslatedAndTheSourceStaysUnderCAndChinese() {
        const std::vector<Entry> entries = readTs(QStringLiteral(QUORVEL_TS_FILE));
        QVERIFY(entries.size() > 60);
        for (const Entry& e : entries) {
            QVERIFY2(e.finished && !e.translation.isEmpty(), e.source.constData());
            QVERIFY2(placeholders(e.translation) == placeholders(QString::fromUtf8(e.source)),
                     e.source.constData());
            QCOMPARE(QString::fromUtf8(e.source).count(QLatin1Char('&')),
                     e.translation.count(QLatin1Char('&')));
        }

        // Under C and Chinese the core's English messages are Chinese, the rest as written.
        std::map<std::pair<QByteArray, QByteArray>, QString> chinese;
        for (const Entry& e : readTs(QStringLiteral(QUORVEL_ZH_TS_FILE))) {
            QVERIFY(placeholders(e.translation) == placeholders(QString::fromUtf8(e.source)));
            chinese[{e.context, e.source}] = e.translation;
        }
        for (const QStringList& languages :
             {QStringList{QStringLiteral("C")}, QStringList{QStringLiteral("zh-CN")}}) {
            QVERIFY(!InstallTranslations(*QCoreApplication::instance(), languages, {kBuildDir})
                         .isEmpty());
            for (const Entry& e : entries) {
                const auto zh = chinese.find({e.context, e.source});
                QCOMPARE(QCoreApplication::translate(e.context, e.source),
                         zh != chinese.end() ? zh->second : QString::fromUtf8(e.source));
            }
            removeTranslators();
        }

        QVERIFY(!InstallTranslations(*QCoreApplication::instance(), {QStringLiteral("en-US")},
                                     {kBuildDir})
                     .isEmpty());
        for (const Entry& e : entries)
            QCOMPARE(QCoreApplication::translate(e.context, e.source), e.translation);
    }
};

QTEST_GUILESS_MAIN(TranslationsTest)
#include "TranslationsTest.moc"
