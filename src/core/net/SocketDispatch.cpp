#include "core/net/SocketDispatch.h"

#include "core/messages/Messages.h"

#include <QCoreApplication>

namespace quorvel {

SocketDispatch::SocketDispatch(std::unique_ptr<DatagramSocket> socket) {
    setSocket(std::move(socket));
}

SocketDispatch::~SocketDispatch() {
    if (udpSocket) {
        udpSocket->onReadyRead = nullptr;
        udpSocket->onReadPaused = nullptr;
    }
}

void SocketDispatch::setSocket(std::unique_ptr<DatagramSocket> socket) {
    if (udpSocket) {
        udpSocket->onReadyRead = nullptr;
        udpSocket->onReadPaused = nullptr;
    }
    udpSocket = std::move(socket);
    if (udpSocket) {
        udpSocket->onReadyRead = [this] { OnReceive(); };
        udpSocket->onReadPaused = [this] { OnReadPaused(); };
    }
}

ReplyHandler* SocketDispatch::currentOwner() const {
    return ExchangeMode == ExchangeSearch          ? searchExchange
           : ExchangeMode == ExchangeAssign        ? assignExchange
           : ExchangeMode == ExchangePrinterStatus ? statusExchange
                                                   : nullptr;
}

void SocketDispatch::claim(ExchangeModeValue mode, ReplyHandler* owner) {
    if (mode == ExchangeSearch)
        searchExchange = owner;
    else if (mode == ExchangeAssign)
        assignExchange = owner;
    else if (mode == ExchangePrinterStatus)
        statusExchange = owner;
    ExchangeMode = mode;
}

void SocketDispatch::release(ReplyHandler* owner) {
    if (isOwner(owner))
        ExchangeMode = ExchangeNone;
}

void SocketDispatch::forget(ReplyHandler* owner) {
    release(owner);
    for (ReplyHandler** slot : {&searchExchange, &assignExchange, &statusExchange})
        if (*slot == owner)
            *slot = nullptr;
}

void SocketDispatch::OnReceive() {
    if (ReplyHandler* owner = currentOwner()) {
        owner->HandleReply();
        return;
    }
    ReceiveBuffer buffer;
    if (udpSocket)
        buffer.read(*udpSocket);
    ReportIgnoredDatagram(QCoreApplication::translate(
        "SocketDispatch", "Recevied an out-of-place Packet -- Discarding"));
}

void SocketDispatch::OnReadPaused() {
    if (ReplyHandler* owner = currentOwner())
        owner->RepliesPaused();
}

} // namespace quorvel
