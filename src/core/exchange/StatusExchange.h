#pragma once

#include "core/net/SocketDispatch.h"
#include "protocol/DeviceRecord.h"
#include "protocol/PrinterStatusDatagrams.h"

#include <QObject>
#include <QTimer>
#include <optional>

namespace quorvel {

// Asks one board for its printer's fourteen status flags and waits four
// seconds (eight 500 ms ticks) for the answer. Owns the shared socket's
// datagrams from open() to close().
class StatusExchange : public QObject, public ReplyHandler {
    Q_OBJECT
public:
    static constexpr int kTickMilliseconds = 500;
    static constexpr int kProgressTop = 40;
    static constexpr int kProgressStep = -5;

    // Without a board a refresh sends nothing and simply times out.
    StatusExchange(SocketDispatch& dispatch, std::optional<DeviceRecord> board,
                   QObject* parent = nullptr);
    ~StatusExchange() override;

    const std::optional<DeviceRecord>& board() const { return m_board; }

    void open();
    // From here on datagrams are out of place.
    void close();

    // Sends one request and starts the wait.
    void requestStatus();
    // One 500 ms tick of the wait; the real timer calls it, tests call it directly.
    void OnTimer();
    void HandleReply() override;

    int progress() const { return m_progress; }
    bool isWaiting() const { return m_timer.isActive(); }

Q_SIGNALS:
    // A request went out (or would have): the wait runs from the top.
    void waitStarted();
    void progressChanged(int progress);
    // The wait ran out with no answer.
    void timedOut();
    // The request could not leave by any way (an errno value).
    void sendFailed(int error);
    // An answer, during a wait or outside one; the wait is over.
    void flagsReceived(const quorvel::PrinterStatusFlags& flags);

private:
    void setProgress(int value);

    SocketDispatch& m_dispatch;
    std::optional<DeviceRecord> m_board;
    int m_progress = 0;
    QTimer m_timer;
};

} // namespace quorvel
