// `quorvel monitor` watched by a real Prometheus, all inside the rig's tool
// namespace (Prometheus and the endpoint on its own loopback): one board runs
// out of paper and another falls silent, the link goes down and comes back,
// and Prometheus's query API and the monitor's JSON lines show each step.
// Then Prometheus scrapes over TLS with basic auth, and the endpoint holds
// against idle and pipelining peers with 10,000 boards. Runs inside tests/e2e/rig.sh.
#include "SimulatorRig.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QSslSocket>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

using namespace quorvel::testing;

namespace {

constexpr quint16 kMonitorPort = 9847;
constexpr quint16 kPrometheusPort = 9090;
// The rest of a request line and the headers every request here has.
const QByteArray kHttp = " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n";
const QString kPaperOut = QStringLiteral("02-51-56-00-20-01");
const QString kSilent = QStringLiteral("02-51-56-00-20-02");

// All a server sends back for a raw request on this namespace's loopback
// (over TLS, any certificate taken, with `tls`).
QByteArray exchange(quint16 port, const QByteArray& request, bool tls = false) {
    QSslSocket socket;
    socket.setPeerVerifyMode(QSslSocket::VerifyNone);
    if (tls)
        socket.connectToHostEncrypted("127.0.0.1", port);
    else
        socket.connectToHost(QHostAddress::LocalHost, port);
    if (tls && !socket.waitForEncrypted(5000))
        return {};
    socket.write(request);
    QByteArray reply;
    while (socket.waitForReadyRead(5000))
        reply += socket.readAll();
    return reply;
}

// The value of the one series an instant query finds, or "" when none.
QString queryValue(const QString& query, quint16 prometheusPort = kPrometheusPort) {
    const QByteArray reply =
        exchange(prometheusPort,
                 "GET /api/v1/query?query=" + QUrl::toPercentEncoding(query) + kHttp + "\r\n");
    const QJsonArray result = QJsonDocument::fromJson(reply.mid(reply.indexOf("\r\n\r\n") + 4))
                                  .object()["data"]
                                  .toObject()["result"]
                                  .toArray();
    return result.size() == 1 ? result[0].toObject()["value"].toArray()[1].toString() : QString();
}

bool upBoardsBecome(const char* count) {
    return SpinUntil([count] { return queryValue("sum(quorvel_printer_up)") == count; }, 60000);
}

// The monitor's resident memory, in kB.
long residentKilobytes(const QProcess& process) {
    QFile status(QStringLiteral("/proc/%1/status").arg(process.processId()));
    const QByteArray text = status.open(QIODevice::ReadOnly) ? status.readAll() : QByteArray();
    return text.mid(text.indexOf("VmRSS:") + 6).trimmed().split(' ').value(0).toLong();
}

bool writeFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

int run(const QString& program, const QStringList& arguments, QByteArray* errors = nullptr) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(30000);
    if (errors)
        *errors = process.readAllStandardError();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

} // namespace

class MonitorEndToEndTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        if (const QString reason = SimulatorRig::unavailableReason(); !reason.isEmpty())
            QSKIP(qPrintable(reason));
        for (const char* tool : {"prometheus", "promtool", "openssl"})
            if (QStandardPaths::findExecutable(tool).isEmpty())
                QSKIP(qPrintable(
                    QStringLiteral("%1 is missing (scripts/setup.sh installs it)").arg(tool)));
        QVERIFY(m_scratch.isValid());
    }

    void prometheusFollowsTheFleet() {

        // After its fourth answer the first board is out of paper; the second
        // answers four times, then never again; the third stays well.
        QFile boards(m_scratch.filePath("boards.csv"));
        QVERIFY(boards.open(QIODevice::WriteOnly));
        boards.write("mac,ip,mask,name,status,later_status,change_after,silent_after\n"
                     "02-51-56-00-20-01,198.18.2.1,255.254.0.0,\"Till \"\"1\"\"\",0,0x2000,4,0\n"
                     "02-51-56-00-20-02,198.18.2.2,255.254.0.0,K,0,0,0,4\n"
                     "02-51-56-00-20-03,198.18.2.3,255.254.0.0,B,0,0,0,0\n");
        boards.close();
        QString error;
        QVERIFY2(m_rig.start({"--boards", boards.fileName()}, &error), qPrintable(error));

        const QString textfile = m_scratch.filePath("quorvel.prom");
        const QStringList listen = {"--listen", QString::number(kMonitorPort)};
        m_monitor.start(QUORVEL_CLI, QStringList{"monitor", "--json", "--quiet", "--interval", "1",
                                                 "--wait", "3", "--textfile", textfile} +
                                         listen);
        QVERIFY(m_monitor.waitForStarted(10000));

        QFile config(m_scratch.filePath("prometheus.yml"));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write(QStringLiteral("global: {scrape_interval: 1s, scrape_timeout: 1s}\n"
                                    "scrape_configs: [{job_name: quorvel, static_configs: "
                                    "[{targets: ['127.0.0.1:%1']}]}]\n")
                         .arg(kMonitorPort)
                         .toUtf8());
        config.close();
        m_prometheus.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_prometheus.start(
            "prometheus", {"--config.file=" + config.fileName(),
                           "--storage.tsdb.path=" + m_scratch.filePath("data"),
                           QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(kPrometheusPort),
                           "--log.level=warn"});
        QVERIFY(m_prometheus.waitForStarted(10000));
        QVERIFY2(upBoardsBecome("3"), "Prometheus never saw three boards up");

        // The endpoint serves GET /metrics and / and refuses the rest, a
        // request longer than any it takes too.
        const struct {
            QByteArray request, statusLine;
        } requests[] = {
            {"GET /metrics" + kHttp + "\r\n", "HTTP/1.1 200"},
            {"GET /" + kHttp + "\r\n", "HTTP/1.1 200"},
            {"POST /metrics" + kHttp + "Content-Length: 0\r\n\r\n", "HTTP/1.1 405"},
            {"GET /metrics/../etc" + kHttp + "\r\n", "HTTP/1.1 404"},
            {"GET /metrics" + kHttp + "X-Pad: " + QByteArray(40000, 'a') + "\r\n\r\n",
             "HTTP/1.1 431"},
        };
        for (const auto& [request, statusLine] : requests) {
            const QByteArray reply = exchange(kMonitorPort, request);
            QVERIFY2(reply.startsWith(statusLine), reply.left(200).constData());
        }
        QVERIFY(exchange(kMonitorPort, requests[0].request).contains("quorvel_monitor_boards 3"));

        // A second monitor on the same endpoint is refused with one line.
        QByteArray refusal;
        QCOMPARE(run(QUORVEL_CLI, QStringList{"monitor", "--quiet"} + listen, &refusal), 4);
        QVERIFY2(refusal.startsWith("quorvel: cannot listen on 127.0.0.1:9847: ") &&
                     refusal.count('\n') == 1,
                 refusal.constData());

        // The monitor tells both changes on its JSON lines...
        QByteArray out;
        QJsonObject paperOut, silent;
        QVERIFY2(SpinUntil(
                     [&] {
                         out += m_monitor.readAllStandardOutput();
                         for (const QByteArray& line : out.split('\n')) {
                             const QJsonObject o = QJsonDocument::fromJson(line).object();
                             if (o["mac"] == kPaperOut && o["new"].toArray().contains("PaperOut"))
                                 paperOut = o;
                             if (o["mac"] == kSilent && o["answered"] == false &&
                                 o["old"].isArray())
                                 silent = o;
                         }
                         return !paperOut.isEmpty() && !silent.isEmpty();
                     },
                     60000),
                 out.constData());
        QCOMPARE(paperOut["name"].toString(), "Till \"1\"");

        // ...and Prometheus has both within three one-second scrapes (with
        // room for a loaded machine).
        QVERIFY(SpinUntil(
            [] {
                return queryValue(QStringLiteral("quorvel_printer_flag{mac=\"%1\",flag="
                                                 "\"paper_out\"}")
                                      .arg(kPaperOut)) == "1" &&
                       queryValue(QStringLiteral("quorvel_printer_up{mac=\"%1\"}").arg(kSilent)) ==
                           "0";
            },
            20000));
        QCOMPARE(queryValue("sum(quorvel_printer_up)"), "2");

        // The link lost: every board goes silent and the monitor keeps going;
        // back again: the boards answer again.
        const QString link = qEnvironmentVariable("QUORVEL_RIG_TOOL_IF");
        QCOMPARE(run("ip", {"link", "set", "dev", link, "down"}), 0);
        QVERIFY2(upBoardsBecome("0"), "the boards stayed up without a link");
        QCOMPARE(run("ip", {"link", "set", "dev", link, "up"}), 0);
        QVERIFY2(upBoardsBecome("2"), "the boards never came back with the link");
        QCOMPARE(m_monitor.state(), QProcess::Running);

        // The textfile is the same exposition, and promtool takes it.
        QCOMPARE(run("sh", {"-c", "promtool check metrics < \"$0\"", textfile}), 0);

        // SIGTERM ends the monitor well.
        m_monitor.terminate();
        QVERIFY(m_monitor.waitForFinished(15000));
        QCOMPARE(m_monitor.exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_monitor.exitCode(), 0);
    }

    void prometheusScrapesOverTlsWithBasicAuth() {
        m_prometheus.terminate();
        QString error;
        QVERIFY2(m_rig.start({"--count", "3"}, &error), qPrintable(error));
        const QString cert = m_scratch.filePath("server.crt"), web = m_scratch.filePath("web.yml");
        QCOMPARE(run("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                                 "-keyout", m_scratch.filePath("server.key"), "-out", cert, "-subj",
                                 "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"}),
                 0);
        // bcrypt of "scrape secret".
        const QByteArray users = "basic_auth_users: {prometheus: "
                                 "$2y$10$1C8f.SuY2AYO6IEMS4j25uacQvrj6EMYv2cNMiXC0dGA751wMqT1G}\n";
        QVERIFY(writeFile(
            web, "tls_server_config: {cert_file: server.crt, key_file: server.key}\n" + users));
        QByteArray refusal; // a web configuration that is not there: one line, exit 2
        QCOMPARE(run(QUORVEL_CLI, {"monitor", "--listen", "9848", "--web-config", "no"}, &refusal),
                 2);
        QCOMPARE(refusal, "quorvel: --web-config no: cannot read no: No such file or directory\n");
        m_tlsMonitor.start(QUORVEL_CLI, {"monitor", "--quiet", "--interval", "1", "--wait", "2",
                                         "--listen", "9848", "--web-config", web});
        QVERIFY(m_tlsMonitor.waitForStarted(10000));

        // Prometheus with tls_config and basic_auth.
        const QString config = m_scratch.filePath("prometheus-tls.yml");
        QVERIFY(
            writeFile(config, QStringLiteral(R"(global: {scrape_interval: 1s, scrape_timeout: 1s}
scrape_configs:
- {job_name: tls, scheme: https, tls_config: {ca_file: '%1'}, %2,
   basic_auth: {username: prometheus, password: scrape secret}}
)")
                                  .arg(cert, "static_configs: [{targets: ['127.0.0.1:9848']}]")
                                  .toUtf8()));
        m_tlsPrometheus.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_tlsPrometheus.start("prometheus", {"--config.file=" + config, "--log.level=error",
                                             "--storage.tsdb.path=" + m_scratch.filePath("tsdb"),
                                             "--web.listen-address=127.0.0.1:9091"});
        QVERIFY2(SpinUntil(
                     [] {
                         return queryValue("up{job='tls'}", 9091) == "1" &&
                                queryValue("quorvel_monitor_boards", 9091) == "3";
                     },
                     60000),
                 "Prometheus did not scrape over TLS with the password");
        m_tlsPrometheus.terminate();

        // What Prometheus met: 401 with the scheme to use; nothing in plain HTTP.
        const QByteArray get = "GET /metrics" + kHttp + "Authorization: Basic ";
        const QByteArray right =
            get + QByteArray("prometheus:scrape secret").toBase64() + "\r\n\r\n";
        const QByteArray refused =
            exchange(9848, get + QByteArray("prometheus:wrong").toBase64() + "\r\n\r\n", true);
        QVERIFY2(refused.startsWith("HTTP/1.1 401") &&
                     refused.contains("\r\nWWW-Authenticate: Basic realm="),
                 refused.constData());
        QVERIFY(!exchange(9848, right).contains("quorvel_"));

        // SIGHUP with a broken file: said, and the endpoint goes on as it was.
        QVERIFY(writeFile(web, "tls_server_config: {cert_file: server.crt}\n" + users));
        ::kill(pid_t(m_tlsMonitor.processId()), SIGHUP);
        QByteArray errors;
        QVERIFY2(SpinUntil(
                     [&] { return (errors += m_tlsMonitor.readAllStandardError()).contains('\n'); },
                     10000),
                 "no word on the reload");
        QCOMPARE(errors, "quorvel: --web-config " + web.toUtf8() +
                             ": tls_server_config.key_file: missing: TLS needs the server's key "
                             "(key_file); the endpoint keeps its previous settings\n");
        QVERIFY(exchange(9848, right, true).startsWith("HTTP/1.1 200"));
        QCOMPARE(m_tlsMonitor.state(), QProcess::Running);
    }

    void endpointHoldsAgainstIdleAndGreedyPeers() {
        m_tlsMonitor.terminate();
        QString error;
        QVERIFY2(m_rig.start({"--count", "10000"}, &error), qPrintable(error));
        constexpr quint16 port = 9849;
        m_abuseMonitor.start(QUORVEL_CLI, {"monitor", "--quiet", "--interval", "10", "--wait", "3",
                                           "--listen", "0.0.0.0:9849"});
        QVERIFY(m_abuseMonitor.waitForStarted(10000));
        const QByteArray scrape = "GET /metrics" + kHttp + "\r\n";
        QVERIFY(SpinUntil(
            [&] { return exchange(port, scrape).contains("\nquorvel_monitor_boards 10000\n"); },
            60000));
        // Beyond loopback without a web configuration: one warning at start.
        const QByteArray errors = m_abuseMonitor.readAllStandardError();
        QVERIFY2(errors.count("warning: ") == 1 &&
                     errors.contains("warning: the metrics on 0.0.0.0:9849 are served to anyone"),
                 errors.constData());
        const long before = residentKilobytes(m_abuseMonitor);

        // More peers than the endpoint's slots connect and say nothing; one
        // pipelines a hundred scrapes and never reads (Qt reads one byte for
        // it, then TCP waits).
        std::vector<std::unique_ptr<QTcpSocket>> peers(71);
        for (auto& peer : peers) {
            peer = std::make_unique<QTcpSocket>();
            peer->setReadBufferSize(1);
            peer->connectToHost(QHostAddress::LocalHost, port);
            QVERIFY(peer->waitForConnected(5000));
        }
        peers.back()->write(QByteArray("GET /metrics HTTP/1.1\r\nHost: m\r\n\r\n").repeated(100));
        SpinFor(3000);

        QVERIFY(exchange(port, scrape).contains("\nquorvel_monitor_boards 10000\n"));
        const long during = residentKilobytes(m_abuseMonitor);
        qInfo("monitor resident: %ld kB before, %ld kB during the abuse", before, during);
        QVERIFY(during - before < 50 * 1024);
        QCOMPARE(m_abuseMonitor.state(), QProcess::Running);
    }

    void cleanupTestCase() {
        for (QProcess* process :
             {&m_monitor, &m_prometheus, &m_tlsMonitor, &m_tlsPrometheus, &m_abuseMonitor}) {
            process->terminate();
            if (!process->waitForFinished(15000))
                process->kill();
        }
        m_rig.stop();
    }

private:
    SimulatorRig m_rig;
    QTemporaryDir m_scratch{qEnvironmentVariable("QUORVEL_RIG_WORKDIR") + "/monitor-XXXXXX"};
    QProcess m_monitor, m_prometheus, m_tlsMonitor, m_tlsPrometheus, m_abuseMonitor;
};

QTEST_GUILESS_MAIN(MonitorEndToEndTest)
#include "MonitorEndToEndTest.moc"
