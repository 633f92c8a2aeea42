#pragma once

#include "core/net/DatagramSocket.h"

#include <cstdint>
#include <memory>

namespace quorvel {

enum ExchangeModeValue : std::int32_t {
    ExchangeNone = 0,
    ExchangeSearch = 1,
    ExchangeAssign = 2,
    ExchangePrinterStatus = 3,
};

// An exchange that can own the datagrams arriving on the shared socket. Its
// handler reads exactly one datagram per call.
class ReplyHandler {
public:
    virtual ~ReplyHandler() = default;
    virtual void HandleReply() = 0;
    // The socket stops handing out datagrams for now, so that the event loop
    // can turn: whatever was held back for the end of a burst is due.
    virtual void RepliesPaused() {}
};

// The shared socket and who owns what arrives on it. One exchange at a time
// claims the socket; a datagram with no owner is read, dropped and reported.
class SocketDispatch {
public:
    // A null socket: none yet (setSocket gives it one).
    explicit SocketDispatch(std::unique_ptr<DatagramSocket> socket = nullptr);
    ~SocketDispatch();
    SocketDispatch(const SocketDispatch&) = delete;
    SocketDispatch& operator=(const SocketDispatch&) = delete;

    void setSocket(std::unique_ptr<DatagramSocket> socket);
    DatagramSocket* socket() const { return m_socket.get(); }

    // The exchange `owner` takes the datagrams from now on.
    void claim(ExchangeModeValue mode, ReplyHandler* owner);
    // Back to no owner, if `owner` still holds the socket.
    void release(ReplyHandler* owner);
    // `owner` is going away: release, and keep no pointer to it.
    void forget(ReplyHandler* owner);
    bool isOwner(const ReplyHandler* owner) const { return currentOwner() == owner && owner; }
    // Which kind of exchange holds the socket now, and the last of each kind
    // that claimed it (null once forgotten).
    ExchangeModeValue mode() const { return m_mode; }
    ReplyHandler* lastClaimedBy(ExchangeModeValue mode) const;

    // One waiting datagram: to the owning exchange, or read and reported.
    void OnReceive();
    // The socket lets the event loop turn: tells the owning exchange.
    void OnReadPaused();

private:
    ReplyHandler* currentOwner() const { return lastClaimedBy(m_mode); }

    std::unique_ptr<DatagramSocket> m_socket;
    ExchangeModeValue m_mode = ExchangeNone;
    ReplyHandler* m_search = nullptr;
    ReplyHandler* m_assign = nullptr;
    ReplyHandler* m_status = nullptr;
};

} // namespace quorvel
