#pragma once

#include "AssignPlan.h"
#include "BoardAssignment.h"
#include "BoardSearch.h"
#include "PlanOutput.h"

#include <QObject>
#include <memory>
#include <optional>
#include <vector>

namespace quorvel {

class CliSession;

// `quorvel assign MAC ...` and `quorvel assign --plan FILE`: every row checked
// before anything is sent, one search to learn each board's reply port and
// link, the rows one after another (a failure does not stop the plan), and
// with --verify a last search that checks each board answers as planned.
class AssignCommand : public QObject {
    Q_OBJECT
public:
    explicit AssignCommand(CliSession& session, QObject* parent = nullptr);
    ~AssignCommand() override;

    // Reads and checks the plan (or the one assignment); false with the exit
    // code when nothing is to be sent.
    bool prepare(int& exitCode);
    void start();
    // Interrupted: the running assignment stops and removes its entries.
    void stop();

Q_SIGNALS:
    void done(int exitCode);

private:
    bool allPlannedAnswered(const std::vector<DeviceRecord>& records, bool asPlanned) const;
    void boardsSearched();
    void runRow();
    void rowFinished(RowVerdict verdict, const std::string& text);
    void verified();
    void report();

    CliSession& m_session;
    std::vector<PlanRow> m_rows;
    std::vector<PlanOutcome> m_outcomes;
    std::unique_ptr<BoardSearch> m_search;
    std::vector<DeviceRecord> m_known;
    std::unique_ptr<BoardAssignment> m_assignment;
};

// Why the addresses would strand the board, or nothing: the assign dialog's
// own checks.
std::optional<std::string> StrandingAddressProblem(const PlanRow& row);

} // namespace quorvel
