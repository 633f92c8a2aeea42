#pragma once

#include "core/host/AddressClash.h"
#include "core/host/NeighbourEntries.h"
#include "core/net/SocketDispatch.h"
#include "protocol/AssignDatagrams.h"
#include "protocol/DeviceRecord.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <array>
#include <cstdint>
#include <optional>

namespace quorvel {

// Where an assignment stands.
enum class AssignOutcome {
    Running,    // not started, or counting down
    Programmed, // the board took the new address
    Refused,    // the board answered with a failure code (replyCode())
    NoAnswer,   // the countdown ran out without a verdict
};

// Gives one board a new address, mask and gateway, or DHCP. One assignment
// runs a ten-second countdown of 250 ms ticks that prepares the host's
// neighbour cache, sends the request as a broadcast and waits for the
// board's verdict. Owns the shared socket's datagrams from open() to close().
class AssignExchange : public QObject, public ReplyHandler {
    Q_OBJECT
public:
    static constexpr int kCountdownTop = 10000;
    static constexpr int kCountdownStep = 250;
    static constexpr int kTickMilliseconds = 250;

    // `board` is the board chosen in the list; without one the request goes
    // out with a zero MAC to port 0.
    AssignExchange(SocketDispatch& dispatch, std::optional<DeviceRecord> board,
                   QObject* parent = nullptr);
    ~AssignExchange() override;

    const std::optional<DeviceRecord>& board() const { return m_board; }

    // Claims the socket; the countdown and the status line start full.
    void open();
    // OK: builds the request from `fields` (the board's MAC added), clears
    // the neighbour cache and starts the ticks. The host steps are left out
    // (with a line saying why) for an address they must not carry to a
    // board: see HostStepsAllowed.
    void start(const AssignParameters& fields);
    // Why `ip` must not go to this board, as the host sees it now: asked
    // before start(), so that the user decides.
    std::optional<AddressClash> addressClash(const Ipv4Address& ip) const;
    // No more ticks, and datagrams are out of place again.
    void close();

    void OnTimer();
    void HandleAssignReply();
    void HandleReply() override { HandleAssignReply(); }

    // Read at every tick.
    void setRepeat(bool on) { m_repeat = on; }
    void setPingGleaning(bool on) { m_pingGleaning = on; }
    // Read when the board's verdict arrives.
    void setCloseOnSuccess(bool on) { m_closeOnSuccess = on; }
    // Off: no cache flush, no neighbour entry and no ping, the request at
    // once. Read by start().
    void setHostSteps(bool on) { m_hostSteps = on; }
    // On: a search reply (a late answer to a search just stopped) is passed
    // over without a word.
    void setIgnoreSearchReplies(bool on) { m_ignoreSearchReplies = on; }

    QTimer& tickTimer() { return m_timer; }

    AssignOutcome outcome() const { return m_outcome; }
    // The code of the board's last reply to this request, verdict or not.
    std::optional<std::uint8_t> replyCode() const { return m_replyCode; }
    // The status line: the seconds left, the time-out or the board's verdict.
    const QString& statusText() const { return m_statusText; }

    std::array<std::uint8_t, kAssignRequestSize> requestBuffer{};
    std::uint16_t randomNumber = 0;
    int countdown = kCountdownTop;

Q_SIGNALS:
    void countdownChanged(int countdown);
    void statusChanged(const QString& text);
    // The board's verdict arrived, or the countdown ran out.
    void ended(quorvel::AssignOutcome outcome);
    // The board was programmed and the run is to close by itself.
    void closeRequested();
    // Every reply that matched the request, with its code: also those codes
    // that stop the countdown and change nothing else.
    void replyReceived(int result);

private:
    void buildRequest(const AssignParameters& fields);
    void sendRequest();
    void setStatus(const QString& text);
    void setCountdown(int value);

    void end(AssignOutcome outcome);

    SocketDispatch& m_dispatch;
    std::optional<DeviceRecord> m_board;
    QTimer m_timer;
    AssignOutcome m_outcome = AssignOutcome::Running;
    std::optional<std::uint8_t> m_replyCode;
    QString m_statusText;
    bool m_repeat = false;
    bool m_pingGleaning = true;
    bool m_closeOnSuccess = true;
    bool m_hostSteps = true;
    bool m_hostStepsNow = true; // this run's: m_hostSteps unless the address forbids them
    bool m_ignoreSearchReplies = false;
    bool m_requestBuilt = false;
    std::uint16_t m_replyPort = 0;
    unsigned m_interfaceIndex = 0; // where the board answered
    // Removed again on close(), and at the latest when the exchange goes.
    NeighbourEntries m_neighbours;
};

} // namespace quorvel
