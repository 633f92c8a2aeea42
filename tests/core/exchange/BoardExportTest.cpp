#include "core/exchange/BoardExport.h"

#include "protocol/BoardColumns.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace quorvel;

namespace {

DeviceRecord board(int n, std::string name) {
    DeviceRecord r;
    r.name = std::move(name);
    r.ip[0] = 198;
    r.ip[1] = 18;
    r.ip[3] = static_cast<std::uint8_t>(n);
    r.mac[5] = static_cast<std::uint8_t>(n);
    r.replyPort = 3040;
    return r;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class BoardExportTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theFileReadsBackAsTheHeaderAndOneRowPerBoard() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("boards.csv"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("an older, longer export that must not survive in part\r\n");
        old.close();

        const std::vector<DeviceRecord> boards{
            board(1, "Kitchen, left"), board(2, "Bar \"north\"\r\nsecond line"), board(3, "=1+1")};
        QVERIFY(ExportBoardsCsv(path, boards).isEmpty());
        const QByteArray text = readAll(path);
        QVERIFY(text.startsWith(QByteArray::fromStdString(BoardCsvHeader())));
        QVERIFY(text.startsWith("mac,ip,"));
        QVERIFY(text.contains("00-00-00-00-00-01,198.18.0.1,"));
        QVERIFY(text.contains(",\"Kitchen, left\","));
        QVERIFY(text.contains(",\"Bar \"\"north\"\"\r\nsecond line\","));
        QCOMPARE(text, QByteArray::fromStdString(BoardCsvHeader() +
                                                 BoardSpreadsheetRecord(boards[0], "") +
                                                 BoardSpreadsheetRecord(boards[1], "") +
                                                 BoardSpreadsheetRecord(boards[2], "")));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"boards.csv"});
    }

    void aFileThatCannotBeWrittenLeavesNothingBehind_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("no such folder") << QStringLiteral("missing/boards.csv");
        QTest::newRow("a folder in the way") << QStringLiteral("taken");
    }
    void aFileThatCannotBeWrittenLeavesNothingBehind() {
        QFETCH(QString, name);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("taken")));
        const QString reason = ExportBoardsCsv(dir.filePath(name), {board(1, "A")});
        QVERIFY(!reason.isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{"taken"});
        QVERIFY(QDir(dir.filePath(QStringLiteral("taken"))).isEmpty());
    }
};

QTEST_GUILESS_MAIN(BoardExportTest)
#include "BoardExportTest.moc"
