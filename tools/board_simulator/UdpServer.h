#pragma once

#include "DatagramLog.h"
#include "SimulatorEngine.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

namespace quorvel::sim {

struct ServerStats {
    std::uint64_t received = 0;
    std::uint64_t repliesSent = 0;
    std::uint64_t sendErrors = 0;
};

// The boards' sockets: one UDP socket per port, replies sent in batches with
// sendmmsg, each from its board's own address where that address is local.
class UdpServer {
public:
    UdpServer(SimulatorEngine& engine, DatagramLog* log);
    ~UdpServer();
    UdpServer(const UdpServer&) = delete;
    UdpServer& operator=(const UdpServer&) = delete;

    // Binds every port (0 picks a free one); returns an error text or "".
    std::string open(const std::string& bindAddress, const std::vector<std::uint16_t>& ports);
    const std::vector<std::uint16_t>& ports() const { return m_ports; }

    // Serves until stop() or the deadline; `stopFd` (or -1) ends it when readable.
    void run(Clock::time_point deadline, int stopFd);
    // From any thread.
    void stop();

    const ServerStats& stats() const { return m_stats; }

private:
    void receiveFrom(std::size_t socketIndex);
    void flushDue(Clock::time_point now);
    std::size_t sendRun(const ReplyBatch& batch, std::size_t first, std::size_t last);
    Clock::time_point nextDue() const;

    struct Pending {
        ReplyBatch batch;
        std::size_t next = 0; // items are sorted by due time
    };

    SimulatorEngine& m_engine;
    DatagramLog* m_log;
    std::vector<int> m_sockets;
    std::vector<std::uint16_t> m_ports;
    int m_wakeFd = -1;
    std::deque<Pending> m_pending;
    std::unordered_set<std::uint32_t> m_foreignSources; // board addresses not local here
    ServerStats m_stats;
    std::vector<std::uint8_t> m_receiveBuffer;
    struct SendArrays;
    std::unique_ptr<SendArrays> m_sendArrays;
};

} // namespace quorvel::sim
