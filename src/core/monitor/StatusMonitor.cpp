#include "core/monitor/StatusMonitor.h"

#include "core/net/NetworkInterfaces.h"

#include <QDateTime>
#include <algorithm>
#include <net/if.h>
#include <unordered_set>

namespace quorvel {

namespace {

std::uint64_t senderKey(std::uint32_t ip, std::uint16_t port) {
    return std::uint64_t(ip) << 16 | port;
}

std::uint64_t macKey(const MacAddress& mac) {
    std::uint64_t key = 0;
    for (const std::uint8_t byte : mac)
        key = key << 8 | byte;
    return key;
}

std::uint64_t senderKey(const DeviceRecord& record) {
    return senderKey(Ipv4Word(record.ip), record.replyPort);
}

std::string interfaceNameOf(unsigned index) {
    char name[IF_NAMESIZE] = {};
    return index && if_indextoname(index, name) ? name : "";
}

} // namespace

StatusMonitor::StatusMonitor(DatagramSocket& socket, qint64 intervalMs, MonitorLimits limits,
                             QObject* parent)
    : QObject(parent), m_socket(socket), m_intervalMs(std::max<qint64>(intervalMs, 1)),
      m_limits(limits), m_probes(socket) {
    wallClock = [] { return QDateTime::currentMSecsSinceEpoch(); };
    directedBroadcasts = [] { return DirectedBroadcasts(ReadInterfaceEntries()); };
    // The monitor reads its socket itself, without SocketDispatch: the socket
    // is its own (nothing else shares it), and its replies are told apart by
    // their sender, not by the exchange that asked.
    m_socket.onReadyRead = [this] { readOne(); };
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, [this] { advance(m_clock.elapsed()); });
}

StatusMonitor::~StatusMonitor() {
    m_socket.onReadyRead = nullptr;
}

void StatusMonitor::addBoards(const std::vector<DeviceRecord>& records) {
    const std::vector<std::uint32_t> broadcasts =
        directedBroadcasts ? directedBroadcasts() : std::vector<std::uint32_t>{};
    std::vector<std::size_t> updated;
    std::unordered_set<std::size_t> seen;
    bool joined = false;
    for (const DeviceRecord& record : records) {
        if (!screen(record, broadcasts))
            continue;
        const auto known = m_byMac.find(macKey(record.mac));
        std::size_t index = 0;
        if (known != m_byMac.end()) {
            index = known->second;
            // Its old address is let go first, so that two boards that traded
            // addresses both keep theirs.
            const auto key = m_bySender.find(senderKey(m_boards[index].record));
            if (key != m_bySender.end() && key->second == index)
                m_bySender.erase(key);
        } else if (m_limits.maxBoards && m_boards.size() >= m_limits.maxBoards) {
            ++m_counters.boardLimit;
            continue;
        } else {
            index = m_boards.size();
            m_boards.emplace_back();
            m_byMac.emplace(macKey(record.mac), index);
            joined = true;
        }
        MonitoredBoard& board = m_boards[index];
        board.record = record;
        board.interfaceName = interfaceNameOf(record.interfaceIndex);
        board.displaced = false;
        board.lastHeardAt = m_now;
        if (seen.insert(index).second)
            updated.push_back(index);
    }
    for (const std::size_t index : updated) {
        const auto [key, inserted] =
            m_bySender.try_emplace(senderKey(m_boards[index].record), index);
        if (!inserted && key->second != index) {
            m_boards[key->second].displaced = true;
            key->second = index;
        }
    }
    if (joined)
        Q_EMIT boardsChanged();
}

bool StatusMonitor::screen(const DeviceRecord& record,
                           std::span<const std::uint32_t> directedBroadcasts) {
    const std::uint32_t ip = Ipv4Word(record.ip);
    if (!IsUnicastHostAddress(ip, directedBroadcasts)) {
        ++m_counters.notUnicast;
        return false;
    }
    if (Ipv4Word(record.replyAddress) != ip) {
        ++m_counters.addressMismatch;
        return false;
    }
    return true;
}

