#include "ProcessHostCommandRunner.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace quorvel {

namespace {

bool startDetachedQuietly(const QStringList& argv) {
    if (argv.isEmpty())
        return false;
    QProcess process;
    process.setProgram(argv.front());
    process.setArguments(argv.mid(1));
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    return process.startDetached();
}

} // namespace

void ProcessHostCommandRunner::runHidden(const HostCommand& command) {
    startDetachedQuietly(command.argv);
}

void ProcessHostCommandRunner::runInTerminal(const HostCommand& command) {
    if (canShowTerminal()) {
        const QString terminal =
            QStandardPaths::findExecutable(QStringLiteral("x-terminal-emulator"));
        if (!terminal.isEmpty() &&
            startDetachedQuietly(QStringList{terminal, QStringLiteral("-e")} + command.argv))
            return;
    }
    startDetachedQuietly(command.argv);
}

void ProcessHostCommandRunner::openUrl(const HostCommand&) {}

QString ProcessHostCommandRunner::interfaceRoutingTo(const std::uint8_t (&ip)[4]) {
    QFile file(QStringLiteral("/proc/net/route"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return RouteInterfaceFor(QString::fromLatin1(file.readAll()), ip);
}

} // namespace quorvel
