#include "SearchCommand.h"

#include "CliSession.h"
#include "HostNetworkProbe.h"
#include "SearchExplanation.h"

#include <cstdio>

namespace quorvel {

namespace {

void writeOut(const std::string& bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

} // namespace

void ExplainSearchRun(CliSession& session, const BoardSearch& search, std::size_t found) {
    SearchEnvironment env;
    ProbeHostNetwork(env, /*firewalls=*/found == 0);
    env.martiansBefore = search.martiansAtStart();
    env.martiansAfter = ReadMartianSourceCount();
    env.localPort = session.line().localPort;
    for (const std::string& line : ExplainSearch(env, found))
        session.progress().line(line);
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
        writeOut(BoardTable(boards));
        break;
    case OutputFormat::Json:
        writeOut(BoardJson(boards).toStdString());
        break;
    case OutputFormat::Csv:
        writeOut(BoardCsv(boards));
        break;
    }
    if (!m_search.sendFailed())
        ExplainSearchRun(m_session, m_search, boards.size());
    Q_EMIT done(boards.empty() ? ExitNothing : ExitSuccess);
}

} // namespace quorvel