void StatusMonitor::start() {
    // A restart forgets the requests in flight: their times are the old clock's.
    m_inFlight.clear();
    m_outstanding.clear();
    m_roundStarts.clear();
    for (MonitoredBoard& board : m_boards) {
        board.pending = false;
        board.lastHeardAt = 0; // the new clock's start
    }
    m_started = true;
    m_clock.start();
    m_now = 0;
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
    m_probes.advance(nowMs);
    while (!m_inFlight.empty() && m_inFlight.front().first + kTimeoutMs <= nowMs) {
        const auto [sentAt, index] = m_inFlight.front();
        m_inFlight.pop_front();
        MonitoredBoard& board = m_boards[index];
        if (!board.pending || board.sentAt != sentAt)
            continue;
        board.pending = false;
        ++board.silences;
        ++m_counters.timeouts;
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
        forgetSilent(nowMs);
        m_roundSize = m_boards.size();
        finishRoundIfDone(previous, nowMs);
        sendDue(nowMs);
    }
}

void StatusMonitor::forgetSilent(qint64 nowMs) {
    if (!m_limits.forgetAfterMs)
        return;
    const auto gone = [&](const MonitoredBoard& board) {
        return !board.pending && nowMs - board.lastHeardAt >= m_limits.forgetAfterMs;
    };
    if (std::none_of(m_boards.begin(), m_boards.end(), gone))
        return;
    constexpr std::size_t kGone = std::size_t(-1);
    std::vector<std::size_t> newIndex(m_boards.size(), kGone);
    std::vector<MonitoredBoard> kept;
    for (std::size_t i = 0; i < m_boards.size(); ++i) {
        if (gone(m_boards[i])) {
            ++m_counters.forgotten;
            continue;
        }
        newIndex[i] = kept.size();
        kept.push_back(std::move(m_boards[i]));
    }
    m_boards = std::move(kept);
    std::deque<std::pair<qint64, std::size_t>> inFlight;
    for (const auto& [sentAt, index] : m_inFlight)
        if (newIndex[index] != kGone)
            inFlight.emplace_back(sentAt, newIndex[index]);
    m_inFlight = std::move(inFlight);
    reindex();
    Q_EMIT boardsChanged();
}

void StatusMonitor::reindex() {
    m_byMac.clear();
    m_bySender.clear();
    for (std::size_t i = 0; i < m_boards.size(); ++i) {
        m_byMac.emplace(macKey(m_boards[i].record.mac), i);
        if (!m_boards[i].displaced)
            m_bySender.emplace(senderKey(m_boards[i].record), i);
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
    if (board.displaced) {
        if (board.up || !board.reported)
            resolve(index, std::nullopt);
        return;
    }
    board.pending = true;
    board.answeredCurrent = false;
    board.sentAt = nowMs;
    board.round = m_round;
    ++m_outstanding[m_round];
    m_inFlight.emplace_back(nowMs, index);
    ++m_counters.requestsSent;
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
    // A probe's datagram is the probe's; a status answer may also be the
    // round's, for a board that is probed and watched at once.
    const bool probed = m_probes.take(outcome, *datagram);
    const auto sender = m_bySender.find(senderKey(outcome.sourceIp, outcome.sourcePort));
    if (sender == m_bySender.end()) {
        m_counters.unknownSender += !probed;
        return;
    }
    const std::optional<PrinterStatusFlags> flags = DecodePrinterStatusReply(*datagram);
    if (!flags) {
        m_counters.wrongLength += !probed;
        return;
    }
    MonitoredBoard& board = m_boards[sender->second];
    board.lastHeardAt = m_now;
    if (!board.pending) {
        if (!probed)
            ++(board.answeredCurrent ? m_counters.duplicate : m_counters.late);
        return;
    }
    board.pending = false;
    board.answeredCurrent = true;
    --m_outstanding[board.round];
    resolve(sender->second, flags);
    finishRoundIfDone(board.round, m_now);
}

bool StatusMonitor::probe(std::uint32_t ip, std::uint16_t port, qint64 budgetMs,
                          BoardProbes::Done done) {
    return m_started && m_probes.start(ip, port, budgetMs, m_now, std::move(done));
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
