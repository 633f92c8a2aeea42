#pragma once

#include "BoardSearch.h"

#include <QObject>

namespace quorvel {

class CliSession;

// `quorvel search`: one whole search run, then every board in the chosen
// format on standard output, and on standard error why nothing (or not
// everything) may have answered.
class SearchCommand : public QObject {
    Q_OBJECT
public:
    explicit SearchCommand(CliSession& session, QObject* parent = nullptr);
    void start();

Q_SIGNALS:
    void done(int exitCode);

private:
    void report();

    CliSession& m_session;
    BoardSearch m_search;
};

// The lines of ExplainSearch for a run that found `found` boards, on
// standard error. Shared with the commands that search first.
void ExplainSearchRun(CliSession& session, const BoardSearch& search, std::size_t found);

} // namespace quorvel
