#pragma once

#include "core/exchange/DeviceTable.h"
#include "core/exchange/RemotePortList.h"
#include "core/exchange/SearchExchange.h"
#include "core/net/SocketDispatch.h"
#include "protocol/Addresses.h"

#include <QObject>
#include <QTimer>
#include <map>
#include <memory>
#include <optional>

namespace quorvel {

// Waits for boards to answer again after a firmware push: one search of the
// very exchange the search dialog runs, sent to the address of every board
// awaited (never broadcast), until the same MAC answers from it or the
// board's time runs out. Boards join and leave while it runs; the search
// starts again with the new addresses, at most twice a second.
class BoardReturnWatch : public QObject {
    Q_OBJECT
public:
    static constexpr int kDefaultSeconds = 60;

    BoardReturnWatch(SocketDispatch& dispatch, const RemotePortList& ports,
                     QObject* parent = nullptr);
    ~BoardReturnWatch() override;

    // Watches for a board at `ip`: the one with `mac`, or any board when the
    // MAC is not known. Returns the watch's number for the signal.
    int watch(const Ipv4Address& ip, std::optional<MacAddress> mac, int seconds = kDefaultSeconds);
    void forget(int id);
    std::size_t awaited() const { return m_awaited.size(); }

    // The once-a-second step that ends the watches whose time ran out; tests
    // call it in place of the clock.
    void OnSecond();
    // Starts the search again with the addresses awaited now.
    void restartSearch();

Q_SIGNALS:
    void settled(int id, bool answered);

private:
    struct Awaited {
        Ipv4Address ip;
        std::optional<MacAddress> mac;
        int secondsLeft;
    };
    void found();
    void scheduleRestart();

    SocketDispatch& m_dispatch;
    const RemotePortList& m_ports;
    DeviceTable m_table;
    std::unique_ptr<SearchExchange> m_search;
    std::map<int, Awaited> m_awaited;
    int m_nextId = 1;
    QTimer m_second;
    QTimer m_restart;
};

} // namespace quorvel
