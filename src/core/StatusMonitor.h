#pragma once

#include "DatagramSocket.h"
#include "protocol/DeviceRecord.h"
#include "protocol/PrinterStatusDatagrams.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace quorvel {

// One change of a board's condition: an answer with other flags than before,
// or the answer given or withheld.
struct StatusChange {
    qint64 timeMs = 0;                        // since the epoch
    std::optional<PrinterStatusFlags> before; // nothing: unknown or no answer
    std::optional<PrinterStatusFlags> after;  // nothing: no answer
};

struct MonitoredBoard {
    DeviceRecord record;
    std::string interfaceName;
    std::optional<PrinterStatusFlags> flags; // the last answer's, kept while silent
    bool up = false;                         // the last request was answered
    bool reported = false;                   // a change has been told for it
    qint64 lastAnswerMs = 0;                 // since the epoch; 0: never
    std::uint64_t silences = 0;              // requests that went unanswered
    std::deque<StatusChange> history;        // the latest changes, oldest first

    // The request in flight.
    bool pending = false;
    bool answeredCurrent = false;
    qint64 sentAt = 0; // monotonic
    std::uint64_t round = 0;
};

// Replies the monitor set aside, by why.
struct MonitorCounters {
    std::uint64_t wrongLength = 0;
    std::uint64_t unknownSender = 0;
    std::uint64_t duplicate = 0;
    std::uint64_t late = 0;
};

// Asks every board for its status once per interval, the requests spread
// over the interval, on a socket of its own. Replies are told apart by their
// sender's address and port; a request unanswered after the status time-out
// counts as no answer for that board.
class StatusMonitor : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kTimeoutMs = 4000;
    static constexpr std::size_t kHistoryLength = 16;
    static constexpr int kTickMs = 20;

    StatusMonitor(DatagramSocket& socket, qint64 intervalMs, QObject* parent = nullptr);
    ~StatusMonitor() override;

    // Boards found by a search: new ones join, known ones (by MAC) take their
    // present address; none leaves, so a vanished board goes silent.
    void addBoards(const std::vector<DeviceRecord>& records);
    void start();
    void stop();
    // One step of the pace at monotonic time `nowMs`: time-outs, then the
    // requests now due. The timer calls it; tests call it directly.
    void advance(qint64 nowMs);
    // Reads one waiting datagram.
    void readOne();

    const std::vector<MonitoredBoard>& boards() const { return m_boards; }
    const MonitorCounters& counters() const { return m_counters; }
    // The last completed round's length, from its first request to its last
    // answer or time-out.
    double lastRoundSeconds() const { return m_lastRoundMs / 1000.0; }
    std::uint64_t roundsCompleted() const { return m_roundsCompleted; }

    // Epoch time for the stamps; tests pin it.
    std::function<qint64()> wallClock;

Q_SIGNALS:
    void changed(int boardIndex, const quorvel::StatusChange& change);
    void roundFinished();

private:
    void sendDue(qint64 nowMs);
    void send(std::size_t index, qint64 nowMs);
    void resolve(std::size_t index, std::optional<PrinterStatusFlags> flags);
    void finishRoundIfDone(std::uint64_t round, qint64 nowMs);

    DatagramSocket& m_socket;
    qint64 m_intervalMs;
    std::vector<MonitoredBoard> m_boards;
    std::unordered_map<std::uint64_t, std::size_t> m_bySender; // ip << 16 | port
    std::unordered_map<std::string, std::size_t> m_byMac;
    std::deque<std::pair<qint64, std::size_t>> m_inFlight; // by send time
    MonitorCounters m_counters;
    ReceiveBuffer m_buffer;

    QTimer m_timer;
    QElapsedTimer m_clock;
    bool m_started = false;
    qint64 m_now = 0;
    qint64 m_roundStart = 0;
    std::size_t m_next = 0; // the next board to ask this round
    std::size_t m_roundSize = 0;
    std::uint64_t m_round = 0;
    std::unordered_map<std::uint64_t, std::size_t> m_outstanding; // per round
    std::unordered_map<std::uint64_t, qint64> m_roundStarts;
    qint64 m_lastRoundMs = 0;
    std::uint64_t m_roundsCompleted = 0;
};

} // namespace quorvel
