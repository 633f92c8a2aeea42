#include "SearchCommand.h"

#include "CliSession.h"
#include "StandardOutput.h"
#include "core/host/HostNetworkProbe.h"
#include "core/host/SearchExplanation.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <unistd.h>

namespace quorvel {

void ExplainSearchRun(CliSession& session, const BoardSearch& search, std::size_t found) {
    const std::map<std::string, int> failures = session.broadcastFailures();
    SearchEnvironment env =
        GatherSearchEnvironment(session.line().interfaces, failures, /*firewalls=*/found == 0);
    env.martiansBefore = search.martiansAtStart();
    env.localPort = session.line().localPort;
    for (const std::string& line : ExplanationLines(ExplainSearch(env, found)))
        session.progress().line(line);
    // With boards found the explanation is silent; a link that failed is not.
    if (found > 0)
        for (const auto& [name, error] : failures)
            session.progress().line("the search could not be sent on " + name + ": " +
                                    std::strerror(error));
}

SearchCommand::SearchCommand(CliSession& session, QObject* parent)
    : QObject(parent), m_session(session), m_search(session) {
    connect(&m_search, &BoardSearch::finished, this, &SearchCommand::report);
}

void SearchCommand::start() {
    m_search.start();
}

void SearchCommand::report() {
    const std::vector<FoundBoard> boards = m_search.boards();
    switch (m_session.line().format) {
    case OutputFormat::Table:
        WriteOut(BoardTable(boards));
        break;
    case OutputFormat::Json:
        WriteBoardJson(boards, [](std::string_view piece) { WriteOut(piece); });
        break;
    case OutputFormat::Csv:
        // On a terminal the texts' control characters would act on it.
        WriteOut(BoardCsv(boards, isatty(STDOUT_FILENO) == 1));
        break;
    }
    ExplainSearchRun(m_session, m_search, boards.size());
    Q_EMIT done(!boards.empty() ? ExitSuccess : m_search.sendFailed() ? ExitHost : ExitNothing);
}

} // namespace quorvel
