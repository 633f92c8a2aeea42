// `quorvel firmware` as a black box in the rig, against Debian's TFTP server
// standing in for the boards' boot loaders and the simulator answering their
// searches: images arrive byte for byte with options and without, a server's
// refusal and a missing server are said, a plan of twenty boards runs four at
// a time, and a board whose link goes down mid-transfer fails alone. Runs
// inside tests/e2e/rig.sh --links 2.
#include "SimulatorRig.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>
#include <memory>

using namespace quorvel::testing;

namespace {

constexpr int kPlanBoards = 20;
const QString kServer = QStringLiteral("/usr/sbin/in.tftpd");

QString workdir() {
    return qEnvironmentVariable("QUORVEL_RIG_WORKDIR");
}

QByteArray pattern(int size, int seed) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((unsigned(i) * 131u + unsigned(seed)) ^ (unsigned(i) >> 11));
    return bytes;
}

QString writeFile(const QString& name, const QByteArray& content) {
    const QString path = workdir() + "/" + name;
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() ? path
                                                                                    : QString();
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString macOf(int board) {
    return QString::asprintf("02-51-56-00-00-%02X", board);
}

struct Run {
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
    int exitCode = -1;
    QByteArray out, err;

    void start(const QStringList& arguments) {
        process->start(QStringLiteral(QUORVEL_CLI), arguments);
    }
    bool finish(int ms = 90000) {
        const bool ended = process->waitForFinished(ms);
        exitCode = process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1;
        out = process->readAllStandardOutput();
        err = process->readAllStandardError();
        return ended;
    }
    // One JSON object a board, by IP.
    QMap<QString, QJsonObject> boards() const {
        QMap<QString, QJsonObject> byIp;
        for (const QByteArray& line : out.split('\n'))
            if (!line.isEmpty()) {
                const QJsonObject o = QJsonDocument::fromJson(line).object();
                byIp.insert(o.value("ip").toString(), o);
            }
        return byIp;
    }
};

} // namespace

class FirmwareEndToEndTest : public QObject {
    Q_OBJECT

    // A boot loader at `address` writing into a folder of its own.
    QString startServer(const QString& ns, const QString& address, const QStringList& extra = {},
                        bool writable = true) {
        const QString folder = workdir() + "/tftp-" + address;
        QDir().mkpath(folder);
        QFile::setPermissions(folder, writable
                                          ? QFileDevice::Permissions(0x7777)
                                          : QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                                QFileDevice::ReadOther | QFileDevice::ExeOther);
        auto server = std::make_unique<QProcess>();
        server->start("ip", QStringList{"netns", "exec", ns, kServer, "--foreground", "--address",
                                        address + ":69", "--create", "--secure"} +
                                extra + QStringList{folder});
        server->waitForStarted();
        m_servers.push_back(std::move(server));
        return folder + "/boot.img";
    }

    std::vector<std::unique_ptr<QProcess>> m_servers; // the rig ends them
    SimulatorRig m_boards{1};
    SimulatorRig m_farBoards{2};

private Q_SLOTS:
    void initTestCase() {
        const QString reason = SimulatorRig::unavailableReason(2);
        if (!reason.isEmpty())
            QSKIP(qPrintable(reason));
        if (!QFile::exists(kServer))
            QSKIP("Debian's TFTP server is missing: apt-get install tftpd-hpa");
        QString error;
        QVERIFY2(m_boards.start({"--count", "24"}, &error), qPrintable(error));
        const QString far = writeFile("far.csv", "mac,ip,mask\n02-51-56-00-01-00,198.19.0.20,"
                                                 "255.255.255.0\n");
        QVERIFY2(m_farBoards.start({"--boards", far}, &error), qPrintable(error));
    }

