#pragma once

#include "core/monitor/BoardProbes.h"
#include "core/net/DatagramSocket.h"
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
    // Another board answered a search from this one's address and port: not
    // asked until a search finds it again.
    bool displaced = false;
    qint64 lastAnswerMs = 0;          // since the epoch; 0: never
    qint64 lastHeardAt = 0;           // monotonic: its last answer or search reply
    std::uint64_t silences = 0;       // requests that went unanswered
    std::deque<StatusChange> history; // the latest changes, oldest first

    // The request in flight.
    bool pending = false;
    bool answeredCurrent = false;
    qint64 sentAt = 0; // monotonic
    std::uint64_t round = 0;
};

struct MonitorCounters {
    // Status replies set aside.
    std::uint64_t wrongLength = 0;
    std::uint64_t unknownSender = 0;
    std::uint64_t duplicate = 0;
    std::uint64_t late = 0;
    // Boards of search replies not watched: an address that is no single
    // host's, a reply from another address than the board's, the bound.
    std::uint64_t notUnicast = 0;
    std::uint64_t addressMismatch = 0;
    std::uint64_t boardLimit = 0;

    std::uint64_t requestsSent = 0;
    std::uint64_t timeouts = 0;
    std::uint64_t forgotten = 0;
};

// What a long-running monitor keeps at most.
struct MonitorLimits {
    std::size_t maxBoards = 0; // 0: no bound
    // A board neither listed by a search nor heard for this long is dropped;
    // 0: never.
    qint64 forgetAfterMs = 0;
};

// Asks every board for its status once per interval, the requests spread
// over the interval, on a socket of its own. Replies are told apart by their
// sender's address and port; a request unanswered after the status time-out
// counts as no answer for that board. A search reply is a claim: only boards
// whose reply came from their own unicast address are asked, and at that
// address. Single boards can also be probed on demand on the same socket.
class StatusMonitor : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kTimeoutMs = 4000;
    static constexpr std::size_t kHistoryLength = 16;
    static constexpr int kTickMs = 20;

    StatusMonitor(DatagramSocket& socket, qint64 intervalMs, MonitorLimits limits = {},
                  QObject* parent = nullptr);
    ~StatusMonitor() override;

    // Boards found by a search: new ones join (up to the bound), known ones
    // (by MAC) take their present address. A vanished board goes silent, and
    // is forgotten after the limit's time.
    void addBoards(const std::vector<DeviceRecord>& records);
    // Whether a search reply's board may be watched: it names a single
    // host's address and came from it. A refusal is counted.
    bool screen(const DeviceRecord& record, std::span<const std::uint32_t> directedBroadcasts);
    // Boards a search did not even list, its table being full.
    void countOverLimit(std::uint64_t boards) { m_counters.boardLimit += boards; }
    void start();
    void stop();
    // One step of the pace at monotonic time `nowMs`: time-outs, then the
    // requests now due. The timer calls it; tests call it directly.
    void advance(qint64 nowMs);
    // Reads one waiting datagram.
    void readOne();
    // Probes one board now (see BoardProbes); false when too many run. Needs
    // the monitor started.
    bool probe(std::uint32_t ip, std::uint16_t port, qint64 budgetMs, BoardProbes::Done done);

    const std::vector<MonitoredBoard>& boards() const { return m_boards; }
    const MonitorCounters& counters() const { return m_counters; }
    // The last completed round's length, from its first request to its last
    // answer or time-out.
    double lastRoundSeconds() const { return m_lastRoundMs / 1000.0; }
    std::uint64_t roundsCompleted() const { return m_roundsCompleted; }
    std::uint64_t probeAddressMismatches() const { return m_probes.addressMismatches(); }

    // Epoch time for the stamps; tests pin it.
    std::function<qint64()> wallClock;
    // The host's links' directed broadcasts, read at each addBoards; tests
    // pin them.
    std::function<std::vector<std::uint32_t>()> directedBroadcasts;

Q_SIGNALS:
    void changed(int boardIndex, const quorvel::StatusChange& change);
    void roundFinished();
    // Boards joined or were forgotten; indices before it may name others now.
    void boardsChanged();

private:
    void forgetSilent(qint64 nowMs);
    void reindex();
    void sendDue(qint64 nowMs);
    void send(std::size_t index, qint64 nowMs);
    void resolve(std::size_t index, std::optional<PrinterStatusFlags> flags);
    void finishRoundIfDone(std::uint64_t round, qint64 nowMs);

    DatagramSocket& m_socket;
    qint64 m_intervalMs;
    MonitorLimits m_limits;
    BoardProbes m_probes;
    std::vector<MonitoredBoard> m_boards;
    std::unordered_map<std::uint64_t, std::size_t> m_bySender; // ip << 16 | port
    std::unordered_map<std::uint64_t, std::size_t> m_byMac;
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
