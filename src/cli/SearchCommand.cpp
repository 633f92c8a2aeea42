#include "SearchCommand.h"

#include "CliSession.h"
#include "HostNetworkProbe.h"
#include "SearchExplanation.h"
#include "StandardOutput.h"
#include "core/NetworkInterfaces.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace quorvel {

namespace {

const char* skipReasonText(InterfaceSkipReason reason) {
    switch (reason) {
    case InterfaceSkipReason::Down:
        return "down";
    case InterfaceSkipReason::Loopback:
        return "loopback";
    case InterfaceSkipReason::NoBroadcast:
        return "no broadcast";
    case InterfaceSkipReason::NoIpv4Address:
        return "no IPv4 address";
    case InterfaceSkipReason::NotAllowed:
        return "not named by --interface";
    }
    return "skipped";
}

} // namespace

void ExplainSearchRun(CliSession& session, const BoardSearch& search, std::size_t found) {
    SearchEnvironment env;
    const auto& allowed = session.line().interfaces;
    const InterfaceSelection selection =
        SelectBroadcastInterfaces(ReadInterfaceEntries(), allowed.empty() ? nullptr : &allowed);
    const std::map<std::string, int> failures = session.broadcastFailures();
    for (const BroadcastInterface& used : selection.usable) {
        const auto failed = failures.find(used.name);
        env.interfaces.push_back({used.name,
                                  failed == failures.end() ? ""
                                                           : std::string("send failed: ") +
                                                                 std::strerror(failed->second),
                                  0, 0});
    }
    // Loopback is never where boards are: naming it would be noise, unless
    // --interface asked for it.
    const auto named = [&allowed](const std::string& name) {
        return std::find(allowed.begin(), allowed.end(), name) != allowed.end();
    };
    for (const SkippedInterface& skipped : selection.skipped)
        if (skipped.reason != InterfaceSkipReason::Loopback || named(skipped.name))
            env.interfaces.push_back({skipped.name, skipReasonText(skipped.reason), 0, 0});
    ProbeHostNetwork(env, /*firewalls=*/found == 0);
    env.martiansBefore = search.martiansAtStart();
    env.martiansAfter = ReadMartianSourceCount();
    env.localPort = session.line().localPort;
    for (const std::string& line : ExplainSearch(env, found))
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
        WriteOut(BoardCsv(boards));
        break;
    }
    ExplainSearchRun(m_session, m_search, boards.size());
    Q_EMIT done(!boards.empty() ? ExitSuccess : m_search.sendFailed() ? ExitHost : ExitNothing);
}

} // namespace quorvel
