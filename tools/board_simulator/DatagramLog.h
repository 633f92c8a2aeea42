#pragma once

#include "SimulatorEngine.h"

#include <cstdio>
#include <string>

namespace quorvel::sim {

// Every datagram the boards receive, one JSON object a line:
// {"t":12.345678901,"from":"198.18.0.1:40000","to":"255.255.255.255:3040",
//  "kind":"search","len":4,"hex":"00001234"}
// `t` is CLOCK_MONOTONIC in seconds, the same clock in every network namespace.
class DatagramLog {
public:
    DatagramLog() = default;
    ~DatagramLog();
    DatagramLog(const DatagramLog&) = delete;
    DatagramLog& operator=(const DatagramLog&) = delete;

    bool open(const std::string& path); // truncates
    bool isOpen() const { return m_file != nullptr; }
    void write(const Received& received, std::uint16_t localPort, RequestKind kind);

private:
    std::FILE* m_file = nullptr;
};

std::string FormatIpv4(std::uint32_t ip); // host order
std::string FormatEndpoint(std::uint32_t ip, std::uint16_t port);

} // namespace quorvel::sim
