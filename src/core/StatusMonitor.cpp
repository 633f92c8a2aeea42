#include "StatusMonitor.h"

#include <QDateTime>
#include <net/if.h>

namespace quorvel {

namespace {

std::uint64_t senderKey(std::uint32_t ip, std::uint16_t port) {
    return std::uint64_t(ip) << 16 | port;
}

std::string interfaceNameOf(unsigned index) {
    char name[IF_NAMESIZE] = {};
    return index && if_indextoname(index, name) ? name : "";
}

} // namespace

StatusMonitor::StatusMonitor(DatagramSocket& socket, qint64 intervalMs, QObject* parent)
    : QObject(parent), m_socket(socket), m_intervalMs(std::max<qint64>(intervalMs, 1)) {
    wallClock = [] { return QDateTime::currentMSecsSinceEpoch(); };
    m_socket.onReadyRead = [this] { readOne(); };
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, [this] { advance(m_clock.elapsed()); });
}

StatusMonitor::~StatusMonitor() {
    m_socket.onReadyRead = nullptr;
}

void StatusMonitor::addBoards(const std::vector<DeviceRecord>& records) {
    for (const DeviceRecord& record : records) {
        const std::string mac = MacText(record.mac);
        auto [known, added] = m_byMac.try_emplace(mac, m_boards.size());
        if (added) {
            m_boards.emplace_back();
        } else {
            const DeviceRecord& old = m_boards[known->second].record;
            m_bySender.erase(senderKey(Ipv4Word(old.ip), old.replyPort));
        }
        MonitoredBoard& board = m_boards[known->second];
        board.record = record;
        board.interfaceName = interfaceNameOf(record.interfaceIndex);
        m_bySender[senderKey(Ipv4Word(record.ip), record.replyPort)] = known->second;
    }
}

void StatusMonitor::start() {
    // A restart forgets the requests in flight: their times are the old clock's.
    m_inFlight.clear();
    m_outstanding.clear();
    m_roundStarts.clear();
    for (MonitoredBoard& board : m_boards)
        board.pending = false;
    m_started = true;
    m_clock.start();
    m_roundStart = 0;
    m_next = 0;
    m_roundSize = m_boards.size();
    m_roundStarts[m_round] = 0;
    m_timer.start();
}

void StatusMonitor::stop() {
    m_started = false;
    m_timer.stop();
}

void StatusMonitor::advance(qint64 nowMs) {
    if (!m_started)
        return;
    m_now = nowMs;
    while (!m_inFlight.empty() && m_inFlight.front().first + kTimeoutMs <= nowMs) {
        const auto [sentAt, index] = m_inFlight.front();
        m_inFlight.pop_front();
        MonitoredBoard& board = m_boards[index];
        if (!board.pending || board.sentAt != sentAt)
            continue;
        board.pending = false;
        ++board.silences;
        --m_outstanding[board.round];
        resolve(index, std::nullopt);
        finishRoundIfDone(board.round, nowMs);
    }
    sendDue(nowMs);
    if (m_next >= m_roundSize && nowMs - m_roundStart >= m_intervalMs) {
        const std::uint64_t previous = m_round++;
        // A round that fell far behind starts afresh rather than in a burst.
        m_roundStart =
            nowMs - m_roundStart >= 2 * m_intervalMs ? nowMs : m_roundStart + m_intervalMs;
        m_roundStarts[m_round] = m_roundStart;
        m_next = 0;
        m_roundSize = m_boards.size();
        finishRoundIfDone(previous, nowMs);
        sendDue(nowMs);
    }
}

void StatusMonitor::sendDue(qint64 nowMs) {
    if (!m_roundSize)
        return;
    const auto due = std::min<std::size_t>(
        m_roundSize, std::size_t((nowMs - m_roundStart) * qint64(m_roundSize) / m_intervalMs) + 1);
    while (m_next < due)
        send(m_next++, nowMs);
}

void StatusMonitor::send(std::size_t index, qint64 nowMs) {
    MonitoredBoard& board = m_boards[index];
    // Still waiting for last round's answer: its time-out will tell.
    if (board.pending)
        return;
    board.pending = true;
    board.answeredCurrent = false;
    board.sentAt = nowMs;
    board.round = m_round;
    ++m_outstanding[m_round];
    m_inFlight.emplace_back(nowMs, index);
    // A request that cannot leave (the link is down) simply goes unanswered.
    static const auto request = BuildPrinterStatusRequest();
    m_socket.sendTo(request, Ipv4Word(board.record.ip), board.record.replyPort,
                    board.record.interfaceIndex);
}

void StatusMonitor::readOne() {
    ReadOutcome outcome;
    const ReadBytes datagram = m_buffer.read(m_socket, &outcome);
    if (!datagram)
        return;
    const auto sender = m_bySender.find(senderKey(outcome.sourceIp, outcome.sourcePort));
    if (sender == m_bySender.end()) {
        ++m_counters.unknownSender;
        return;
    }
    const std::optional<PrinterStatusFlags> flags = DecodePrinterStatusReply(*datagram);
    if (!flags) {
        ++m_counters.wrongLength;
        return;
    }
    MonitoredBoard& board = m_boards[sender->second];
    if (!board.pending) {
        ++(board.answeredCurrent ? m_counters.duplicate : m_counters.late);
        return;
    }
    board.pending = false;
    board.answeredCurrent = true;
    --m_outstanding[board.round];
    resolve(sender->second, flags);
    finishRoundIfDone(board.round, m_now);
}

void StatusMonitor::resolve(std::size_t index, std::optional<PrinterStatusFlags> flags) {
    MonitoredBoard& board = m_boards[index];
    const qint64 now = wallClock();
    const bool wasUp = board.up;
    StatusChange change{now, wasUp ? board.flags : std::nullopt, flags};
    bool changedNow = !board.reported || wasUp != flags.has_value();
    board.up = flags.has_value();
    if (flags) {
        changedNow = changedNow || board.flags != flags;
        board.flags = flags;
        board.lastAnswerMs = now;
    }
    if (!changedNow)
        return;
    board.reported = true;
    board.history.push_back(change);
    if (board.history.size() > kHistoryLength)
        board.history.pop_front();
    Q_EMIT changed(int(index), change);
}

void StatusMonitor::finishRoundIfDone(std::uint64_t round, qint64 nowMs) {
    if (round == m_round && m_next < m_roundSize)
        return;
    const auto outstanding = m_outstanding.find(round);
    if (outstanding != m_outstanding.end() && outstanding->second > 0)
        return;
    const auto start = m_roundStarts.find(round);
    if (start == m_roundStarts.end())
        return;
    if (round == m_round && m_roundSize == 0)
        return; // an empty round ends with its interval
    m_lastRoundMs = nowMs - start->second;
    m_roundStarts.erase(start);
    if (outstanding != m_outstanding.end())
        m_outstanding.erase(outstanding);
    ++m_roundsCompleted;
    Q_EMIT roundFinished();
}

} // namespace quorvel
