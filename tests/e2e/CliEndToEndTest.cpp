// The `quorvel` command line as a black box, in the rig against the board
// simulator: the executable is run as a script would run it, and its outputs,
// exit codes and the datagrams the boards received are checked. Runs inside
// tests/e2e/rig.sh.
#include "BoardFile.h"
#include "SimulatorRig.h"
#include "protocol/TextDecoding.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <csignal>
#include <memory>

using namespace quorvel;
using namespace quorvel::testing;

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out, err;
};

// Several runs at once: each has a socket of its own, so searches overlap and
// the whole proof costs one ten-second search or two.
class Runs {
public:
    void start(const QString& name, const QStringList& arguments) {
        auto process = std::make_unique<QProcess>();
        process->setProgram(QStringLiteral(QUORVEL_CLI));
        process->setArguments(arguments);
        process->start();
        m_processes.emplace_back(name, std::move(process));
    }
    // Waits for every run started; false when one hangs.
    bool finish() {
        bool all = true;
        for (auto& [name, process] : m_processes) {
            all = process->waitForFinished(60000) && all;
            Run& run = m_results[name];
            run.exitCode = process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1;
            run.out = process->readAllStandardOutput();
            run.err = process->readAllStandardError();
        }
        m_processes.clear();
        return all;
    }
    const Run& operator[](const QString& name) { return m_results[name]; }

private:
    std::vector<std::pair<QString, std::unique_ptr<QProcess>>> m_processes;
    std::map<QString, Run> m_results;
};

// RFC 4180 records: quoted fields with doubled quotes, commas and line breaks.
QList<QStringList> readCsv(const QByteArray& bytes) {
    const QString text = QString::fromUtf8(bytes);
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                field += c, ++i;
            else if (c == '"')
                quoted = false;
            else
                field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            record << field, field.clear();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            record << field, field.clear();
            records << record, record.clear();
            ++i;
        } else {
            field += c;
        }
    }
    return records;
}

QString ipText(const sim::Ipv4& a) {
    return QStringLiteral("%1.%2.%3.%4").arg(a[0]).arg(a[1]).arg(a[2]).arg(a[3]);
}

QString macText(const sim::Mac& m) {
    return QString::asprintf("%02X-%02X-%02X-%02X-%02X-%02X", m[0], m[1], m[2], m[3], m[4], m[5]);
}

QString utf8(const std::string& boardBytes) {
    return QString::fromStdString(DecodeBoardText(boardBytes));
}

// "1d 2h 3m 4s" in seconds.
qint64 elapsedSeconds(const QString& text) {
    const QStringList parts = text.split(' ');
    if (parts.size() != 4)
        return -1;
    return parts[0].chopped(1).toLongLong() * 86400 + parts[1].chopped(1).toLongLong() * 3600 +
           parts[2].chopped(1).toLongLong() * 60 + parts[3].chopped(1).toLongLong();
}

// The tool's one link in the rig.
QString toolInterface() {
    for (const QString& name : QDir("/sys/class/net").entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (name != "lo")
            return name;
    return {};
}

QString writeFile(const QString& name, const QByteArray& content) {
    const QString path = qEnvironmentVariable("QUORVEL_RIG_WORKDIR") + "/" + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return {};
    return path;
}

} // namespace

class CliEndToEndTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        m_twoLinks = qEnvironmentVariable("QUORVEL_RIG_LINKS") == "2";
        const QString reason = SimulatorRig::unavailableReason(m_twoLinks ? 2 : 1);
        if (!reason.isEmpty())
            QSKIP(qPrintable(reason));
        if (m_twoLinks)
            return;
        const sim::BoardsOrError loaded = sim::LoadBoardFile(QUORVEL_EXAMPLE_BOARDS);
        QVERIFY2(loaded.error.empty(), loaded.error.c_str());
        m_boards = loaded.boards;
        QString error;
        QVERIFY2(m_rig.start({"--boards", QUORVEL_EXAMPLE_BOARDS}, &error), qPrintable(error));
    }

    // One search of each output, a directed search, an empty one, status
    // flags by MAC and by address, and arguments refused before any send.
    void searchesAndStatus() {
        if (m_twoLinks)
            QSKIP("runs in the one-link rig");
        Runs runs;
        runs.start("json", {"search", "--json"});
        runs.start("csv", {"search", "--csv", "--quiet"});
        runs.start("table", {"search"});
        runs.start("target", {"search", "--json", "--target", "198.18.1.13"});
        runs.start("empty", {"search", "--port", "9"});
        runs.start("statusMac", {"status", "02-51-56-00-10-02", "--json"});
        runs.start("statusIp", {"status", "198.18.1.14"});
        runs.start("noSuchLink", {"search", "--interface", "nosuch0"});
        runs.start("badPort", {"search", "--port", "70000"});
        QVERIFY(runs.finish());

        const Run& json = runs["json"];
        QCOMPARE(json.exitCode, 0);
        QVERIFY2(json.err.isEmpty(), json.err.constData()); // not a terminal: no progress
        const QJsonArray found = QJsonDocument::fromJson(json.out).array();
        QCOMPARE(found.size(), qsizetype(m_boards.size()));
        const QString link = toolInterface();
        for (const sim::SimBoard& board : m_boards) {
            QJsonObject o;
            for (const QJsonValue& v : found)
                if (v.toObject()["mac"].toString() == macText(board.mac))
                    o = v.toObject();
            QVERIFY2(!o.isEmpty(), qPrintable(macText(board.mac)));
            QCOMPARE(o["ip"].toString(), ipText(board.ip));
            QCOMPARE(o["mode"].toString(), board.staticAddress ? "static" : "DHCP");
            QCOMPARE(o["mask"].toString(), ipText(board.subnetMask));
            QCOMPARE(o["gateway"].toString(), ipText(board.gateway));
            QCOMPARE(o["name"].toString(), utf8(board.name)); // sent as GB18030
            QCOMPARE(o["description"].toString(), utf8(board.description));
            QCOMPARE(o["left_label"].toString(), utf8(board.leftLabel));
            QCOMPARE(o["right_label"].toString(), utf8(board.rightLabel));
            const qint64 left = elapsedSeconds(o["left_elapsed"].toString());
            QVERIFY(left >= qint64(board.leftElapsed) && left < qint64(board.leftElapsed) + 120);
            QCOMPARE(o["reply_port"].toInt(), 3040);
            QCOMPARE(o["interface"].toString(), link);
        }

        // The CSV holds the same boards in the same columns, quoted where needed.
        const QList<QStringList> csv = readCsv(runs["csv"].out);
        QCOMPARE(runs["csv"].exitCode, 0);
        QCOMPARE(csv.size(), qsizetype(m_boards.size()) + 1);
        const QStringList header = csv[0];
        QCOMPARE(header.size(), 13);
        for (qsizetype r = 1; r < csv.size(); ++r) {
            QJsonObject o;
            for (const QJsonValue& v : found)
                if (v.toObject()["mac"].toString() == csv[r][0])
                    o = v.toObject();
            QVERIFY(!o.isEmpty());
            for (qsizetype c = 0; c < header.size(); ++c)
                if (!header[c].endsWith("_elapsed"))
                    QCOMPARE(csv[r][c], o[header[c]].toVariant().toString());
        }

        // The table: a heading and one line per board, names as people read them.
        const QStringList lines =
            QString::fromUtf8(runs["table"].out).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(runs["table"].exitCode, 0);
        QCOMPARE(lines.size(), qsizetype(m_boards.size()) + 1);
        QVERIFY(lines[0].startsWith("MAC "));
        QVERIFY(QString::fromUtf8(runs["table"].out).contains(QString::fromUtf8("厨房打印机")));

        // --target: the search goes to one board's address, and only it answers.
        const QJsonArray targeted = QJsonDocument::fromJson(runs["target"].out).array();
        QCOMPARE(targeted.size(), 1);
        QCOMPARE(targeted[0].toObject()["ip"].toString(), "198.18.1.13");
        bool directed = false;
        for (const LoggedDatagram& d : m_rig.received("search"))
            directed = directed || d.to == "198.18.1.13:3040";
        QVERIFY(directed);

        // Nothing listens on port 9: nothing on standard output, and why.
        const Run& empty = runs["empty"];
        QCOMPARE(empty.exitCode, 1);
        QVERIFY(empty.out.isEmpty());
        QVERIFY2(empty.err.contains("quorvel: no board answered the search\n"), empty.err);
        QVERIFY2(empty.err.contains(("quorvel: searched on " + link + "\n").toUtf8()), empty.err);

        // Status: board 2's word 0x0002 is "Offline"; board 4's 0x1010 is
        // "CoverOpen" and "PaperNearEnd".
        QCOMPARE(runs["statusMac"].exitCode, 0);
        const QJsonObject status = QJsonDocument::fromJson(runs["statusMac"].out).object();
        QVERIFY(status["answered"].toBool());
        QStringList set;
        for (const QJsonValue& flag : status["flags"].toArray())
            if (flag.toObject()["set"].toBool())
                set << flag.toObject()["name"].toString();
        QCOMPARE(set, QStringList{"Offline"});
        QCOMPARE(runs["statusIp"].exitCode, 0);
        const QString byAddress = QString::fromUtf8(runs["statusIp"].out);
        QVERIFY(byAddress.contains(QRegularExpression("CoverOpen +上盖打开 +yes\n")));
        QVERIFY(byAddress.contains(QRegularExpression("PaperNearEnd +纸将尽 +yes\n")));
        QVERIFY(byAddress.contains(QRegularExpression("Offline +脱机 +no\n")));

        QCOMPARE(runs["noSuchLink"].exitCode, 2);
        QCOMPARE(runs["noSuchLink"].err, "quorvel: --interface: no interface named \"nosuch0\" "
                                         "(see quorvel --help)\n");
        QCOMPARE(runs["badPort"].exitCode, 2);
        QVERIFY(runs["noSuchLink"].out.isEmpty() && runs["badPort"].out.isEmpty());
    }

    // A plan with a bad row sends nothing; a plan of three rows, one board
    // silent, assigns two and verifies them; an assign by MAC puts the
    // request's bytes on the wire.
    void assignAndPlans() {
        if (m_twoLinks)
            QSKIP("runs in the one-link rig");
        const QString bad = writeFile("bad-plan.csv", "mac,ip,mask,gateway\n"
                                                      "02-51-56-00-10-01,198.18.3.1,255.254.0.0,"
                                                      "198.18.0.1\n"
                                                      "02-51-56-00-10-02,198.18.3.1,255.254.0.0,"
                                                      "198.18.0.1\n");
        const QString good = writeFile("plan.csv", "# two boards and one that never answers\n"
                                                   "mac,ip,mask,gateway\n"
                                                   "02-51-56-00-10-01,198.18.3.1,255.254.0.0,"
                                                   "198.18.0.1\n"
                                                   "02-51-56-00-10-03,dhcp,,\n"
                                                   "02-51-56-00-99-99,198.18.3.9,255.254.0.0,"
                                                   "198.18.0.1\n");
        QVERIFY(!bad.isEmpty() && !good.isEmpty());

        const qsizetype before = m_rig.received().size();
        Runs refused;
        refused.start("badPlan", {"assign", "--plan", bad});
        refused.start("endless", {"assign", "--plan", "/dev/zero"});
        refused.start("stranding", {"assign", "02-51-56-00-10-05", "--ip", "198.19.255.255",
                                    "--mask", "255.254.0.0", "--gateway", "198.18.0.1"});
        QVERIFY(refused.finish());
        QCOMPARE(refused["stranding"].exitCode, 2);
        QCOMPARE(refused["stranding"].err, "quorvel: IP address: 198.19.255.255 is the broadcast "
                                           "address of its own subnet.\n");
        QCOMPARE(refused["endless"].exitCode, 2);
        QCOMPARE(refused["endless"].err, "quorvel: the plan /dev/zero is larger than 10 MB; split "
                                         "it into smaller plans\n");
        QCOMPARE(refused["badPlan"].exitCode, 2);
        QCOMPARE(refused["badPlan"].err,
                 (bad + ":3: address 198.18.3.1 is planned twice (first on line 2)\n").toUtf8());
        SpinFor(300);
        QCOMPARE(m_rig.received().size(), before); // nothing was sent

        Runs runs;
        runs.start("plan", {"assign", "--plan", good, "--verify", "--json", "--no-ping"});
        runs.start("one", {"assign", "02-51-56-00-10-05", "--ip", "198.18.3.5", "--mask",
                           "255.254.0.0", "--gateway", "198.18.0.1", "--no-ping"});
        QVERIFY(runs.finish());

        QCOMPARE(runs["one"].exitCode, 0);
        QCOMPARE(runs["one"].out, "Success -- Device Programmed\n");
        bool onWire = false;
        for (const LoggedDatagram& d : m_rig.received("assign"))
            onWire =
                onWire || (d.bytes.size() == 24 && d.bytes.left(2) == QByteArray::fromHex("0200") &&
                           d.bytes.mid(4) == QByteArray::fromHex("C6120305FFFE0000C612000102515600"
                                                                 "10050000") &&
                           d.to.endsWith(":3040"));
        QVERIFY(onWire);

        const Run& plan = runs["plan"];
        QCOMPARE(plan.exitCode, 1);
        const QJsonArray rows = QJsonDocument::fromJson(plan.out).array();
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0].toObject()["line"].toInt(), 3);
        QCOMPARE(rows[0].toObject()["result"].toString(), "Success -- Device Programmed");
        QCOMPARE(rows[0].toObject()["verified"].toBool(), true);
        QCOMPARE(rows[1].toObject()["result"].toString(), "Success -- Device Programmed");
        QCOMPARE(rows[1].toObject()["verified"].toBool(), true);
        QCOMPARE(rows[2].toObject()["result"].toString(),
                 "Timeout -- Did not receive an acknowlegement");
        QCOMPARE(rows[2].toObject()["verified"].toBool(), false);
    }

    // Two cables, no default route, loose reverse-path filtering: the board on
    // a factory address foreign to link 2's subnet cannot answer, and the
    // search says why. --interface keeps the search to one link.
    void reversePathDropsAreExplained() {
        if (!m_twoLinks)
            QSKIP("runs in rig.sh --links 2 --no-default-route --rp-filter 2");
        const QString link1 = qEnvironmentVariable("QUORVEL_RIG_TOOL_IF");
        const QString link2 = qEnvironmentVariable("QUORVEL_RIG_TOOL_IF_2");
        const QByteArray header = "mac,ip,mask,gateway,name\n";
        const QString boards1 = writeFile("link1.csv", header + "02-51-56-CC-00-01,198.18.7.1,"
                                                                "255.255.0.0,198.18.0.1,前台\n");
        const QString boards2 = writeFile("link2.csv", header + "02-51-56-CC-00-11,198.19.0.11,"
                                                                "255.255.255.0,198.19.0.1,仓库\n"
                                                                "02-51-56-CC-00-12,198.19.100.7,"
                                                                "255.255.0.0,198.19.100.1,新机\n");
        SimulatorRig rig1(1), rig2(2);
        QString error;
        QVERIFY2(rig1.start({"--boards", boards1}, &error), qPrintable(error));
        QVERIFY2(rig2.start({"--boards", boards2}, &error), qPrintable(error));

        Runs runs;
        runs.start("all", {"search", "--json"});
        runs.start("link1", {"search", "--json", "--interface", link1});
        QVERIFY(runs.finish());

        const Run& all = runs["all"];
        QCOMPARE(all.exitCode, 0);
        QMap<QString, QString> linkOf; // listed IP -> interface
        for (const QJsonValue& v : QJsonDocument::fromJson(all.out).array())
            linkOf[v.toObject()["ip"].toString()] = v.toObject()["interface"].toString();
        QCOMPARE(linkOf, (QMap<QString, QString>{{"198.18.7.1", link1}, {"198.19.0.11", link2}}));
        QVERIFY(!rig2.received("search").isEmpty()); // the foreign board heard it
        QVERIFY2(all.err.contains("quorvel: boards on addresses outside the searched subnets may "
                                  "be missing\n"),
                 all.err);
        QVERIFY2(all.err.contains(("quorvel: the kernel drops replies that reach " + link2 +
                                   " from boards on addresses outside its subnets (loose "
                                   "reverse-path filtering (rp_filter 2) and no default route); "
                                   "add a route through " +
                                   link2)
                                      .toUtf8()),
                 all.err);
        QVERIFY2(all.err.contains("packets from martian sources (in_martian_src"), all.err);

        const QJsonArray onLink1 = QJsonDocument::fromJson(runs["link1"].out).array();
        QCOMPARE(onLink1.size(), 1);
        QCOMPARE(onLink1[0].toObject()["interface"].toString(), link1);
    }

    // Signals end an assignment with the host's neighbour table as found;
    // --dhcp never enters 0.0.0.0; an assign among other boards' replies says
    // nothing of them; unwritable output and an interface that cannot send
    // fail with their own status and say why.
    void interruptedRefusedAndRedirected() {
        if (m_twoLinks)
            QSKIP("runs in the one-link rig");
        const auto permanent = [] {
            QProcess ip;
            ip.start("ip", {"-4", "neigh", "show", "nud", "permanent"});
            ip.waitForFinished();
            return QString::fromUtf8(ip.readAllStandardOutput());
        };
        const QStringList address{"--mask",     "255.254.0.0", "--gateway",
                                  "198.18.0.1", "--wait",      "1"};
        const struct {
            QString ip;
            QStringList more;
            int signal, exitCode;
        } interrupted[] = {{"198.18.3.31", {}, SIGINT, 130},
                           {"198.18.3.32", {"--repeat"}, SIGTERM, 143}};
        for (const auto& c : interrupted) {
            QProcess process;
            process.start(QUORVEL_CLI, QStringList{"assign", "02-51-56-00-99-01", "--ip", c.ip} +
                                           address + c.more);
            // The entry is in before the signal, so its removal proves something.
            for (QDeadlineTimer deadline(8000);
                 !permanent().contains(c.ip + " ") && !deadline.hasExpired();)
                SpinFor(50);
            QVERIFY2(permanent().contains(c.ip + " "), qPrintable(c.ip));
            ::kill(pid_t(process.processId()), c.signal);
            QVERIFY(process.waitForFinished(10000));
            QCOMPARE(process.exitCode(), c.exitCode);
            QVERIFY2(!permanent().contains(c.ip + " "), qPrintable(permanent()));
        }

        // DHCP: the entry and the ping use the board's present address.
        QProcess dhcp;
        dhcp.start(QUORVEL_CLI, {"assign", "02-51-56-00-10-02", "--dhcp", "--wait", "2"});
        QString seen;
        while (!dhcp.waitForFinished(50))
            seen += permanent();
        QCOMPARE(dhcp.exitCode(), 0);
        QVERIFY2(seen.contains("198.18.1.12 ") && !seen.contains("0.0.0.0"), qPrintable(seen));
        QVERIFY2(dhcp.readAllStandardError().isEmpty(), "an assign says nothing of search replies");

        Runs runs;
        runs.start("lo", {"search", "--interface", "lo", "--wait", "1"});
        QVERIFY(runs.finish());
        QCOMPARE(runs["lo"].exitCode, 4);
        QVERIFY2(runs["lo"].err.contains("quorvel: no board answered the search\n") &&
                     runs["lo"].err.contains("skipped lo (loopback)"),
                 runs["lo"].err);
        for (const QStringList& arguments :
             {QStringList{"search", "--json", "--wait", "1"},
              QStringList{"status", "198.18.1.14", "--json", "--wait", "1"}}) {
            QProcess full;
            full.setStandardOutputFile("/dev/full");
            full.start(QUORVEL_CLI, arguments);
            QVERIFY(full.waitForFinished(20000));
            QCOMPARE(full.exitCode(), 5);
            QCOMPARE(full.readAllStandardError(),
                     "quorvel: cannot write to standard output: No space left on device\n");
        }
    }

    // A hostile board's texts reach no terminal as controls, a file as sent; a
    // closed pipe is a write error; the host's own address and gateway are
    // refused before anything is sent, and --force sends without an entry; an
    // entry a killed run left goes at the next run, the administrator's stays.
    // Restarts the simulator with boards of its own: the last test.
    void hostileBoardsAndTheHostsTable() {
        if (m_twoLinks)
            QSKIP("runs in the one-link rig");
        const QString link = qEnvironmentVariable("QUORVEL_RIG_TOOL_IF"), cli = QUORVEL_CLI;
        const QByteArray name = "\x1B]52;c;cHdu\x07pwn\x1B[2J", description = "\x1B[8mh\xC2\x9B";
        const QString boards = writeFile(
            "hostile.csv", "mac,ip,name,description\n02-51-56-EE-00-01,"
                           "198.18.6.1," +
                               name + "," + description + "\n02-51-56-EE-00-02,198.18.6.2,,\n");
        QString error;
        QVERIFY2(m_rig.start({"--boards", boards}, &error), qPrintable(error));
        const auto shell = [](const QString& line) {
            QProcess sh;
            sh.setStandardInputFile(QProcess::nullDevice());
            sh.start("bash", {"-c", "set -o pipefail; " + line});
            sh.waitForFinished(30000);
            return Run{sh.exitCode(), sh.readAllStandardOutput(), sh.readAllStandardError()};
        };
        const QString one = " --quiet --target 198.18.6.1";
        for (const QString format : {"--csv", "--json", ""}) {
            const Run pty =
                shell("script -qec '" + cli + " search " + format + one + "' /dev/null");
            QVERIFY2(pty.exitCode == 0 && pty.out.contains("02-51-56-EE-00-01"), pty.out);
            QVERIFY2(!QString::fromUtf8(pty.out).contains(QRegularExpression("[^\\P{Cc}\r\n]")),
                     pty.out);
            QVERIFY(pty.out.contains(format == "--json" ? R"(\u001b]52;c;cHdu\u0007pwn\u001b[2J)"
                                                        : R"(\x1b]52;c;cHdu\x07pwn\x1b[2J)"));
        }
        QVERIFY(shell(cli + " search --csv" + one).out.contains("," + name + "," + description));
        const Run piped = shell(cli + " search --csv" + one + " | true");
        QCOMPARE(piped.exitCode, 5);
        QCOMPARE(piped.err, "quorvel: cannot write to standard output: Broken pipe\n");

        const QString assign = cli + " assign 02-51-56-EE-00-02 --mask 255.254.0.0 --gateway "
                                     "0.0.0.0 --ip ";
        const auto permanent = [&] { return shell("ip -4 neigh show nud permanent").out; };
        QVERIFY(shell("ip route replace default via 198.18.0.254 dev " + link).exitCode == 0);
        const qsizetype before = m_rig.received().size();
        const Run own = shell(assign + "198.18.0.1"), gateway = shell(assign + "198.18.0.254");
        QCOMPARE(own.exitCode, 2);
        QCOMPARE(own.err, "quorvel: IP address 198.18.0.1 is this computer's own address (on " +
                              link.toUtf8() +
                              "); a printer with it would take this computer's traffic. Nothing "
                              "was sent; --force sends it anyway.\n");
        QVERIFY(gateway.exitCode == 2 && gateway.err.contains("this computer's default gateway"));
        QCOMPARE(m_rig.received().size(), before);
        const Run forced =
            shell(assign + "198.18.0.254 --force & while kill -0 $! 2>/dev/null; "
                           "do ip -4 neigh show 198.18.0.254 nud permanent; sleep 0.02; done");
        QVERIFY(shell("ip route replace default dev " + link).exitCode == 0);
        QVERIFY2(forced.out == "Success -- Device Programmed\n", forced.out); // and no entry
        QVERIFY(forced.err.contains("Sending it anyway (--force).\nquorvel: no neighbour entry and "
                                    "no ping for this assignment: IP address 198.18.0.254"));

        // SIGKILL once the entry is in: it stays, tagged, until the next run.
        QVERIFY(shell("ip neigh add 198.18.6.50 lladdr 02:00:00:00:00:50 nud permanent dev " + link)
                    .exitCode == 0);
        shell(assign +
              "198.18.6.41 & until ip neigh show 198.18.6.41 | grep -q PERM; do sleep 0.01; done; "
              "kill -KILL $!");
        QVERIFY2(permanent().contains("198.18.6.41 dev " + link.toUtf8() +
                                      " lladdr 02:51:56:ee:00:02 PERMANENT proto 147"),
                 permanent());
        const Run next = shell(assign + "198.18.6.42");
        QCOMPARE(next.exitCode, 0);
        QVERIFY2(next.err.contains("quorvel: removed the neighbour entry for 198.18.6.41 "
                                   "(02-51-56-EE-00-02 on " +
                                   link.toUtf8() +
                                   ") left behind by an earlier run that did not end cleanly\n"),
                 next.err);
        QVERIFY2(!permanent().contains("198.18.6.41 ") && permanent().contains("198.18.6.50 "),
                 permanent());
        shell("ip neigh del 198.18.6.50 dev " + link);
    }

private:
    bool m_twoLinks = false;
    SimulatorRig m_rig;
    std::vector<sim::SimBoard> m_boards;
};

QTEST_GUILESS_MAIN(CliEndToEndTest)
#include "CliEndToEndTest.moc"
