// `quorvel monitor` on a link with a forger, boards that trade addresses and
// a central Prometheus that keeps the target list itself and probes each
// board through a probe-only monitor. Runs inside tests/e2e/rig.sh.
#include "SimulatorRig.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

using namespace quorvel::testing;

namespace {

constexpr quint16 kFleetPort = 9851;
constexpr quint16 kProbePort = 9852;
constexpr quint16 kPrometheusPort = 9091;
const QString kForger = QStringLiteral("198.18.2.200");
const QString kSilent = QStringLiteral("198.18.2.250");
const QByteArray kBoardA = "02-51-56-00-30-01", kBoardB = "02-51-56-00-30-02";

QByteArray get(quint16 port, const QByteArray& target) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    socket.write("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
    QByteArray reply;
    while (socket.waitForReadyRead(5000))
        reply += socket.readAll();
    return reply;
}

// The value of one series in an exposition; -1 when it is not there.
double valueOf(const QByteArray& exposition, const QByteArray& series) {
    for (const QByteArray& line : exposition.split('\n'))
        if (line.startsWith(series + ' '))
            return line.mid(series.size() + 1).toDouble();
    return -1;
}

// Prometheus keeps the targets in a file and sends each to /probe.
constexpr char kPrometheusConfig[] = R"(global: {scrape_interval: 1s, scrape_timeout: 1s}
scrape_configs:
- job_name: printers
  metrics_path: /probe
  file_sd_configs: [{files: ['%1']}]
  relabel_configs:
  - {source_labels: [__address__], target_label: __param_target}
  - {source_labels: [__param_target], target_label: instance}
  - {target_label: __address__, replacement: '127.0.0.1:%2'}
)";

QByteArray boardsCsv(const char* addressA, const char* addressB) {
    return "mac,ip,mask,name\n" + kBoardA + "," + addressA + ",255.254.0.0,A\n" + kBoardB + "," +
           addressB + ",255.254.0.0,B\n";
}

QString write(const QTemporaryDir& dir, const char* name, const QByteArray& bytes) {
    QFile file(dir.filePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? file.fileName()
                                                                                : QString();
}

// Instant query results as instance → value.
QMap<QString, QString> query(const QString& promql) {
    const QByteArray reply =
        get(kPrometheusPort, "/api/v1/query?query=" + QUrl::toPercentEncoding(promql));
    QMap<QString, QString> values;
    for (const auto& result : QJsonDocument::fromJson(reply.mid(reply.indexOf("\r\n\r\n") + 4))
                                  .object()["data"]
                                  .toObject()["result"]
                                  .toArray())
        values[result.toObject()["metric"].toObject()["instance"].toString()] =
            result.toObject()["value"].toArray()[1].toString();
    return values;
}

} // namespace

class MonitorHostileEndToEndTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void holdsOnAHostileLinkAndProbesForACentralPrometheus() {
        if (const QString reason = SimulatorRig::unavailableReason(); !reason.isEmpty())
            QSKIP(qPrintable(reason));
        if (QStandardPaths::findExecutable("prometheus").isEmpty())
            QSKIP("prometheus is missing (scripts/setup.sh installs Debian's prometheus)");
        QVERIFY(m_scratch.isValid());
        QUdpSocket loopback; // where a request to a loopback "board" would land
        QVERIFY(loopback.bind(QHostAddress::LocalHost, 3040));
        QString error;
        QVERIFY2(m_rig.start({"--boards",
                              write(m_scratch, "a.csv", boardsCsv("198.18.2.1", "198.18.2.2")),
                              "--forge", "60", "--forge-from", kForger},
                             &error),
                 qPrintable(error));
        m_fleet.start(QUORVEL_CLI, {"monitor", "--json", "--quiet", "--interval", "1", "--wait",
                                    "2", "--rescan", "6s", "--max-boards", "20", "--forget-after",
                                    "8s", "--listen", QString::number(kFleetPort)});
        m_probes.start(QUORVEL_CLI, {"monitor", "--probe-only", "--quiet", "--listen",
                                     QString::number(kProbePort)});
        const QString targets = write(m_scratch, "boards.json",
                                      "[{\"targets\": [\"198.18.2.1\", \"198.18.2.2\", \"" +
                                          kSilent.toUtf8() + "\"]}]");
        m_prometheus.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_prometheus.start(
            "prometheus",
            {"--config.file=" +
                 write(
                     m_scratch, "prometheus.yml",
                     QString::fromLatin1(kPrometheusConfig).arg(targets).arg(kProbePort).toUtf8()),
             "--storage.tsdb.path=" + m_scratch.filePath("data"),
             QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(kPrometheusPort),
             "--log.level=warn"});
        QVERIFY(m_fleet.waitForStarted(10000) && m_probes.waitForStarted(10000) &&
                m_prometheus.waitForStarted(10000));

