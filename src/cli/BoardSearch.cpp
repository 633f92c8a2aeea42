#include "BoardSearch.h"

#include "CliSession.h"
#include "core/host/HostNetworkProbe.h"

#include <QTimer>
#include <algorithm>
#include <map>
#include <utility>

namespace quorvel {

BoardSearch::BoardSearch(CliSession& session, Enough enough, QObject* parent)
    : QObject(parent), m_session(session), m_enough(std::move(enough)),
      m_exchange(session.dispatch(), session.ports(), m_table) {
    setTarget(session.line().target);
    const std::optional<int> wait = session.line().waitSeconds;
    connect(&m_exchange, &SearchExchange::countdownChanged, this, [this, wait](int countdown) {
        const int left = wait ? m_secondsLeft : countdown / 1000;
        m_session.progress().show("searching: " + std::to_string(left) + " s left, " +
                                  std::to_string(m_found) + " found");
    });
    if (wait) {
        // Longer than one countdown: the search is asked again each time it
        // runs out, as the dialog's repeat does.
        m_exchange.setRepeat(*wait * 1000 > SearchExchange::kCountdownFull);
        m_secondsLeft = *wait;
        m_wait.setInterval(1000);
        connect(&m_wait, &QTimer::timeout, this, [this] {
            if (--m_secondsLeft > 0)
                return;
            m_exchange.stop();
            finish();
        });
    }
    connect(&m_exchange, &SearchExchange::foundCountChanged, this, &BoardSearch::found);
    connect(&m_exchange, &SearchExchange::ended, this, [this](bool accepted) {
        m_sendFailed = !accepted;
        finish();
    });
}

void BoardSearch::setTarget(std::optional<Ipv4Address> target) {
    m_target = target;
    m_exchange.setTargetAddress(target ? Ipv4Word(*target) : kBroadcastAddress);
}

void BoardSearch::start() {
    m_martiansAtStart = ReadMartianSourceCount();
    m_exchange.start();
    if (m_secondsLeft > 0)
        m_wait.start();
}

bool BoardSearch::targetAnswered() const {
    const auto& target = m_target;
    return target && std::any_of(m_table.recordList().begin(), m_table.recordList().end(),
                                 [&](const DeviceRecord& r) { return *target == r.ip; });
}

void BoardSearch::found(int count) {
    m_found = count;
    if ((m_enough && m_enough(m_table.recordList())) || targetAnswered()) {
        m_exchange.stop();
        // Not from inside the exchange's own reply handling.
        QTimer::singleShot(0, this, &BoardSearch::finish);
    }
}

void BoardSearch::finish() {
    if (std::exchange(m_finished, true))
        return;
    m_wait.stop();
    m_session.progress().clear();
    Q_EMIT finished();
}

std::vector<FoundBoard> BoardSearch::boards() const {
    std::vector<FoundBoard> out;
    out.reserve(m_table.recordList().size());
    // Thousands of boards answer on a few links: one name lookup per link.
    std::map<unsigned, std::string> names;
    for (const DeviceRecord& record : m_table.recordList()) {
        auto [name, added] = names.try_emplace(record.interfaceIndex);
        if (added)
            name->second = m_session.interfaceName(record);
        out.push_back({record, name->second});
    }
    return out;
}

} // namespace quorvel
