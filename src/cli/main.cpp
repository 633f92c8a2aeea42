// `quorvel`: the command line beside the Quorvel window, driving the same
// exchanges with the boards.
#include "AssignCommand.h"
#include "CliSession.h"
#include "CommandLine.h"
#include "SearchCommand.h"
#include "StatusCommand.h"
#include "core/HostCommands.h"
#include "core/ProcessHostCommandRunner.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <ctime>

using namespace quorvel;

namespace {

template <typename Command> int run(Command& command) {
    QObject::connect(
        &command, &Command::done, qApp, [](int code) { QCoreApplication::exit(code); },
        Qt::QueuedConnection);
    command.start();
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUORVEL_VERSION));

    const auto parsed =
        ParseCommandLine(QCoreApplication::arguments(), QCoreApplication::applicationVersion());
    if (const auto* early = std::get_if<EarlyExit>(&parsed)) {
        std::fputs(early->out.c_str(), stdout);
        std::fputs(early->err.c_str(), stderr);
        return early->exitCode;
    }
    CliSession session(std::get<CommandLine>(parsed));

    // The assign step's plan is checked before the socket even opens.
    AssignCommand assign(session);
    if (session.line().command == CliCommand::Assign) {
        int exitCode = ExitSuccess;
        if (!assign.prepare(exitCode))
            return exitCode;
    }
    if (const int failed = session.open())
        return failed;

    std::srand(static_cast<unsigned>(std::time(nullptr)));
    ProcessHostCommandRunner hostCommands;
    SetHostCommandRunner(&hostCommands);

    int exitCode = ExitSuccess;
    switch (session.line().command) {
    case CliCommand::Search: {
        SearchCommand search(session);
        exitCode = run(search);
        break;
    }
    case CliCommand::Assign:
        exitCode = run(assign);
        break;
    case CliCommand::Status: {
        StatusCommand status(session);
        exitCode = run(status);
        break;
    }
    }
    SetHostCommandRunner(nullptr);
    return exitCode;
}
