#include "core/net/SocketReader.h"

#include "core/net/SocketDescriptor.h"
#include "protocol/Datagram.h"

#include <algorithm>
#include <arpa/inet.h>
#include <climits>
#include <cstring>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

namespace quorvel {

namespace {

// Datagrams per recvmmsg call: one system call instead of two per datagram
// (a look and a read) is most of what a flood of replies costs the kernel side.
constexpr std::size_t kBatchSize = 64;

// The event loop is woken once the sockets have been quiet this long, or once
// the oldest datagram it was not told of has waited this long (which also
// bounds what waits in the queue).
constexpr int kBurstGapMilliseconds = 1;
constexpr std::int64_t kMaxAnnounceDelayNanoseconds = 2000000;

// What the reader may hold for an event loop that does not come: past it,
// the kernel's buffer fills and drops, as it would without the reader.
constexpr std::size_t kMaxQueuedBytes = 64 * 1024 * 1024;
// Emptied chunks kept for reuse; the rest of a flood's are freed.
constexpr std::size_t kMaxSpareChunks = 32;

// Room for the two control messages a read asks for: where and when the
// datagram arrived.
constexpr std::size_t kReadControlBytes =
    CMSG_SPACE(sizeof(in_pktinfo)) + CMSG_SPACE(sizeof(timespec));

struct Arrival {
    unsigned interfaceIndex = 0;
    std::int64_t stamp = 0; // CLOCK_REALTIME nanoseconds; 0 when not given
};

Arrival arrivalOf(msghdr header) {
    Arrival a;
    for (cmsghdr* c = CMSG_FIRSTHDR(&header); c; c = CMSG_NXTHDR(&header, c))
        if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
            in_pktinfo info;
            std::memcpy(&info, CMSG_DATA(c), sizeof info);
            a.interfaceIndex = static_cast<unsigned>(info.ipi_ifindex);
        } else if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
            timespec t;
            std::memcpy(&t, CMSG_DATA(c), sizeof t);
            a.stamp = Nanoseconds(t);
        }
    return a;
}

struct Batch {
    struct Slot {
        std::uint8_t bytes[kReceiveBufferSize];
    };
    Slot slots[kBatchSize];
    sockaddr_in sources[kBatchSize];
    alignas(cmsghdr) std::uint8_t controls[kBatchSize][kReadControlBytes];
    iovec iovs[kBatchSize];
    mmsghdr headers[kBatchSize];
};

int receiveBatch(int fd, Batch& b) {
    for (std::size_t i = 0; i < kBatchSize; ++i) {
        b.iovs[i] = {b.slots[i].bytes, sizeof b.slots[i].bytes};
        msghdr& h = b.headers[i].msg_hdr;
        h = msghdr{};
        h.msg_name = &b.sources[i];
        h.msg_namelen = sizeof b.sources[i];
        h.msg_iov = &b.iovs[i];
        h.msg_iovlen = 1;
        h.msg_control = b.controls[i];
        h.msg_controllen = sizeof b.controls[i];
        b.headers[i].msg_len = 0;
    }
    // MSG_TRUNC: each length is the datagram's own, also past the buffer.
    return RetryOnInterrupt(
        [&] { return ::recvmmsg(fd, b.headers, kBatchSize, MSG_DONTWAIT | MSG_TRUNC, nullptr); });
}

void addBatch(ArrivalMerge& merge, const Batch& b, std::size_t count, std::uint32_t socket) {
    for (std::size_t i = 0; i < count; ++i) {
        const Arrival arrival = arrivalOf(b.headers[i].msg_hdr);
        ArrivedDatagram d;
        d.sourceIp = ntohl(b.sources[i].sin_addr.s_addr);
        d.sourcePort = ntohs(b.sources[i].sin_port);
        d.interfaceIndex = arrival.interfaceIndex;
        d.length = b.headers[i].msg_len;
        d.cut = (b.headers[i].msg_hdr.msg_flags & MSG_TRUNC) != 0 || d.length > kReceiveBufferSize;
        merge.add(d, arrival.stamp, socket, b.slots[i].bytes);
    }
}

void wake(int eventFd) {
    const std::uint64_t one = 1;
    RetryOnInterrupt([&] { return ::write(eventFd, &one, sizeof one); });
}

} // namespace

SocketReader::~SocketReader() {
    if (m_thread.joinable()) {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_roomFreed.notify_all();
        wake(m_stopFd);
        m_thread.join();
    }
    for (int fd : {m_wakeLoopFd, m_stopFd})
        if (fd >= 0)
            ::close(fd);
}

