#include "UdpSocket.h"

#include "DatagramSend.h"
#include "NetworkInterfaces.h"

#include <QElapsedTimer>
#include <QSocketNotifier>
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <system_error>
#include <thread>
#include <time.h>
#include <unistd.h>

namespace quorvel {

namespace {

// Thousands of boards answer one broadcast within milliseconds; the default
// buffer holds only a few hundred datagrams, and the kernel drops the rest.
constexpr int kReceiveBufferBytes = 32 * 1024 * 1024;

// One notification handles several waiting datagrams, but never holds the
// event loop for long, so painting and input keep flowing during a flood.
constexpr int kMaxDatagramsPerNotification = 4096;
constexpr qint64 kMaxMillisecondsPerNotification = 20;

// Datagrams per recvmmsg call: one system call instead of two per datagram
// (a look and a read) is most of what a flood of replies costs the kernel side.
constexpr std::size_t kBatchSize = 64;

// The event loop is woken once the socket has been quiet this long, or once
// the oldest datagram it was not told of has waited this long (which also
// bounds what waits in the queue).
constexpr int kBurstGapMilliseconds = 1;
constexpr std::int64_t kMaxAnnounceDelayMicroseconds = 2000;

// What the reader may hold for an event loop that does not come: past it,
// the kernel's buffer fills and drops, as it would without the reader.
constexpr std::size_t kMaxQueuedBytes = 64 * 1024 * 1024;
// Emptied chunks kept for reuse; the rest of a flood's are freed.
constexpr std::size_t kMaxSpareChunks = 32;

// Room for the control message a send gives: the way out.
constexpr std::size_t kControlBytes = CMSG_SPACE(sizeof(in_pktinfo));
// And for the two a read asks for: where and when the datagram arrived.
constexpr std::size_t kReadControlBytes = kControlBytes + CMSG_SPACE(sizeof(timespec));

// Sockets sharing the port, each with a receive buffer of its own: the
// kernel spreads unicast replies among them by their source, so a burst
// larger than one buffer (an ordinary user's is a few hundred replies) waits
// in several while the reader is off its core.
constexpr std::size_t kReceiveSockets = 8;
// Datagrams are merged by their arrival time. One stamped this long before a
// socket was found empty is taken to be in it (or in one read before).
constexpr std::int64_t kStampMarginNanoseconds = 200000;

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
            a.stamp = std::int64_t{t.tv_sec} * 1000000000 + t.tv_nsec;
        }
    return a;
}

std::int64_t realtimeNanoseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return std::int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
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

struct QueuedDatagram {
    std::uint32_t sourceIp; // host order
    std::uint16_t sourcePort;
    bool cut; // longer than a slot: a failed read, no bytes kept
    unsigned interfaceIndex;
    std::uint32_t length; // the datagram's own
    std::uint32_t offset; // of its bytes in the chunk
};

std::int64_t monotonicMicroseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t{now.tv_sec} * 1000000 + now.tv_nsec / 1000;
}

