#include "DatagramLog.h"

#include <ctime>

namespace quorvel::sim {

DatagramLog::~DatagramLog() {
    if (m_file)
        std::fclose(m_file);
}

bool DatagramLog::open(const std::string& path) {
    m_file = std::fopen(path.c_str(), "w");
    return m_file != nullptr;
}

std::string FormatIpv4(std::uint32_t ip) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", ip >> 24, (ip >> 16) & 0xFF, (ip >> 8) & 0xFF,
                  ip & 0xFF);
    return text;
}

std::string FormatEndpoint(std::uint32_t ip, std::uint16_t port) {
    return FormatIpv4(ip) + ":" + std::to_string(port);
}

void DatagramLog::write(const Received& received, std::uint16_t localPort, RequestKind kind) {
    if (!m_file)
        return;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(received.bytes.size() * 2);
    for (std::uint8_t b : received.bytes) {
        hex += kHex[b >> 4];
        hex += kHex[b & 0x0F];
    }
    std::fprintf(m_file,
                 "{\"t\":%lld.%09ld,\"from\":\"%s\",\"to\":\"%s\",\"kind\":\"%s\",\"len\":%zu,"
                 "\"hex\":\"%s\"}\n",
                 static_cast<long long>(now.tv_sec), now.tv_nsec,
                 FormatEndpoint(received.source.ip, received.source.port).c_str(),
                 FormatEndpoint(received.destinationIp, localPort).c_str(), RequestKindName(kind),
                 received.bytes.size(), hex.c_str());
    // Tests read the log while the simulator runs.
    std::fflush(m_file);
}

} // namespace quorvel::sim
