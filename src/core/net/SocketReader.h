#pragma once

#include "core/net/ArrivalMerge.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace quorvel {

// The thread that only moves datagrams from the kernel into a queue, in
// arrival order across the sockets of one port, and the queue. Everything
// else, the dispatch included, stays on the event loop.
class SocketReader {
public:
    // Datagrams queued together, their bytes packed.
    struct Chunk {
        std::vector<ArrivedDatagram> datagrams;
        std::vector<std::uint8_t> bytes;
        std::size_t footprint() const {
            return bytes.size() + datagrams.size() * sizeof(ArrivedDatagram);
        }
    };

    explicit SocketReader(std::vector<int> fds) : m_fds(std::move(fds)) {}
    ~SocketReader();
    SocketReader(const SocketReader&) = delete;
    SocketReader& operator=(const SocketReader&) = delete;

    bool start();

    // Readable from when queued datagrams are announced (the sockets went
    // quiet, or they waited long enough) until clearWake().
    int wakeLoopFd() const { return m_wakeLoopFd; }
    void clearWake();
    bool hasQueued() const { return m_queuedChunks.load(std::memory_order_acquire) > 0; }

    // Hands back a chunk read out (or null) and takes the oldest queued one.
    std::unique_ptr<Chunk> take(std::unique_ptr<Chunk> done);

private:
    void run();
    void announce(std::int64_t& unannouncedSince);
    // Queues what arrived before `complete`; returns the chunk to fill next.
    std::unique_ptr<Chunk> merge(std::unique_ptr<Chunk> chunk, std::int64_t complete,
                                 std::int64_t& unannouncedSince);
    // Queues `full` and returns an empty chunk for the next read.
    std::unique_ptr<Chunk> publish(std::unique_ptr<Chunk> full);
    static std::unique_ptr<Chunk> newChunk();

    const std::vector<int> m_fds;
    ArrivalMerge m_merge; // the reader thread's own

    int m_wakeLoopFd = -1;
    int m_stopFd = -1;
    std::thread m_thread;

    std::mutex m_mutex; // guards what follows
    std::condition_variable m_roomFreed;
    std::deque<std::unique_ptr<Chunk>> m_ready;
    std::vector<std::unique_ptr<Chunk>> m_spare;
    bool m_stopping = false;
    // Changed under the lock; read without it to know when to wait for room.
    std::atomic<std::size_t> m_queuedBytes{0};
    std::atomic<std::size_t> m_queuedChunks{0}; // m_ready.size(), readable without the lock
};

} // namespace quorvel
