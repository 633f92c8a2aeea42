#pragma once

#include "core/exchange/RemotePortList.h"
#include "core/exchange/SearchReplyHandler.h"
#include "core/net/SocketDispatch.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace quorvel {

class DeviceTable;

// One search run: owns the shared socket's datagrams while it runs,
// broadcasts the request on a fixed ten-second schedule and lists the boards
// that answer in the table it is handed. Each tick is OnTimer, so the
// schedule can be stepped without a clock.
class SearchExchange : public QObject, public ReplyHandler {
    Q_OBJECT
public:
    static constexpr int kTickMilliseconds = 250;
    static constexpr int kCountdownFull = 10000;
    static constexpr int kCountdownStep = 250;

    SearchExchange(SocketDispatch& dispatch, const RemotePortList& ports, DeviceTable& table,
                   QObject* parent = nullptr);
    ~SearchExchange() override;

    // Claims the socket and starts the countdown; the first request goes out
    // at the first tick.
    void start();
    // Ends the run: no more ticks, and datagrams are out of place again.
    void stop();

    // One step of the schedule.
    void OnTimer();
    void SendNewSearch();
    void RepeatSearch();

    void HandleReply() override { HandleSearchReply(); }
    void RepliesPaused() override;
    void HandleSearchReply();

    // Read each time the countdown reaches zero.
    void setRepeat(bool on) { m_repeat = on; }
    void setAutoClose(bool on) { m_autoClose = on; }
    bool repeat() const { return m_repeat; }
    bool autoClose() const { return m_autoClose; }
    // Where the requests go: the limited broadcast by default, or one address
    // (a directed broadcast, or a board beyond a router).
    void setTargetAddress(std::uint32_t ipv4) { m_target = ipv4; }
    // Addresses asked as well, each on every port: subnets beyond a router.
    void setExtraTargets(std::vector<std::uint32_t> ipv4s) { m_extraTargets = std::move(ipv4s); }
    // At most this many boards listed (0: no bound); the rest are counted.
    void setRecordLimit(std::uint32_t records) { m_run.recordLimit = records; }
    // Only the boards `accept` takes are listed.
    void setRecordFilter(std::function<bool(const DeviceRecord&)> accept) {
        m_run.accept = std::move(accept);
    }
    std::uint64_t overLimit() const { return m_run.overLimit; }

    int countdown() const { return m_countdown; }
    std::int32_t tickCount() const { return m_tickCount; }
    std::optional<std::uint16_t> randomNumber() const { return m_run.randomNumber; }
    std::int32_t foundCount() const { return m_run.foundCount; }
    bool sendAborted() const { return m_sendAborted; }
    bool isTicking() const { return m_timer.isActive(); }
    QTimer& tickTimer() { return m_timer; }

Q_SIGNALS:
    // After every tick's step.
    void countdownChanged(int countdown);
    // Once a burst of replies has been read.
    void foundCountChanged(int count);
    // A new board brought other column labels than the one before it.
    void columnLabelsChanged(const QString& left, const QString& right);
    // The countdown reached zero with repeat off: no more ticks.
    void ranOut();
    // The run ended by itself: auto close (accepted) or a failed send (not).
    void ended(bool accepted);

private:
    void sendToEveryPort();
    // Lists the boards appended since the last call and shows the count.
    void showFound();

    SocketDispatch& m_dispatch;
    const RemotePortList& m_ports;
    DeviceTable& m_table;
    std::uint32_t m_target = kBroadcastAddress;
    std::vector<std::uint32_t> m_extraTargets;
    bool m_repeat = false;
    bool m_autoClose = true;
    bool m_sendAborted = false;
    std::int32_t m_tickCount = 0;
    SearchRunState m_run;
    int m_countdown = kCountdownFull;
    QTimer m_timer;
    // Lists the new boards and shows the count once a burst of replies has
    // been read, or at the event loop's next turn.
    QTimer m_showFound;
};

} // namespace quorvel
