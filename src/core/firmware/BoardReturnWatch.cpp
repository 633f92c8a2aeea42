#include "core/firmware/BoardReturnWatch.h"

#include <algorithm>
#include <vector>

namespace quorvel {

BoardReturnWatch::BoardReturnWatch(SocketDispatch& dispatch, const RemotePortList& ports,
                                   QObject* parent)
    : QObject(parent), m_dispatch(dispatch), m_ports(ports) {
    m_second.setInterval(1000);
    connect(&m_second, &QTimer::timeout, this, &BoardReturnWatch::OnSecond);
    m_restart.setSingleShot(true);
    m_restart.setInterval(500);
    connect(&m_restart, &QTimer::timeout, this, &BoardReturnWatch::restartSearch);
}

BoardReturnWatch::~BoardReturnWatch() {
    m_search.reset(); // before the table it lists into
}

int BoardReturnWatch::watch(const Ipv4Address& ip, std::optional<MacAddress> mac, int seconds) {
    const int id = m_nextId++;
    m_awaited.emplace(id, Awaited{ip, mac, seconds});
    if (!m_second.isActive())
        m_second.start();
    scheduleRestart();
    return id;
}

void BoardReturnWatch::forget(int id) {
    if (m_awaited.erase(id))
        scheduleRestart();
}

void BoardReturnWatch::scheduleRestart() {
    if (!m_search)
        restartSearch(); // the first board is asked at once
    else if (!m_restart.isActive())
        m_restart.start();
}

void BoardReturnWatch::restartSearch() {
    m_restart.stop();
    m_search.reset();
    m_table.Clear();
    if (m_awaited.empty()) {
        m_second.stop();
        return;
    }
    std::vector<std::uint32_t> addresses;
    for (const auto& [id, board] : m_awaited)
        if (std::find(addresses.begin(), addresses.end(), Ipv4Word(board.ip)) == addresses.end())
            addresses.push_back(Ipv4Word(board.ip));
    m_search = std::make_unique<SearchExchange>(m_dispatch, m_ports, m_table);
    m_search->setRepeat(true);
    m_search->setAutoClose(false);
    m_search->setTargetAddress(addresses.front());
    m_search->setExtraTargets({addresses.begin() + 1, addresses.end()});
    connect(m_search.get(), &SearchExchange::foundCountChanged, this, &BoardReturnWatch::found);
    m_search->start();
}

void BoardReturnWatch::found() {
    std::vector<int> answered;
    for (const auto& [id, awaited] : m_awaited) {
        const Awaited& board = awaited; // a lambda cannot capture a structured binding (clang 14)
        if (std::any_of(m_table.recordList().begin(), m_table.recordList().end(),
                        [&board](const DeviceRecord& r) {
                            return r.ip == board.ip && (!board.mac || *board.mac == r.mac);
                        }))
            answered.push_back(id);
    }
    if (answered.empty())
        return;
    for (const int id : answered)
        m_awaited.erase(id);
    scheduleRestart();
    for (const int id : answered)
        Q_EMIT settled(id, true);
}

void BoardReturnWatch::OnSecond() {
    std::vector<int> expired;
    for (auto& [id, board] : m_awaited)
        if (--board.secondsLeft <= 0)
            expired.push_back(id);
    for (const int id : expired)
        m_awaited.erase(id);
    if (!expired.empty())
        scheduleRestart();
    for (const int id : expired)
        Q_EMIT settled(id, false);
}

} // namespace quorvel
