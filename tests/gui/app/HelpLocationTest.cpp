#include "gui/app/HelpLocation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace quorvel;

class HelpLocationTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void findsTheHelpInItsOrder_data() {
        QTest::addColumn<QStringList>("present"); // "chm", "zh_CN", "en"
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("opened"); // "" when nothing
        const int zh = QLocale::Chinese, en = QLocale::English, de = QLocale::German;
        QTest::newRow("the help file wins") << QStringList{"chm", "zh_CN", "en"} << en << "chm";
        QTest::newRow("Chinese by default") << QStringList{"zh_CN", "en"} << zh << "zh_CN";
        QTest::newRow("Chinese for other languages") << QStringList{"zh_CN", "en"} << de << "zh_CN";
        QTest::newRow("English for English") << QStringList{"zh_CN", "en"} << en << "en";
        QTest::newRow("Chinese when English is missing") << QStringList{"zh_CN"} << en << "zh_CN";
        QTest::newRow("English when Chinese is missing") << QStringList{"en"} << zh << "en";
        QTest::newRow("nothing") << QStringList{} << zh << "";
    }
    void findsTheHelpInItsOrder() {
        QFETCH(QStringList, present);
        QFETCH(int, language);
        QFETCH(QString, opened);
        QTemporaryDir dir;
        const QString bin = dir.filePath(QStringLiteral("bin"));
        QVERIFY(QDir().mkpath(bin));
        const auto pathOf = [&](const QString& what) {
            return what == QStringLiteral("chm") ? HelpFilePath(bin) : ManualPagePath(bin, what);
        };
        for (const QString& what : present) {
            QVERIFY(QDir().mkpath(QFileInfo(pathOf(what)).path()));
            QFile file(pathOf(what));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }

        const HelpLookup help = LocateHelp(bin, QLocale::Language(language));
        QCOMPARE(help.url, opened.isEmpty() ? QUrl() : QUrl::fromLocalFile(pathOf(opened)));
        QCOMPARE(help.searched.size(), 3);
        QCOMPARE(help.searched[0], bin + QStringLiteral("/Quorvel.chm"));
        // Every place looked at lies inside the install: beside bin, not in it,
        // and under the data folder, which minimal systems keep, not under doc.
        for (const QString& place : help.searched.mid(1)) {
            QVERIFY2(place.startsWith(dir.path() + QStringLiteral("/share/quorvel/manual/")),
                     qPrintable(place));
            QVERIFY(place.endsWith(QStringLiteral("/index.html")));
        }
    }
};

QTEST_GUILESS_MAIN(HelpLocationTest)
#include "HelpLocationTest.moc"
