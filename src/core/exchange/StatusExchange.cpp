#include "core/exchange/StatusExchange.h"

#include "core/exchange/Countdown.h"
#include "core/messages/Messages.h"

namespace quorvel {

StatusExchange::StatusExchange(SocketDispatch& dispatch, std::optional<DeviceRecord> board,
                               QObject* parent)
    : QObject(parent), m_dispatch(dispatch), m_board(std::move(board)) {
    m_timer.setInterval(kTickMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, &StatusExchange::OnTimer);
}

StatusExchange::~StatusExchange() {
    m_timer.stop();
    m_dispatch.forget(this);
}

void StatusExchange::open() {
    m_dispatch.claim(ExchangePrinterStatus, this);
    setProgress(0);
}

void StatusExchange::close() {
    m_dispatch.release(this);
    m_timer.stop();
}

void StatusExchange::requestStatus() {
    m_timer.start();
    setProgress(kProgressTop);
    Q_EMIT waitStarted();

    DatagramSocket* socket = m_dispatch.socket();
    if (!m_board || !socket)
        return;
    const std::uint32_t address = Ipv4Word(m_board->ip);
    const auto request = BuildPrinterStatusRequest();
    // The window says nothing of a failed send: its wait simply times out.
    if (const int error =
            socket->sendTo(request, address, m_board->replyPort, m_board->interfaceIndex))
        Q_EMIT sendFailed(error);
}

void StatusExchange::OnTimer() {
    if (!m_timer.isActive())
        return;
    setProgress(StepCountdown(m_progress, -kProgressStep, kProgressTop));
    if (m_progress != 0)
        return;
    m_timer.stop();
    Q_EMIT timedOut();
}

void StatusExchange::HandleReply() {
    DatagramSocket* socket = m_dispatch.socket();
    if (!socket)
        return;
    ReceiveBuffer buffer;
    const ReadBytes datagram = buffer.read(*socket);
    if (!datagram) {
        ReportIgnoredDatagram(tr("接收数据错误！"), MessageIcon::Error);
        return;
    }
    const std::optional<PrinterStatusFlags> flags = DecodePrinterStatusReply(*datagram);
    // Anything but a 4-byte reply (a late search answer, say) is not ours:
    // the wait goes on and ends with a real reply or the time-out.
    if (!flags)
        return;
    m_timer.stop();
    setProgress(0);
    Q_EMIT flagsReceived(*flags);
}

void StatusExchange::setProgress(int value) {
    m_progress = value;
    Q_EMIT progressChanged(m_progress);
}

} // namespace quorvel