bool SocketReader::start() {
    m_wakeLoopFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    m_stopFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_wakeLoopFd < 0 || m_stopFd < 0)
        return false;
    try {
        m_thread = std::thread([this] { run(); });
        ::pthread_setname_np(m_thread.native_handle(), "quorvel-reader");
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void SocketReader::clearWake() {
    std::uint64_t count;
    RetryOnInterrupt([&] { return ::read(m_wakeLoopFd, &count, sizeof count); });
}

std::unique_ptr<SocketReader::Chunk> SocketReader::take(std::unique_ptr<Chunk> done) {
    std::unique_ptr<Chunk> surplus;
    std::unique_ptr<Chunk> next;
    {
        std::lock_guard lock(m_mutex);
        if (done) {
            done->datagrams.clear();
            done->bytes.clear();
            if (m_spare.size() < kMaxSpareChunks)
                m_spare.push_back(std::move(done));
            else
                surplus = std::move(done);
        }
        if (!m_ready.empty()) {
            next = std::move(m_ready.front());
            m_ready.pop_front();
            m_queuedBytes.fetch_sub(next->footprint(), std::memory_order_relaxed);
            m_queuedChunks.store(m_ready.size(), std::memory_order_release);
        }
    }
    m_roomFreed.notify_one();
    return next;
}

void SocketReader::run() {
    auto batch = std::make_unique<Batch>();
    std::unique_ptr<Chunk> chunk = newChunk();
    std::vector<pollfd> waits;
    for (int fd : m_fds)
        waits.push_back({fd, POLLIN, 0});
    waits.push_back({m_stopFd, POLLIN, 0});
    // When the first chunk the event loop was not yet woken for was
    // queued; 0 when there is none.
    std::int64_t unannouncedSince = 0;
    bool readAll = true; // else only the sockets poll found readable
    std::int64_t quietSince = 0;
    for (;;) {
        if (m_queuedBytes.load(std::memory_order_relaxed) >= kMaxQueuedBytes) {
            announce(unannouncedSince);
            std::unique_lock lock(m_mutex);
            m_roomFreed.wait(lock, [this] {
                return m_stopping ||
                       m_queuedBytes.load(std::memory_order_relaxed) < kMaxQueuedBytes;
            });
            if (m_stopping)
                return;
            readAll = true;
        }
        // Every datagram stamped before `complete` has been read.
        std::int64_t complete = INT64_MAX;
        bool readAny = false;
        for (std::size_t s = 0; s < m_fds.size(); ++s) {
            if (!readAll && !(waits[s].revents & POLLIN)) {
                complete = std::min(complete, quietSince - ArrivalMerge::kStampMarginNanoseconds);
                continue;
            }
            const std::int64_t before = ClockNanoseconds(CLOCK_REALTIME);
            const int got = receiveBatch(m_fds[s], *batch);
            if (got > 0) {
                addBatch(m_merge, *batch, static_cast<std::size_t>(got),
                         static_cast<std::uint32_t>(s));
                readAny = true;
            }
            complete = std::min(complete, ArrivalMerge::ReadUpTo(got == int(kBatchSize),
                                                                 m_merge.lastStamp(), before));
        }
        if (readAny) {
            chunk = merge(std::move(chunk), complete, unannouncedSince);
            readAll = true;
            continue;
        }
        // Nothing waiting. While a burst goes on the event loop is left
        // asleep, so that it does not take the core this thread needs to
        // keep pace with the wire.
        for (pollfd& w : waits)
            w.revents = 0;
        const bool holding = unannouncedSince != 0 || !m_merge.empty();
        const int ready = ::poll(waits.data(), waits.size(), holding ? kBurstGapMilliseconds : -1);
        quietSince = ClockNanoseconds(CLOCK_REALTIME);
        if (ready > 0 && (waits.back().revents & POLLIN))
            return;
        readAll = ready <= 0;
        if (ready == 0) {
            // Quiet for a while: nothing stamped earlier is still on its way.
            chunk = merge(std::move(chunk), INT64_MAX, unannouncedSince);
            announce(unannouncedSince);
        }
    }
}

void SocketReader::announce(std::int64_t& unannouncedSince) {
    if (unannouncedSince == 0)
        return;
    unannouncedSince = 0;
    wake(m_wakeLoopFd);
}

std::unique_ptr<SocketReader::Chunk> SocketReader::merge(std::unique_ptr<Chunk> chunk,
                                                         std::int64_t complete,
                                                         std::int64_t& unannouncedSince) {
    bool published = false;
    m_merge.take(complete,
                 [&](const ArrivedDatagram& datagram, std::span<const std::uint8_t> bytes) {
                     ArrivedDatagram d = datagram;
                     d.offset = static_cast<std::uint32_t>(chunk->bytes.size());
                     chunk->bytes.insert(chunk->bytes.end(), bytes.begin(), bytes.end());
                     chunk->datagrams.push_back(d);
                     // Chunks of one batch at most, so that those kept for reuse stay small.
                     if (chunk->datagrams.size() >= kBatchSize) {
                         chunk = publish(std::move(chunk));
                         published = true;
                     }
                 });
    if (!chunk->datagrams.empty()) {
        chunk = publish(std::move(chunk));
        published = true;
    }
    if (!published)
        return chunk;
    const std::int64_t now = ClockNanoseconds(CLOCK_MONOTONIC);
    if (unannouncedSince == 0)
        unannouncedSince = now;
    else if (now - unannouncedSince >= kMaxAnnounceDelayNanoseconds)
        announce(unannouncedSince);
    return chunk;
}

std::unique_ptr<SocketReader::Chunk> SocketReader::publish(std::unique_ptr<Chunk> full) {
    std::unique_ptr<Chunk> empty;
    {
        std::lock_guard lock(m_mutex);
        m_queuedBytes.fetch_add(full->footprint(), std::memory_order_relaxed);
        m_ready.push_back(std::move(full));
        m_queuedChunks.store(m_ready.size(), std::memory_order_release);
        if (!m_spare.empty()) {
            empty = std::move(m_spare.back());
            m_spare.pop_back();
        }
    }
    return empty ? std::move(empty) : newChunk();
}

std::unique_ptr<SocketReader::Chunk> SocketReader::newChunk() {
    auto chunk = std::make_unique<Chunk>();
    chunk->datagrams.reserve(kBatchSize);
    chunk->bytes.reserve(kBatchSize * 256);
    return chunk;
}

} // namespace quorvel
