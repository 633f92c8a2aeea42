#pragma once

#include "core/net/DatagramSocket.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <vector>

namespace quorvel::testing {

// The in-memory socket: tests queue datagrams in and read what was sent.
class FakeDatagramSocket : public DatagramSocket {
public:
    struct Sent {
        std::vector<std::uint8_t> bytes;
        std::uint32_t ip;
        std::uint16_t port;
        unsigned interfaceIndex;
    };
    struct Incoming {
        std::vector<std::uint8_t> bytes;
        std::uint32_t ip;
        std::uint16_t port;
        bool readError;
        unsigned interfaceIndex;
    };

    bool isOpen() const override { return open; }

    int sendTo(std::span<const std::uint8_t> bytes, std::uint32_t ip, std::uint16_t port,
               unsigned interfaceIndex = 0) override {
        ++sendAttempts;
        if (failSendOnAttempt == sendAttempts || !open)
            return sendError;
        sent.push_back({{bytes.begin(), bytes.end()}, ip, port, interfaceIndex});
        return 0;
    }

    ReadOutcome receive(std::span<std::uint8_t> buffer) override {
        ReadOutcome outcome;
        ++reads;
        if (queue.empty()) {
            outcome.error = EAGAIN;
            return outcome;
        }
        Incoming next = std::move(queue.front());
        queue.pop_front();
        if (next.readError) {
            outcome.error = ECONNREFUSED;
            return outcome;
        }
        if (!next.bytes.empty())
            std::memcpy(buffer.data(), next.bytes.data(),
                        std::min(buffer.size(), next.bytes.size()));
        outcome.length = next.bytes.size();
        outcome.sourceIp = next.ip;
        outcome.sourcePort = next.port;
        outcome.interfaceIndex = next.interfaceIndex;
        outcome.failed = next.bytes.size() > buffer.size();
        if (outcome.failed)
            outcome.error = EMSGSIZE;
        return outcome;
    }

    bool hasPendingDatagram() override { return !queue.empty(); }
    void close() override { open = false; }

    void push(std::vector<std::uint8_t> bytes, std::uint16_t port = 3040,
              std::uint32_t ip = 0xC0A80164, unsigned interfaceIndex = 0) {
        queue.push_back({std::move(bytes), ip, port, false, interfaceIndex});
    }
    void pushReadError() { queue.push_back({{}, 0, 0, true, 0}); }

    // Like the level-triggered notifier: one readiness call per waiting
    // datagram, until the queue is empty (bounded, in case nobody reads).
    void deliverAll() {
        for (int guard = 0; !queue.empty() && guard < 1000000; ++guard)
            if (onReadyRead)
                onReadyRead();
    }

    std::deque<Incoming> queue;
    std::vector<Sent> sent;
    int reads = 0;
    int sendAttempts = 0;
    int failSendOnAttempt = 0; // 1-based; 0 never
    int sendError = ENETUNREACH;
    bool open = true;
};

} // namespace quorvel::testing
