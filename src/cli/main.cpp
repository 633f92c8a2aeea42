// `quorvel`: the command line beside the Quorvel window, driving the same
// exchanges with the boards.
#include "AssignCommand.h"
#include "CliSession.h"
#include "CommandLine.h"
#include "FirmwareCommand.h"
#include "MonitorCommand.h"
#include "SearchCommand.h"
#include "StandardOutput.h"
#include "StatusCommand.h"
#include "core/host/HostCommands.h"
#include "core/host/ProcessHostCommandRunner.h"
#include "core/host/TerminationSignals.h"

#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>

using namespace quorvel;

namespace {

template <typename Command> int run(Command& command, TerminationSignals& signals) {
    QObject::connect(
        &command, &Command::done, qApp, [](int code) { QCoreApplication::exit(code); },
        Qt::QueuedConnection);
    QObject::connect(&signals, &TerminationSignals::received, qApp, [&command](int signalNumber) {
        if constexpr (requires { command.stop(); })
            command.stop();
        else
            (void)command; // nothing to stop; clang warns of an unused capture
        QCoreApplication::exit(128 + signalNumber);
    });
    command.start();
    return QCoreApplication::exec();
}

// A run whose output did not reach standard output has failed, whatever it found.
int checkedOutput(int exitCode) {
    if (const auto failure = OutputFailure()) {
        std::fprintf(stderr, "quorvel: %s\n", failure->c_str());
        return exitCode >= 128 ? exitCode : ExitOutput;
    }
    return exitCode;
}

// The real host commands for as long as the run goes; nothing runs on the
// host once it is gone.
class InstalledRunner {
public:
    InstalledRunner() { SetHostCommandRunner(&m_runner); }
    ~InstalledRunner() {
        // Removals still running release their claims through the runner.
        m_runner.waitForAll();
        SetHostCommandRunner(nullptr);
    }
    ProcessHostCommandRunner* operator->() { return &m_runner; }

private:
    ProcessHostCommandRunner m_runner;
};

int runCommand(CliSession& session, TerminationSignals& signals) {
    InstalledRunner hostCommands;
    // The plan and the interfaces are checked before the socket even opens.
    AssignCommand assign(session);
    FirmwareCommand firmware(session);
    if (const int failed = session.checkInterfaces())
        return failed;
    if (session.line().command == CliCommand::Assign) {
        int exitCode = ExitSuccess;
        if (!assign.prepare(exitCode))
            return exitCode;
        // What a killed run left in the neighbour table goes before this one adds to it.
        if (!session.line().noPing)
            hostCommands->removeAbandonedNeighbours(
                [&session](const QString& line) { session.progress().line(line.toStdString()); });
    }
    if (session.line().command == CliCommand::Firmware) {
        int exitCode = ExitSuccess;
        if (!firmware.prepare(exitCode))
            return exitCode;
    }
    if (const int failed = session.open())
        return failed;

    std::srand(static_cast<unsigned>(std::time(nullptr)));

    int exitCode = ExitSuccess;
    switch (session.line().command) {
    case CliCommand::Search: {
        SearchCommand search(session);
        exitCode = run(search, signals);
        break;
    }
    case CliCommand::Assign:
        exitCode = run(assign, signals);
        break;
    case CliCommand::Status: {
        StatusCommand status(session);
        exitCode = run(status, signals);
        break;
    }
    case CliCommand::Firmware:
        exitCode = run(firmware, signals);
        break;
    case CliCommand::Monitor: {
        MonitorCommand monitor(session);
        signals.takeHangupAsReload();
        QObject::connect(&signals, &TerminationSignals::reloadRequested, &monitor,
                         &MonitorCommand::reload);
        if (const int failed = monitor.prepare())
            return failed;
        // Watching ends only by a signal, and that is how it ends well.
        QObject::connect(&signals, &TerminationSignals::received, qApp, [&monitor] {
            monitor.stop();
            QCoreApplication::exit(ExitSuccess);
        });
        QObject::connect(
            &monitor, &MonitorCommand::done, qApp, [](int code) { QCoreApplication::exit(code); },
            Qt::QueuedConnection);
        monitor.start();
        exitCode = QCoreApplication::exec();
        break;
    }
    }
    // A neighbour entry still being added is removed once it is in.
    hostCommands->waitForAll();
    session.progress().clear();
    return exitCode;
}

} // namespace

int main(int argc, char** argv) {
    // A reader that goes away (`| head`) is a write error, reported as one.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUORVEL_VERSION));
    TerminationSignals signals;

    const auto parsed =
        ParseCommandLine(QCoreApplication::arguments(), QCoreApplication::applicationVersion());
    if (const auto* early = std::get_if<EarlyExit>(&parsed)) {
        WriteOut(early->out);
        std::fputs(early->err.c_str(), stderr);
        return checkedOutput(early->exitCode);
    }
    CliSession session(std::get<CommandLine>(parsed));
    return checkedOutput(runCommand(session, signals));
}
