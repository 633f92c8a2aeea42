#include "core/host/ProcessHostCommandRunner.h"

#include "core/host/NeighbourClaimFile.h"
#include "core/net/RouteTable.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>

namespace quorvel {

namespace {

// How a finished hidden command went; the tools say "Operation not
// permitted" (EPERM) when the neighbour table is closed to this user.
CommandOutcome outcomeOf(QProcess& process) {
    if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return CommandOutcome::Succeeded;
    const QByteArray errors = process.readAllStandardError();
    if (errors.contains("not permitted"))
        return CommandOutcome::NotPermitted;
    return CommandOutcome::Failed;
}

// Where the tool is, as HostProgramPath would start it; empty when nowhere.
QString findTool(const QString& name) {
    const QString program = HostProgramPath(name);
    return program.contains(QLatin1Char('/'))
               ? (QFileInfo(program).isExecutable() ? program : QString())
               : QStandardPaths::findExecutable(program);
}

bool startDetachedQuietly(const QStringList& argv) {
    if (argv.isEmpty())
        return false;
    QProcess process;
    process.setProgram(HostProgramPath(argv.front()));
    process.setArguments(argv.mid(1));
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    return process.startDetached();
}

} // namespace

QString HostProgramPath(const QString& name, bool asRoot) {
    if (!asRoot || name.contains(QLatin1Char('/')))
        return name;
    const QString found = QStandardPaths::findExecutable(
        name, {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin"), QStringLiteral("/sbin"),
               QStringLiteral("/bin")});
    // Not there: a path that fails to start, never a search of PATH.
    return found.isEmpty() ? QStringLiteral("/usr/sbin/") + name : found;
}

struct ProcessHostCommandRunner::Pending {
    QObject owner; // the processes still running
    NeighbourClaimFile claims;
};

ProcessHostCommandRunner::ProcessHostCommandRunner() : m_pending(std::make_unique<Pending>()) {}

ProcessHostCommandRunner::~ProcessHostCommandRunner() {
    waitForAll();
}

void ProcessHostCommandRunner::waitForAll(int milliseconds) {
    const QDeadlineTimer deadline(milliseconds);
    // A finished add may start its removal: look again until nothing runs.
    for (bool waited = true; waited && !deadline.hasExpired();) {
        waited = false;
        for (QProcess* process : m_pending->owner.findChildren<QProcess*>()) {
            if (process->state() == QProcess::NotRunning)
                continue;
            process->waitForFinished(int(std::max<qint64>(deadline.remainingTime(), 1)));
            waited = true;
        }
    }
}

void ProcessHostCommandRunner::runHidden(const HostCommand& command, OutcomeHandler onEnd) {
    if (command.argv.isEmpty())
        return;
    auto* process = new QProcess(&m_pending->owner);
    process->setProgram(HostProgramPath(command.argv.front()));
    process->setArguments(command.argv.mid(1));
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    // The error text is read in English to tell a refusal from other failures.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    process->setProcessEnvironment(environment);
    QObject::connect(process, &QProcess::finished, process, [process, onEnd] {
        if (onEnd)
            onEnd(outcomeOf(*process));
        process->deleteLater();
    });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, onEnd](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         if (onEnd)
                             onEnd(CommandOutcome::Failed);
                         process->deleteLater();
                     });
    process->start();
}

void ProcessHostCommandRunner::runInTerminal(const HostCommand& command) {
    if (canShowTerminal()) {
        const QString terminal = findTool(QStringLiteral("x-terminal-emulator"));
        if (!terminal.isEmpty() &&
            startDetachedQuietly(QStringList{terminal, QStringLiteral("-e"),
                                             HostProgramPath(command.argv.value(0))} +
                                 command.argv.mid(1)))
            return;
    }
    startDetachedQuietly(command.argv);
}

void ProcessHostCommandRunner::openUrl(const HostCommand&) {}

QString ProcessHostCommandRunner::missingFor(const HostCommand& command) {
    if (!canShowTerminal() || findTool(QStringLiteral("x-terminal-emulator")).isEmpty())
        return QStringLiteral("x-terminal-emulator");
    if (!command.tool.isEmpty() && findTool(command.tool).isEmpty())
        return command.tool;
    return {};
}

QString ProcessHostCommandRunner::interfaceRoutingTo(const Ipv4Address& ip) {
    QFile file(QStringLiteral("/proc/net/route"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromStdString(
        RouteInterfaceFor(file.readAll().toStdString(), ip).value_or(std::string()));
}

HostAddressFacts ProcessHostCommandRunner::hostAddressFacts() {
    return ReadHostAddressFacts();
}

void ProcessHostCommandRunner::claimNeighbour(const NeighbourClaim& entry) {
    m_pending->claims.claim(entry);
}

void ProcessHostCommandRunner::releaseNeighbour(const NeighbourClaim& entry) {
    m_pending->claims.release(entry);
}

void ProcessHostCommandRunner::removeAbandonedNeighbours(
    const std::function<void(const QString&)>& writeLine) {
    m_pending->claims.removeAbandoned(writeLine);
}

} // namespace quorvel
