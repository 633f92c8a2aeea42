#pragma once

#include "BoardSilence.h"
#include "SimBoard.h"
#include "protocol/TftpOptionNegotiation.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

namespace quorvel::sim {

// The boards' boot loaders: a TFTP server that takes writes (octet mode,
// blksize, tsize and timeout granted) addressed to any board, each transfer
// on a port of the board's own address. A board that took a whole image
// reboots: it answers nothing for `rebootFor`, then answers again.
class TftpReceiver {
public:
    using Clock = std::chrono::steady_clock;

    TftpReceiver(const std::vector<SimBoard>& boards, BoardSilence& silence,
                 std::chrono::seconds rebootFor);
    ~TftpReceiver();
    TftpReceiver(const TftpReceiver&) = delete;
    TftpReceiver& operator=(const TftpReceiver&) = delete;

    // Binds the server's port; an error text or "".
    std::string open(const std::string& bindAddress, std::uint16_t port);
    std::uint16_t port() const { return m_port; }
    // Serves until stop(), from its own thread.
    void run();
    void stop();

    // Images taken whole so far.
    std::size_t imagesTaken() const { return m_imagesTaken; }

private:
    struct Transfer {
        std::size_t board = 0;
        std::uint32_t peerIp = 0;
        std::uint16_t peerPort = 0;
        TftpAgreement agreement;
        std::uint64_t block = 0; // the last acknowledged, counted without rollover
        std::uint64_t bytes = 0;
        std::uint64_t hash = 14695981039346656037ull; // FNV-1a of the image
        std::vector<std::uint8_t> lastSent;
        int resends = 0;
        bool complete = false; // kept a moment to acknowledge a repeated last block
        Clock::time_point lastHeard;
    };

    void request(std::span<const std::uint8_t> bytes, std::uint32_t fromIp, std::uint16_t fromPort,
                 std::uint32_t toIp);
    void data(int fd, Transfer& transfer);
    void resend(int fd, Transfer& transfer, Clock::time_point now);
    void send(int fd, const Transfer& transfer);
    void refuse(std::uint32_t ip, std::uint16_t port, std::uint16_t code, const std::string& why);

    const std::vector<SimBoard>& m_boards;
    std::unordered_map<std::uint32_t, std::size_t> m_byIp;
    BoardSilence& m_silence;
    std::chrono::seconds m_rebootFor;
    int m_fd = -1;
    int m_wakeFd = -1;
    std::uint16_t m_port = 0;
    std::map<int, Transfer> m_transfers; // by socket
    std::size_t m_imagesTaken = 0;
};

} // namespace quorvel::sim