    void everyCaseInOneRun() {
        const QString ns = qEnvironmentVariable("QUORVEL_RIG_BOARDS_NS");
        const QByteArray big = pattern(3 * 1024 * 1024 + 17, 1);
        const QByteArray small = pattern(300 * 1024, 2);
        const QByteArray huge = pattern(30 * 1024 * 1024, 3);
        const QString bigImage = writeFile("big.img", big);
        const QString hugeImage = writeFile("huge.img", huge);
        writeFile("small.img", small);

        const QString negotiated = startServer(ns, "198.18.1.21");
        const QString plain = startServer(ns, "198.18.1.22", {"--refuse", "blksize"});
        startServer(ns, "198.18.1.23", {}, false);
        QStringList planned;
        QByteArray plan = "mac,file\n";
        for (int board = 1; board <= kPlanBoards; ++board) {
            planned << startServer(ns, QStringLiteral("198.18.1.%1").arg(board));
            plan += macOf(board).toLatin1() + ",small.img\n";
        }
        // The far board: plain blocks, so that its transfer lasts while its link goes down.
        const QString far = startServer(qEnvironmentVariable("QUORVEL_RIG_BOARDS_NS_2"),
                                        "198.19.0.20", {"--refuse", "blksize"});
        const QString planFile = writeFile("plan.csv", plan);
        const QString farPlan = writeFile("far-plan.csv", "mac,file\n02-51-56-00-01-00,huge.img\n" +
                                                              macOf(1).toLatin1() + ",small.img\n" +
                                                              macOf(2).toLatin1() + ",small.img\n");
        QTest::qWait(300); // the servers bind

        Run withOptions, withoutOptions, refused, noServer, fleet;
        withOptions.start({"firmware", "198.18.1.21", "--file", bigImage, "--json"});
        withoutOptions.start({"firmware", "198.18.1.22", "--file", bigImage, "--json"});
        refused.start({"firmware", "198.18.1.23", "--file", bigImage, "--no-wait"});
        noServer.start({"firmware", "198.18.1.24", "--file", bigImage, "--no-wait"});
        QVERIFY(withOptions.finish() && withoutOptions.finish() && refused.finish() &&
                noServer.finish());

        // Byte for byte, with 1468-byte blocks and with the plain 512.
        QCOMPARE(withOptions.exitCode, 0);
        const QJsonObject one = withOptions.boards().value("198.18.1.21");
        QCOMPARE(one.value("mac").toString(), macOf(21));
        QCOMPARE(one.value("bytes_sent").toInteger(), big.size());
        QCOMPARE(one.value("result").toString(), QStringLiteral("sent"));
        QCOMPARE(one.value("back").toBool(), true);
        QCOMPARE(readFile(negotiated), big);
        QCOMPARE(withoutOptions.exitCode, 0);
        QCOMPARE(readFile(plain), big);
        // A server's refusal, and a board without a server, in words.
        QCOMPARE(refused.exitCode, 1);
        QVERIFY2(refused.out.contains("refused: error 0 (not defined): Permission denied"),
                 refused.out);
        QCOMPARE(noServer.exitCode, 1);
        QVERIFY2(noServer.out.contains("no TFTP server answered at 198.18.1.24 (its TFTP port is "
                                       "closed)"),
                 noServer.out);

        // Twenty boards, four at a time, every image whole.
        fleet.start({"firmware", "--plan", planFile, "--parallel", "4", "--json"});
        QVERIFY(fleet.finish());
        QCOMPARE(fleet.exitCode, 0);
        QCOMPARE(fleet.boards().size(), kPlanBoards);
        for (const QString& written : planned)
            QVERIFY2(readFile(written) == small, qPrintable(written));

        // The far board's link goes down mid-transfer: it ends with what was
        // sent, the others carry on.
        Run cut;
        cut.start({"firmware", "--plan", farPlan, "--no-wait", "--json"});
        QVERIFY(SpinUntil([&] { return QFileInfo(far).size() > 2 * 1024 * 1024; }, 20000));
        QProcess::execute("ip",
                          {"link", "set", qEnvironmentVariable("QUORVEL_RIG_TOOL_IF_2"), "down"});
        QVERIFY(cut.finish());
        QCOMPARE(cut.exitCode, 1);
        const QJsonObject farBoard = cut.boards().value("198.19.0.20");
        QCOMPARE(farBoard.value("result").toString(), QStringLiteral("failed"));
        QVERIFY2(farBoard.value("text").toString().contains("198.19.0.20 stopped answering"),
                 cut.out);
        QVERIFY(farBoard.value("bytes_sent").toInteger() > 2 * 1024 * 1024);
        QVERIFY(farBoard.value("bytes_sent").toInteger() < huge.size());
        QCOMPARE(cut.boards().value("198.18.1.1").value("result").toString(),
                 QStringLiteral("sent"));
        QCOMPARE(cut.boards().value("198.18.1.2").value("result").toString(),
                 QStringLiteral("sent"));
    }

    void badImagesSendNothing() {
        const QString empty = writeFile("empty.img", {});
        const struct {
            QString file;
            const char* text;
        } cases[] = {
            {workdir(), "is not a file (a folder or a device)"},
            {empty, "is empty; no board takes an empty image."},
            {workdir() + "/missing.img", "does not exist"},
        };
        for (const auto& c : cases) {
            Run run;
            run.start({"firmware", "198.18.1.21", "--file", c.file});
            QVERIFY(run.finish());
            QCOMPARE(run.exitCode, 2);
            QVERIFY2(run.err.contains(c.text), run.err);
        }
    }
};

QTEST_GUILESS_MAIN(FirmwareEndToEndTest)
#include "FirmwareEndToEndTest.moc"
