#pragma once

#include "BoardOutput.h"
#include "core/exchange/DeviceTable.h"
#include "core/exchange/SearchExchange.h"

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace quorvel {

class CliSession;

// One search run of the very exchange the search dialog runs, with the
// countdown on the progress line. It runs its ten seconds (or --wait's),
// and stops early once `enough` says the boards wanted have answered, or
// the one board --target names has.
class BoardSearch : public QObject {
    Q_OBJECT
public:
    using Enough = std::function<bool(const std::vector<DeviceRecord>&)>;

    BoardSearch(CliSession& session, Enough enough = {}, QObject* parent = nullptr);

    // A search of this one address instead of the command line's --target
    // (nothing: a broadcast). Before start().
    void setTarget(std::optional<Ipv4Address> target);
    // Boards beyond this many are counted, not listed. Before start().
    void setRecordLimit(std::uint32_t records) { m_exchange.setRecordLimit(records); }
    void setRecordFilter(std::function<bool(const DeviceRecord&)> accept) {
        m_exchange.setRecordFilter(std::move(accept));
    }
    std::uint64_t overLimit() const { return m_exchange.overLimit(); }
    void start();

    const std::vector<DeviceRecord>& records() const { return m_table.recordList(); }
    std::vector<FoundBoard> boards() const;
    bool sendFailed() const { return m_sendFailed; }
    std::optional<std::uint64_t> martiansAtStart() const { return m_martiansAtStart; }

Q_SIGNALS:
    void finished();

private:
    void found(int count);
    bool targetAnswered() const;
    void finish();

    CliSession& m_session;
    Enough m_enough;
    std::optional<Ipv4Address> m_target;
    DeviceTable m_table;
    SearchExchange m_exchange;
    int m_found = 0;
    bool m_sendFailed = false;
    bool m_finished = false;
    std::optional<std::uint64_t> m_martiansAtStart;
    QTimer m_wait; // --wait: the run's own length
    int m_secondsLeft = 0;
};

} // namespace quorvel