void wake(int eventFd) {
    const std::uint64_t one = 1;
    while (::write(eventFd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

} // namespace

// One recvmmsg's datagrams, packed.
struct UdpSocket::Chunk {
    std::vector<QueuedDatagram> datagrams;
    std::vector<std::uint8_t> bytes;
    std::size_t footprint() const {
        return bytes.size() + datagrams.size() * sizeof(QueuedDatagram);
    }
};

// The thread that only moves datagrams from the kernel into the queue, and
// the queue. Everything else, the dispatch included, stays on the event loop.
class UdpSocket::Reader {
public:
    explicit Reader(std::vector<int> fds) : m_fds(std::move(fds)) {}
    ~Reader() {
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
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    bool start() {
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

    // Readable from when queued datagrams are announced (the socket went
    // quiet, or they waited long enough) until clearWake().
    int wakeLoopFd() const { return m_wakeLoopFd; }
    void clearWake() {
        std::uint64_t count;
        while (::read(m_wakeLoopFd, &count, sizeof count) < 0 && errno == EINTR) {
        }
    }
    bool hasQueued() const { return m_queuedChunks.load(std::memory_order_acquire) > 0; }

    // Hands back a chunk read out (or null) and takes the oldest queued one.
    std::unique_ptr<Chunk> take(std::unique_ptr<Chunk> done) {
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

private:
    void run() {
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
                    complete = std::min(complete, quietSince - kStampMarginNanoseconds);
                    continue;
                }
                const std::int64_t before = realtimeNanoseconds();
                const int got = receiveBatch(m_fds[s], *batch);
                if (got > 0) {
                    collect(*batch, static_cast<std::size_t>(got), s);
                    readAny = true;
                }
                complete = std::min(complete, got == static_cast<int>(kBatchSize)
                                                  ? m_pending.back().stamp
                                                  : before - kStampMarginNanoseconds);
            }
            if (readAny)
                chunk = merge(std::move(chunk), complete, unannouncedSince);
            if (readAny) {
                readAll = true;
                continue;
            }
            // Nothing waiting. While a burst goes on the event loop is left
            // asleep, so that it does not take the core this thread needs to
            // keep pace with the wire.
            for (pollfd& w : waits)
                w.revents = 0;
            const bool holding = unannouncedSince != 0 || !m_pending.empty();
            const int ready =
                ::poll(waits.data(), waits.size(), holding ? kBurstGapMilliseconds : -1);
            quietSince = realtimeNanoseconds();
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

    void announce(std::int64_t& unannouncedSince) {
        if (unannouncedSince == 0)
            return;
        unannouncedSince = 0;
        wake(m_wakeLoopFd);
    }

    static int receiveBatch(int fd, Batch& b) {
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
        for (;;) {
            // MSG_TRUNC: each length is the datagram's own, also past the buffer.
            const int got =
                ::recvmmsg(fd, b.headers, kBatchSize, MSG_DONTWAIT | MSG_TRUNC, nullptr);
            if (got >= 0 || errno != EINTR)
                return got;
        }
    }

    // Datagrams read but not yet queued, with when and where they arrived.
    struct Pending {
        QueuedDatagram datagram; // its offset in m_pendingBytes
        std::int64_t stamp;
        std::uint32_t order; // as read
        std::uint32_t socket;
    };

    void collect(const Batch& b, std::size_t count, std::size_t socket) {
        for (std::size_t i = 0; i < count; ++i) {
            const Arrival arrival = arrivalOf(b.headers[i].msg_hdr);
            QueuedDatagram d{};
            d.sourceIp = ntohl(b.sources[i].sin_addr.s_addr);
            d.sourcePort = ntohs(b.sources[i].sin_port);
            d.interfaceIndex = arrival.interfaceIndex;
            d.length = b.headers[i].msg_len;
            d.cut =
                (b.headers[i].msg_hdr.msg_flags & MSG_TRUNC) != 0 || d.length > kReceiveBufferSize;
            d.offset = static_cast<std::uint32_t>(m_pendingBytes.size());
            if (!d.cut)
                m_pendingBytes.insert(m_pendingBytes.end(), b.slots[i].bytes,
                                      b.slots[i].bytes + d.length);
            m_pending.push_back(
                {d, arrival.stamp, m_nextOrder++, static_cast<std::uint32_t>(socket)});
        }
    }

    // Queues, in arrival order, what was read and arrived before `complete`;
    // returns the chunk for the next merge.
    std::unique_ptr<Chunk> merge(std::unique_ptr<Chunk> chunk, std::int64_t complete,
                                 std::int64_t& unannouncedSince) {
        std::sort(m_pending.begin(), m_pending.end(), [](const Pending& a, const Pending& b) {
            return a.stamp != b.stamp ? a.stamp < b.stamp : a.order < b.order;
        });
        std::size_t taken = 0;
        bool published = false;
        for (; taken < m_pending.size() && m_pending[taken].stamp <= complete; ++taken) {
            const Pending& p = m_pending[taken];
            // A broadcast reaches every socket of the port: the copies carry
            // the same stamp, and only the first is kept.
            bool copy = false;
            for (std::size_t k = taken; k-- > 0 && m_pending[k].stamp == p.stamp && !copy;)
                copy = m_pending[k].socket != p.socket &&
                       m_pending[k].datagram.sourceIp == p.datagram.sourceIp &&
                       m_pending[k].datagram.sourcePort == p.datagram.sourcePort &&
                       m_pending[k].datagram.length == p.datagram.length;
            if (copy)
                continue;
            QueuedDatagram d = p.datagram;
            d.offset = static_cast<std::uint32_t>(chunk->bytes.size());
            if (!d.cut)
                chunk->bytes.insert(chunk->bytes.end(), m_pendingBytes.begin() + p.datagram.offset,
                                    m_pendingBytes.begin() + p.datagram.offset + d.length);
            chunk->datagrams.push_back(d);
            // Chunks of one batch at most, so that those kept for reuse stay small.
            if (chunk->datagrams.size() >= kBatchSize) {
                chunk = publish(std::move(chunk));
                published = true;
            }
        }
        // Those held back move to the front, their bytes with them.
        m_heldBytes.clear();
        for (std::size_t i = taken; i < m_pending.size(); ++i) {
            Pending& p = m_pending[i];
            const std::size_t from = p.datagram.offset;
            p.datagram.offset = static_cast<std::uint32_t>(m_heldBytes.size());
            if (!p.datagram.cut)
                m_heldBytes.insert(m_heldBytes.end(), m_pendingBytes.begin() + from,
                                   m_pendingBytes.begin() + from + p.datagram.length);
        }
        m_pending.erase(m_pending.begin(), m_pending.begin() + taken);
        m_pendingBytes.swap(m_heldBytes);
        if (m_pending.empty())
            m_nextOrder = 0;
        if (!chunk->datagrams.empty()) {
            chunk = publish(std::move(chunk));
            published = true;
        }
        if (!published)
            return chunk;
        const std::int64_t now = monotonicMicroseconds();
        if (unannouncedSince == 0)
            unannouncedSince = now;
        else if (now - unannouncedSince >= kMaxAnnounceDelayMicroseconds)
            announce(unannouncedSince);
        return chunk;
    }

    // Queues `full` and returns an empty chunk for the next read.
    std::unique_ptr<Chunk> publish(std::unique_ptr<Chunk> full) {
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

    static std::unique_ptr<Chunk> newChunk() {
        auto chunk = std::make_unique<Chunk>();
        chunk->datagrams.reserve(kBatchSize);
        chunk->bytes.reserve(kBatchSize * 256);
        return chunk;
    }

    const std::vector<int> m_fds;
    // The reader thread's own.
    std::vector<Pending> m_pending;
    std::vector<std::uint8_t> m_pendingBytes, m_heldBytes;
    std::uint32_t m_nextOrder = 0;

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

UdpSocket::UdpSocket() {
    m_resume.setSingleShot(true);
    m_resume.setInterval(0);
    QObject::connect(&m_resume, &QTimer::timeout, [this] { OnReceive(); });
}

UdpSocket::~UdpSocket() {
    close();
}

namespace {

// One socket of the port's group, bound and set up to read; -1 (errno set)
// when it cannot be.
int openReceiver(std::uint16_t port, bool mayForceReceiveBuffer) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const int on = 1;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(port);
    if (::setsockopt(fd, SOL_SOCKET, SO_REUSEPORT, &on, sizeof on) != 0 ||
        ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    ::setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
    ::setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
    // FORCE works for root and lifts the rmem_max cap; otherwise take what we get.
    if (!mayForceReceiveBuffer || ::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &kReceiveBufferBytes,
                                               sizeof kReceiveBufferBytes) != 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &kReceiveBufferBytes, sizeof kReceiveBufferBytes);
    return fd;
}

} // namespace

SocketOpenResult UdpSocket::open(bool mayForceReceiveBuffer) {
    // A plain bind first: a port in use is refused as it would be to any
    // socket, and a port the system picks is one no other group shares, so
    // that another copy of the tool never joins this one's.
    const int probe = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (probe < 0) {
        const int error = errno;
        return error == EAFNOSUPPORT || error == EPROTONOSUPPORT
                   ? SocketOpenResult::PlatformUnavailable
                   : SocketOpenResult::CannotOpen;
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(m_localPortWanted);
    socklen_t length = sizeof local;
    if (::bind(probe, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        ::getsockname(probe, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        const int error = errno;
        ::close(probe);
        errno = error;
        return SocketOpenResult::CannotOpen;
    }
    ::close(probe);
    const std::uint16_t port = ntohs(local.sin_port);
    m_fd = openReceiver(port, mayForceReceiveBuffer);
    if (m_fd < 0)
        return SocketOpenResult::CannotOpen;
    const int on = 1;
    ::setsockopt(m_fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    std::vector<int> fds{m_fd};
    while (fds.size() < kReceiveSockets) {
        const int fd = openReceiver(port, mayForceReceiveBuffer);
        if (fd < 0)
            break; // fewer buffers, nothing worse
        m_extraFds.push_back(fd);
        fds.push_back(fd);
    }

    m_reader = std::make_unique<Reader>(std::move(fds));
    if (!m_reader->start()) {
        const int error = errno;
        close();
        errno = error;
        return SocketOpenResult::CannotOpen;
    }
    m_notifier = std::make_unique<QSocketNotifier>(m_reader->wakeLoopFd(), QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { OnReceive(); });
    return SocketOpenResult::Opened;
}

void UdpSocket::OnReceive() {
    if (m_reader)
        m_reader->clearWake();
    QElapsedTimer budget;
    budget.start();
    for (int handled = 0; handled < kMaxDatagramsPerNotification; ++handled) {
        if (!isOpen() || !hasPendingDatagram())
            break;
        // The handler may open a message box; its event loop must still be
        // woken for the datagrams fetched behind this one.
        const bool more = m_next + 1 < m_chunk->datagrams.size() || m_reader->hasQueued();
        if (more && !m_resume.isActive())
            m_resume.start();
        if (onReadyRead)
            onReadyRead();
        else
            receive({});
        if (budget.elapsed() >= kMaxMillisecondsPerNotification)
            break;
    }
    if (isOpen() && (haveFetched() || m_reader->hasQueued()) && !m_resume.isActive())
        m_resume.start();
    if (onReadPaused)
        onReadPaused();
}

bool UdpSocket::haveFetched() const {
    return m_chunk && m_next < m_chunk->datagrams.size();
}

bool UdpSocket::fetch() {
    if (!m_reader)
        return false;
    m_chunk = m_reader->take(std::move(m_chunk));
    m_next = 0;
    if (!m_chunk)
        return false;
    // Whoever asked, these no longer wake the notifier.
    if (!m_resume.isActive())
        m_resume.start();
    return true;
}

int UdpSocket::sendTo(std::span<const std::uint8_t> bytes, std::uint32_t ipv4, std::uint16_t port,
                      unsigned interfaceIndex) {
    if (m_fd < 0)
        return EBADF;
    if (ipv4 != kBroadcastAddress) {
        const int error = sendOne(bytes, ipv4, port, interfaceIndex, 0);
        // The board's link is gone (a cable re-plugged gets a new index) or
        // down: the routes may still know a way.
        if (interfaceIndex != 0 &&
            (error == ENODEV || error == ENXIO || error == ENETUNREACH || error == ENETDOWN))
            return sendOne(bytes, ipv4, port, 0, 0);
        return error;
    }
    // The limited broadcast leaves only by the default route's interface, or
    // not at all without one: send it on each link by hand. The list is read
    // now, so an interface that came up since the last request is used.
    const InterfaceSelection links =
        SelectBroadcastInterfaces(ReadInterfaceEntries(), m_allowed.empty() ? nullptr : &m_allowed);
    return SendOnEach(links.usable, [&](const BroadcastInterface& link) {
        const int error = sendOne(bytes, ipv4, port, link.index, link.address);
        if (error != 0)
            m_broadcastFailures[link.name] = error;
        return error;
    });
}

int UdpSocket::sendOne(std::span<const std::uint8_t> bytes, std::uint32_t ipv4, std::uint16_t port,
                       unsigned interfaceIndex, std::uint32_t source) {
    return SendDatagram(m_fd, bytes, ipv4, port, interfaceIndex, source);
}

ReadOutcome UdpSocket::receive(std::span<std::uint8_t> buffer) {
    ReadOutcome outcome;
    if (m_fd < 0) {
        outcome.error = EBADF;
        return outcome;
    }
    // Only what the reader queued, so that nothing overtakes a queued datagram.
    if (!haveFetched() && !fetch()) {
        outcome.error = EAGAIN;
        return outcome;
    }
    const QueuedDatagram& d = m_chunk->datagrams[m_next++];
    outcome.sourceIp = d.sourceIp;
    outcome.sourcePort = d.sourcePort;
    outcome.interfaceIndex = d.interfaceIndex;
    outcome.length = d.length;
    if (d.cut || d.length > buffer.size()) {
        outcome.error = EMSGSIZE;
        return outcome;
    }
    if (d.length > 0)
        std::memcpy(buffer.data(), m_chunk->bytes.data() + d.offset, d.length);
    outcome.failed = false;
    return outcome;
}

bool UdpSocket::hasPendingDatagram() {
    if (m_fd < 0)
        return false;
    return haveFetched() || fetch();
}

void UdpSocket::close() {
    m_resume.stop();
    m_notifier.reset();
    m_reader.reset();
    m_chunk.reset();
    m_next = 0;
    for (int fd : m_extraFds)
        ::close(fd);
    m_extraFds.clear();
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

std::uint16_t UdpSocket::localPort() const {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (m_fd < 0 || ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&local), &length) != 0)
        return 0;
    return ntohs(local.sin_port);
}

int UdpSocket::receiveBufferSize() const {
    int size = 0;
    socklen_t length = sizeof size;
    if (m_fd >= 0)
        ::getsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &size, &length);
    return size;
}

} // namespace quorvel
