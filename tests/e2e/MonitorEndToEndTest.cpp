// `quorvel monitor` watched by a real Prometheus, all inside the rig's tool
// namespace (Prometheus and the endpoint on its own loopback): one board runs
// out of paper and another falls silent, and Prometheus's query API and the
// monitor's JSON lines both show it. Runs inside tests/e2e/rig.sh.
#include "SimulatorRig.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

using namespace quorvel::testing;

namespace {

constexpr quint16 kMonitorPort = 9847;
constexpr quint16 kPrometheusPort = 9090;
const QString kPaperOut = QStringLiteral("02-51-56-00-20-01");
const QString kSilent = QStringLiteral("02-51-56-00-20-02");

// The body of a GET on this namespace's loopback; empty when none came.
QByteArray httpGet(quint16 port, const QByteArray& target) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(2000))
        return {};
    socket.write("GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
    QByteArray reply;
    while (socket.waitForReadyRead(5000))
        reply += socket.readAll();
    const qsizetype body = reply.indexOf("\r\n\r\n");
    return reply.startsWith("HTTP/1.1 200") || reply.startsWith("HTTP/1.0 200")
               ? reply.mid(body + 4)
               : QByteArray();
}

// The value of the one series an instant query finds, or "" when none.
QString queryValue(const QString& query) {
    const QByteArray body =
        httpGet(kPrometheusPort, "/api/v1/query?query=" + QUrl::toPercentEncoding(query));
    const QJsonArray result =
        QJsonDocument::fromJson(body).object()["data"].toObject()["result"].toArray();
    return result.size() == 1 ? result[0].toObject()["value"].toArray()[1].toString() : QString();
}

} // namespace

class MonitorEndToEndTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        const QString reason = SimulatorRig::unavailableReason();
        if (!reason.isEmpty())
            QSKIP(qPrintable(reason));
        for (const char* tool : {"prometheus", "promtool"})
            if (QStandardPaths::findExecutable(tool).isEmpty())
                QSKIP(qPrintable(QStringLiteral("%1 is not installed (Debian's prometheus "
                                                "package; scripts/setup.sh installs it)")
                                     .arg(tool)));
        QVERIFY(m_scratch.isValid());
    }

    void prometheusSeesPaperOutAndSilence() {
        // After its fourth answer the first board is out of paper; the second
        // answers four times, then never again; the third stays well.
        const QString boards =
            written("boards.csv", "mac,ip,mask,name,status,later_status,change_after,"
                                  "silent_after\n"
                                  "02-51-56-00-20-01,198.18.2.1,255.254.0.0,\"Till "
                                  "\"\"1\"\"\",0,0x2000,4,0\n"
                                  "02-51-56-00-20-02,198.18.2.2,255.254.0.0,K,0,0,0,4\n"
                                  "02-51-56-00-20-03,198.18.2.3,255.254.0.0,B,0,0,0,0\n");
        QString error;
        QVERIFY2(m_rig.start({"--boards", boards}, &error), qPrintable(error));

        const QString textfile = m_scratch.filePath("quorvel.prom");
        m_monitor.setProgram(QStringLiteral(QUORVEL_CLI));
        m_monitor.setArguments({"monitor", "--json", "--quiet", "--interval", "1", "--wait", "3",
                                "--listen", QString::number(kMonitorPort), "--textfile", textfile});
        m_monitor.start();
        QVERIFY(m_monitor.waitForStarted(10000));

        const QString config = written(
            "prometheus.yml", QStringLiteral("global: {scrape_interval: 1s, scrape_timeout: 1s}\n"
                                             "scrape_configs: [{job_name: quorvel, static_configs: "
                                             "[{targets: ['127.0.0.1:%1']}]}]\n")
                                  .arg(kMonitorPort)
                                  .toUtf8());
        m_prometheus.setProgram(QStringLiteral("prometheus"));
        m_prometheus.setArguments(
            {"--config.file=" + config, "--storage.tsdb.path=" + m_scratch.filePath("data"),
             QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(kPrometheusPort),
             "--log.level=warn"});
        m_prometheus.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_prometheus.start();
        QVERIFY(m_prometheus.waitForStarted(10000));

        // Prometheus scrapes the monitor and sees every board answering.
        QVERIFY2(SpinUntil([] { return queryValue("sum(quorvel_printer_up)") == "3"; }, 90000),
                 "Prometheus never saw three boards up");

        // The monitor tells both changes on its JSON lines.
        QByteArray out;
        QJsonObject paperOut, silent;
        const bool told = SpinUntil(
            [&] {
                out += m_monitor.readAllStandardOutput();
                for (const QByteArray& line : out.split('\n')) {
                    const QJsonObject o = QJsonDocument::fromJson(line).object();
                    if (o["mac"] == kPaperOut && o["new"].toArray().contains("PaperOut"))
                        paperOut = o;
                    if (o["mac"] == kSilent && o["answered"] == false && o["old"].isArray())
                        silent = o;
                }
                return !paperOut.isEmpty() && !silent.isEmpty();
            },
            60000);
        QVERIFY2(told, out.constData());
        QCOMPARE(paperOut["name"].toString(), "Till \"1\"");

        // Prometheus has both within three one-second scrapes of the lines
        // (with room for a loaded machine).
        QElapsedTimer seen;
        seen.start();
        QVERIFY(SpinUntil(
            [] {
                return queryValue(QStringLiteral("quorvel_printer_flag{mac=\"%1\",flag="
                                                 "\"paper_out\"}")
                                      .arg(kPaperOut)) == "1" &&
                       queryValue(QStringLiteral("quorvel_printer_up{mac=\"%1\"}").arg(kSilent)) ==
                           "0";
            },
            20000));
        qInfo("Prometheus showed both changes %lld ms after the monitor told them", seen.elapsed());
        QCOMPARE(queryValue("sum(quorvel_printer_up)"), "2");

        // The textfile is the same exposition, and promtool takes it.
        QProcess check;
        check.setProgram(QStringLiteral("promtool"));
        check.setArguments({"check", "metrics"});
        check.setStandardInputFile(textfile);
        check.start();
        QVERIFY(check.waitForFinished(30000));
        QVERIFY2(check.exitCode() == 0, check.readAllStandardError().constData());

        // SIGTERM ends the monitor well.
        m_monitor.terminate();
        QVERIFY(m_monitor.waitForFinished(15000));
        QCOMPARE(m_monitor.exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_monitor.exitCode(), 0);
    }

    void cleanupTestCase() {
        for (QProcess* process : {&m_monitor, &m_prometheus}) {
            process->terminate();
            if (!process->waitForFinished(15000))
                process->kill();
        }
        m_rig.stop();
    }

private:
    QString written(const QString& name, const QByteArray& bytes) {
        QFile file(m_scratch.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()
                   ? file.fileName()
                   : QString();
    }

    SimulatorRig m_rig;
    QTemporaryDir m_scratch{qEnvironmentVariable("QUORVEL_RIG_WORKDIR") + "/monitor-XXXXXX"};
    QProcess m_monitor, m_prometheus;
};

QTEST_GUILESS_MAIN(MonitorEndToEndTest)
#include "MonitorEndToEndTest.moc"
