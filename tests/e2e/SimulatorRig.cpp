#include "SimulatorRig.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <ctime>
#include <sys/stat.h>

namespace quorvel::testing {

SimulatorRig::~SimulatorRig() {
    stop();
}

QString SimulatorRig::unavailableReason(int links) {
    for (const char* name : {"QUORVEL_RIG_BOARDS_NS", "QUORVEL_SIMULATOR", "QUORVEL_RIG_WORKDIR"})
        if (qEnvironmentVariableIsEmpty(name))
            return QStringLiteral("this test sends real broadcasts and runs only inside the "
                                  "network rig: tests/e2e/rig.sh -- %1 (as root; CTest does this)")
                .arg(QCoreApplication::applicationFilePath());
    if (links > 1 && qEnvironmentVariableIsEmpty("QUORVEL_RIG_BOARDS_NS_2"))
        return QStringLiteral("this test needs the rig's two links: tests/e2e/rig.sh --links 2 "
                              "-- %1 (CTest does this)")
            .arg(QCoreApplication::applicationFilePath());
    return {};
}

bool InRigToolNamespace(QString* why) {
    const QString name = qEnvironmentVariable("QUORVEL_RIG_TOOL_NS");
    struct stat own {};
    struct stat rig {};
    if (name.isEmpty() || stat("/proc/self/ns/net", &own) != 0 ||
        stat(QStringLiteral("/run/netns/%1").arg(name).toLocal8Bit().constData(), &rig) != 0) {
        *why = QStringLiteral("cannot find the rig's tool namespace \"%1\"").arg(name);
        return false;
    }
    if (own.st_dev != rig.st_dev || own.st_ino != rig.st_ino) {
        *why = QStringLiteral("this process is not in the rig's tool namespace \"%1\"").arg(name);
        return false;
    }
    return true;
}

bool SimulatorRig::start(const QStringList& arguments, QString* error) {
    stop();
    m_account = {};
    const QString workdir = qEnvironmentVariable("QUORVEL_RIG_WORKDIR");
    const QString stem = QStringLiteral("%1/simulator-%2-%3-%4")
                             .arg(workdir)
                             .arg(QCoreApplication::applicationPid())
                             .arg(m_link)
                             .arg(++m_runs);
    m_logPath = stem + QStringLiteral(".jsonl");
    const QString ready = stem + QStringLiteral(".ready");
    QFile::remove(m_logPath);
    QFile::remove(ready);
    m_process.setProgram(QStringLiteral("ip"));
    m_process.setArguments(QStringList{QStringLiteral("netns"), QStringLiteral("exec"),
                                       qEnvironmentVariable(m_link == 2 ? "QUORVEL_RIG_BOARDS_NS_2"
                                                                        : "QUORVEL_RIG_BOARDS_NS"),
                                       qEnvironmentVariable("QUORVEL_SIMULATOR"),
                                       QStringLiteral("--log"), m_logPath,
                                       QStringLiteral("--ready-file"), ready,
                                       QStringLiteral("--exit-after"), QStringLiteral("300")} +
                           arguments);
    m_process.start();
    if (!m_process.waitForStarted(5000)) {
        *error = QStringLiteral("cannot start the simulator: ") + m_process.errorString();
        return false;
    }
    QElapsedTimer waited;
    waited.start();
    while (!QFile::exists(ready)) {
        if (m_process.waitForFinished(20)) {
            *error = QStringLiteral("the simulator stopped: ") +
                     QString::fromLocal8Bit(m_process.readAllStandardError());
            return false;
        }
        if (waited.elapsed() > 5000) {
            *error = QStringLiteral("the simulator did not get ready within 5 seconds");
            stop();
            return false;
        }
    }
    return true;
}

void SimulatorRig::stop() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(1000);
    }
    // Its last line on the way out.
    const QList<QByteArray> lines = m_process.readAllStandardError().trimmed().split('\n');
    m_account = QJsonDocument::fromJson(lines.last()).object();
}

QList<LoggedDatagram> SimulatorRig::received(const QString& kind) const {
    QList<LoggedDatagram> datagrams;
    QFile file(m_logPath);
    if (!file.open(QIODevice::ReadOnly))
        return datagrams;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        // A line still being written has no newline yet.
        if (!line.endsWith('\n'))
            break;
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        LoggedDatagram d;
        d.t = o.value(QStringLiteral("t")).toDouble();
        d.from = o.value(QStringLiteral("from")).toString();
        d.to = o.value(QStringLiteral("to")).toString();
        d.kind = o.value(QStringLiteral("kind")).toString();
        d.bytes = QByteArray::fromHex(o.value(QStringLiteral("hex")).toString().toLatin1());
        if (kind.isEmpty() || d.kind == kind)
            datagrams.append(d);
    }
    return datagrams;
}

double MonotonicNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

bool SpinUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done()) {
        if (elapsed.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::usleep(200);
    }
    return true;
}

void SpinFor(int milliseconds) {
    SpinUntil([] { return false; }, milliseconds);
}

} // namespace quorvel::testing
