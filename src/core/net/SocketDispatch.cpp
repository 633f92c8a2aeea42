#include "core/net/SocketDispatch.h"

#include "core/messages/Messages.h"

#include <QCoreApplication>

namespace quorvel {

SocketDispatch::SocketDispatch(std::unique_ptr<DatagramSocket> socket) {
    setSocket(std::move(socket));
}

SocketDispatch::~SocketDispatch() {
    if (m_socket) {
        m_socket->onReadyRead = nullptr;
        m_socket->onReadPaused = nullptr;
    }
}

void SocketDispatch::setSocket(std::unique_ptr<DatagramSocket> socket) {
    if (m_socket) {
        m_socket->onReadyRead = nullptr;
        m_socket->onReadPaused = nullptr;
    }
    m_socket = std::move(socket);
    if (m_socket) {
        m_socket->onReadyRead = [this] { OnReceive(); };
        m_socket->onReadPaused = [this] { OnReadPaused(); };
    }
}

ReplyHandler* SocketDispatch::lastClaimedBy(ExchangeModeValue mode) const {
    return mode == ExchangeSearch          ? m_search
           : mode == ExchangeAssign        ? m_assign
           : mode == ExchangePrinterStatus ? m_status
                                           : nullptr;
}

void SocketDispatch::claim(ExchangeModeValue mode, ReplyHandler* owner) {
    if (mode == ExchangeSearch)
        m_search = owner;
    else if (mode == ExchangeAssign)
        m_assign = owner;
    else if (mode == ExchangePrinterStatus)
        m_status = owner;
    m_mode = mode;
}

void SocketDispatch::release(ReplyHandler* owner) {
    if (isOwner(owner))
        m_mode = ExchangeNone;
}

void SocketDispatch::forget(ReplyHandler* owner) {
    release(owner);
    for (ReplyHandler** slot : {&m_search, &m_assign, &m_status})
        if (*slot == owner)
            *slot = nullptr;
}

void SocketDispatch::OnReceive() {
    if (ReplyHandler* owner = currentOwner()) {
        owner->HandleReply();
        return;
    }
    ReceiveBuffer buffer;
    if (m_socket)
        buffer.read(*m_socket);
    ReportIgnoredDatagram(QCoreApplication::translate(
        "SocketDispatch", "Recevied an out-of-place Packet -- Discarding"));
}

void SocketDispatch::OnReadPaused() {
    if (ReplyHandler* owner = currentOwner())
        owner->RepliesPaused();
}

} // namespace quorvel