        // Each board probed well, the silent address not, each scrape inside
        // its one-second time-out; a broadcast target refused.
        const QMap<QString, QString> expected = {
            {"198.18.2.1", "1"}, {"198.18.2.2", "1"}, {kSilent, "0"}};
        QVERIFY2(SpinUntil([&] { return query("quorvel_probe_success") == expected; }, 30000),
                 qPrintable(QStringList(query("quorvel_probe_success").keys()).join(' ')));
        QCOMPARE(query("up").values(), QStringList({"1", "1", "1"}));
        for (const QString& seconds : query("scrape_duration_seconds").values())
            QVERIFY2(seconds.toDouble() < 1.0, qPrintable(seconds));
        QCOMPARE(query("quorvel_printer_info{name=\"A\"}").keys(), QStringList{"198.18.2.1"});
        QVERIFY(get(kProbePort, "/probe?target=255.255.255.255").startsWith("HTTP/1.1 400"));

        // The forger's boards fill the watched set up to its bound and go
        // again once neither found nor heard for eight seconds.
        QByteArray metrics;
        const auto value = [&](const QByteArray& series) { return valueOf(metrics, series); };
        const auto ignored = [&](const char* reason) {
            return value(QByteArray("quorvel_monitor_replies_ignored_total{reason=\"") + reason +
                         "\"}");
        };
        QVERIFY2(SpinUntil(
                     [&] {
                         metrics = get(kFleetPort, "/metrics");
                         return value("quorvel_monitor_boards_forgotten_total") >= 10 &&
                                ignored("board_limit") > 0;
                     },
                     40000),
                 metrics.constData());
        QVERIFY(ignored("not_unicast") >= 40 && ignored("address_mismatch") >= 10);

        // A and B trade addresses and the forger is gone: after the next
        // rescan both answer at their new addresses, the forged boards left.
        const QList<LoggedDatagram> heardBefore = m_rig.received("status");
        QVERIFY2(m_rig.start(
                     {"--boards", write(m_scratch, "b.csv", boardsCsv("198.18.2.2", "198.18.2.1"))},
                     &error),
                 qPrintable(error));
        const auto up = [&](const QByteArray& mac) {
            return value("quorvel_printer_up{mac=\"" + mac + "\"}") == 1;
        };
        QVERIFY2(SpinUntil(
                     [&] {
                         metrics = get(kFleetPort, "/metrics");
                         return metrics.contains("info{mac=\"" + kBoardA +
                                                 "\",ip=\"198.18.2.2\"") &&
                                up(kBoardA) && up(kBoardB) && value("quorvel_monitor_boards") == 2;
                     },
                     40000),
                 metrics.constData());

        // Status requests went to unicast board addresses only: the two
        // boards and the forger's own, never to what it claimed.
        QSet<QString> asked;
        for (const LoggedDatagram& d : heardBefore + m_rig.received("status"))
            asked.insert(d.to.section(':', 0, 0));
        QCOMPARE(asked, (QSet<QString>{"198.18.2.1", "198.18.2.2", kForger}));
        QVERIFY(!loopback.hasPendingDatagrams());

        // A textfile path planted as a link: refused, its target untouched.
        const QString precious = write(m_scratch, "precious", "keep\n");
        const QString link = m_scratch.filePath("quorvel.prom");
        QVERIFY(QFile::link(precious, link));
        QProcess refused;
        refused.start(QUORVEL_CLI, {"monitor", "--quiet", "--textfile", link});
        QVERIFY(refused.waitForFinished(10000));
        QCOMPARE(refused.exitCode(), 2);
        const QByteArray line = refused.readAllStandardError();
        QVERIFY2(line.contains("is a symbolic link") && line.count('\n') == 1, line.constData());
        QFile kept(precious);
        QVERIFY(kept.open(QIODevice::ReadOnly) && kept.readAll() == "keep\n");
    }

    void cleanupTestCase() {
        for (QProcess* process : {&m_fleet, &m_probes, &m_prometheus}) {
            process->terminate();
            if (!process->waitForFinished(15000))
                process->kill();
        }
        m_rig.stop();
    }

private:
    SimulatorRig m_rig;
    QTemporaryDir m_scratch{qEnvironmentVariable("QUORVEL_RIG_WORKDIR") + "/hostile-XXXXXX"};
    QProcess m_fleet, m_probes, m_prometheus;
};

QTEST_GUILESS_MAIN(MonitorHostileEndToEndTest)
#include "MonitorHostileEndToEndTest.moc"
