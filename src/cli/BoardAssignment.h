#pragma once

#include "PlanOutput.h"
#include "protocol/DeviceRecord.h"

#include <QObject>
#include <memory>
#include <optional>
#include <string>

namespace quorvel {

class AssignExchange;
class CliSession;

// One assignment by the assign dialog's exchange: its timetable (neighbour
// entry, ping, broadcast), its verdicts and its time-out.
class BoardAssignment : public QObject {
    Q_OBJECT
public:
    // `board` as the search found it, or a record with only the MAC and the
    // port to try when the search did not find it.
    BoardAssignment(CliSession& session, const DeviceRecord& board, const PlanRow& row,
                    QObject* parent = nullptr);
    ~BoardAssignment() override;

    void start();
    // Interrupted: no more ticks, and the neighbour entries go.
    void stop();

Q_SIGNALS:
    void finished(quorvel::RowVerdict verdict, const std::string& text);

private:
    void ended();
    void conclude();

    CliSession& m_session;
    PlanRow m_row;
    DeviceRecord m_board;
    std::string m_mac;
    std::unique_ptr<AssignExchange> m_exchange;
    bool m_ending = false;
};

} // namespace quorvel
