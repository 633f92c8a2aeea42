#include "UdpSocket.h"

#include "NetworkInterfaces.h"

#include <QElapsedTimer>
#include <QSocketNotifier>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
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
// the oldest datagram it was not told of has waited this long.
constexpr int kBurstGapMilliseconds = 1;
constexpr std::int64_t kMaxAnnounceDelayMicroseconds = 10000;

// What the reader may hold for an event loop that does not come: past it,
// the kernel's buffer fills and drops, as it would without the reader.
constexpr std::size_t kMaxQueuedBytes = 64 * 1024 * 1024;
// Emptied chunks kept for reuse; the rest of a flood's are freed.
constexpr std::size_t kMaxSpareChunks = 32;

// Room for the one control message asked for: where the datagram arrived.
constexpr std::size_t kControlBytes = CMSG_SPACE(sizeof(in_pktinfo));

unsigned arrivalInterface(msghdr header) {
    for (cmsghdr* c = CMSG_FIRSTHDR(&header); c; c = CMSG_NXTHDR(&header, c))
        if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
            in_pktinfo info;
            std::memcpy(&info, CMSG_DATA(c), sizeof info);
            return static_cast<unsigned>(info.ipi_ifindex);
        }
    return 0;
}

struct Batch {
    struct Slot {
        std::uint8_t bytes[kReceiveBufferSize];
    };
    Slot slots[kBatchSize];
    sockaddr_in sources[kBatchSize];
    alignas(cmsghdr) std::uint8_t controls[kBatchSize][kControlBytes];
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
    explicit Reader(int fd) : m_fd(fd) {}
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
        pollfd waits[2] = {{m_fd, POLLIN, 0}, {m_stopFd, POLLIN, 0}};
        // When the first chunk the event loop was not yet woken for was
        // queued; 0 when there is none.
        std::int64_t unannouncedSince = 0;
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
            }
            const int got = receiveBatch(*batch);
            if (got > 0) {
                pack(*batch, static_cast<std::size_t>(got), *chunk);
                chunk = publish(std::move(chunk));
                const std::int64_t now = monotonicMicroseconds();
                if (unannouncedSince == 0)
                    unannouncedSince = now;
                else if (now - unannouncedSince >= kMaxAnnounceDelayMicroseconds)
                    announce(unannouncedSince);
                continue;
            }
            if (got < 0 && errno == EINTR)
                continue;
            // Nothing waiting (or an error, which the read consumed). While a
            // burst goes on, the event loop is left asleep, so that it does
            // not take the core this thread needs to keep pace with the wire.
            waits[0].revents = waits[1].revents = 0;
            const int timeout = unannouncedSince == 0 ? -1 : kBurstGapMilliseconds;
            const int ready = ::poll(waits, 2, timeout);
            if (ready > 0 && (waits[1].revents & POLLIN))
                return;
            if (ready == 0)
                announce(unannouncedSince);
        }
    }

    void announce(std::int64_t& unannouncedSince) {
        if (unannouncedSince == 0)
            return;
        unannouncedSince = 0;
        wake(m_wakeLoopFd);
    }

    int receiveBatch(Batch& b) {
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
        return ::recvmmsg(m_fd, b.headers, kBatchSize, MSG_DONTWAIT | MSG_TRUNC, nullptr);
    }

    static void pack(const Batch& b, std::size_t count, Chunk& chunk) {
        for (std::size_t i = 0; i < count; ++i) {
            QueuedDatagram d{};
            d.sourceIp = ntohl(b.sources[i].sin_addr.s_addr);
            d.sourcePort = ntohs(b.sources[i].sin_port);
            d.interfaceIndex = arrivalInterface(b.headers[i].msg_hdr);
            d.length = b.headers[i].msg_len;
            d.cut =
                (b.headers[i].msg_hdr.msg_flags & MSG_TRUNC) != 0 || d.length > kReceiveBufferSize;
            d.offset = static_cast<std::uint32_t>(chunk.bytes.size());
            if (!d.cut)
                chunk.bytes.insert(chunk.bytes.end(), b.slots[i].bytes,
                                   b.slots[i].bytes + d.length);
            chunk.datagrams.push_back(d);
        }
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

    const int m_fd;
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

SocketOpenResult UdpSocket::open(bool mayForceReceiveBuffer) {
    m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0) {
        const int error = errno;
        return error == EAFNOSUPPORT || error == EPROTONOSUPPORT
                   ? SocketOpenResult::PlatformUnavailable
                   : SocketOpenResult::CannotOpen;
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(m_localPortWanted);
    if (::bind(m_fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        const int error = errno;
        close();
        errno = error;
        return SocketOpenResult::CannotOpen;
    }
    const int on = 1;
    ::setsockopt(m_fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    ::setsockopt(m_fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
    // FORCE works for root and lifts the rmem_max cap; otherwise take what we get.
    if (!mayForceReceiveBuffer ||
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUFFORCE, &kReceiveBufferBytes,
                     sizeof kReceiveBufferBytes) != 0)
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &kReceiveBufferBytes, sizeof kReceiveBufferBytes);

    m_reader = std::make_unique<Reader>(m_fd);
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
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(ipv4);
    to.sin_port = htons(port);
    iovec iov{const_cast<std::uint8_t*>(bytes.data()), bytes.size()};
    msghdr message{};
    message.msg_name = &to;
    message.msg_namelen = sizeof to;
    message.msg_iov = &iov;
    message.msg_iovlen = 1;
    alignas(cmsghdr) std::uint8_t control[kControlBytes] = {};
    if (interfaceIndex != 0) {
        // Out of this interface as if the destination were on its link: no
        // route and no privilege needed.
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        cmsghdr* c = CMSG_FIRSTHDR(&message);
        c->cmsg_level = IPPROTO_IP;
        c->cmsg_type = IP_PKTINFO;
        c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
        in_pktinfo info{};
        info.ipi_ifindex = static_cast<int>(interfaceIndex);
        info.ipi_spec_dst.s_addr = htonl(source);
        std::memcpy(CMSG_DATA(c), &info, sizeof info);
    }
    for (;;) {
        if (::sendmsg(m_fd, &message, 0) >= 0)
            return 0;
        if (errno == EINTR)
            continue;
        return errno;
    }
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
