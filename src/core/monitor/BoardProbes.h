#pragma once

#include "core/net/DatagramSocket.h"
#include "protocol/DeviceRecord.h"
#include "protocol/PrinterStatusDatagrams.h"

#include <QElapsedTimer>
#include <cstdint>
#include <functional>
#include <list>
#include <optional>

namespace quorvel {

// What one probe of one board found.
struct ProbeResult {
    std::optional<DeviceRecord> record;      // its search reply; nothing: none came
    std::optional<PrinterStatusFlags> flags; // its status answer; nothing: none came
    double seconds = 0;                      // from the first request to the outcome
    bool success() const { return record && flags; }
};

// Single boards asked on demand, beside a monitor's rounds and on its socket:
// a search sent to the board's own address, then a status request to the
// port its reply came from, each sent again every second until the deadline.
// A datagram belongs to a probe only when it comes from the probed address
// and, for the search, echoes the probe's number.
class BoardProbes {
public:
    static constexpr std::size_t kMaxInFlight = 32;
    static constexpr qint64 kResendMs = 1000;

    using Done = std::function<void(const ProbeResult&)>;

    explicit BoardProbes(DatagramSocket& socket) : m_socket(socket) {}

    // Starts a probe of `ip` (a unicast host address) searched at `port`,
    // ending by `nowMs + budgetMs` at the latest; false when too many run.
    bool start(std::uint32_t ip, std::uint16_t port, qint64 budgetMs, qint64 nowMs, Done done);
    // Resends and deadlines at monotonic time `nowMs`.
    void advance(qint64 nowMs);
    // Offers a datagram read from the socket; true when a probe took it. A
    // status answer is offered to every probe of its sender, and the caller
    // may still use it for its own board.
    bool take(const ReadOutcome& from, std::span<const std::uint8_t> bytes);

    std::size_t inFlight() const { return m_probes.size(); }
    // Search replies from a probed address that named another address.
    std::uint64_t addressMismatches() const { return m_addressMismatches; }

private:
    struct Probe {
        std::uint32_t ip = 0;
        std::uint16_t searchPort = 0;
        std::uint16_t randomNumber = 0;
        qint64 deadline = 0;
        qint64 nextSend = 0;
        QElapsedTimer clock;
        ProbeResult result;
        Done done;
    };

    void send(Probe& probe);
    void finish(std::list<Probe>::iterator probe);

    DatagramSocket& m_socket;
    std::list<Probe> m_probes;
    std::uint64_t m_addressMismatches = 0;
};

} // namespace quorvel
