#pragma once

#include "protocol/Datagram.h"

#include <cstdint>
#include <functional>
#include <span>

namespace quorvel {

struct ReadOutcome {
    bool failed = true;         // a socket error, or a datagram longer than the buffer
    std::size_t length = 0;     // bytes of the datagram (valid when !failed)
    std::uint32_t sourceIp = 0; // host order
    std::uint16_t sourcePort = 0;
    unsigned interfaceIndex = 0; // where it arrived; 0 when unknown
    int error = 0;               // errno of a failed read
};

// The one UDP endpoint every exchange shares. The real one is a POSIX socket;
// tests use an in-memory fake with the same behaviour.
class DatagramSocket {
public:
    virtual ~DatagramSocket() = default;

    virtual bool isOpen() const = 0;
    // Returns 0 when sent, else the platform error code. 255.255.255.255
    // goes out once on every usable interface and fails only when none took
    // it. Other addresses go out through `interfaceIndex`, as if on its link,
    // or where the routes lead when it is 0.
    virtual int sendTo(std::span<const std::uint8_t> bytes, std::uint32_t ipv4, std::uint16_t port,
                       unsigned interfaceIndex = 0) = 0;
    // Reads exactly one datagram into `buffer`.
    virtual ReadOutcome receive(std::span<std::uint8_t> buffer) = 0;
    virtual bool hasPendingDatagram() = 0;
    virtual void close() = 0;

    // Called once for each datagram waiting; the callee must read it.
    std::function<void()> onReadyRead;
    // Called when a run of onReadyRead calls ends and the event loop is
    // about to turn, with or without datagrams still waiting. Optional: a
    // socket may never call it.
    std::function<void()> onReadPaused;
};

constexpr std::uint32_t kBroadcastAddress = 0xFFFFFFFFu;

// Each reply handler's own buffer. Only the datagram's own bytes are handed
// out, and the decoders read anything past them as zeros, so the buffer is
// not cleared first: clearing 4 KiB cost more than the rest of reading a
// search reply.
class ReceiveBuffer {
public:
    // Reads one datagram; nothing on a failed read.
    ReadBytes read(DatagramSocket& socket, ReadOutcome* outcome = nullptr);

private:
    std::uint8_t m_bytes[kReceiveBufferSize];
};

} // namespace quorvel
