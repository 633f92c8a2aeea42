// The search reply path against the best bare reader, a recvmmsg batch loop
// that also reads each datagram's arrival interface, on the same flood over
// the same veth: N simulated boards answering one search at once. Prints
// figures; asserts nothing. Runs inside tests/e2e/rig.sh (bench/run_all.sh
// does); it refuses to broadcast anywhere else.
//
// --non-root-buffer: both sides get the receive buffer an ordinary user
// gets (no SO_RCVBUFFORCE, so capped at rmem_max), as when the tool does not
// run as root.
// --queued-only: only the queued rounds (--rounds N of them, default 5), for
// a profiler.
// --live-only: only the live run (a flood larger than the buffer cannot be
// queued up first).
//
// Rates, each side by side with the bare loop:
//   live    the flood read as it arrives: N / (last datagram handled - first
//           datagram handled). The tool's side is "搜索" on the main window,
//           the real modal ten-second run.
//   queued  the flood left to queue up first, then read: what each reader
//           can do at most, with nothing to wait for.
// The live run also counts the boards listed after the first request and at
// the end, and keeps a heartbeat on the GUI thread for its worst stall.
#include "BenchProbes.h"
#include "RealSocketApp.h"
#include "SimulatorRig.h"
#include "core/exchange/DeviceTable.h"
#include "gui/boardlist/CNetDisplay.h"
#include "gui/dialogs/CSearchDlg.h"
#include "protocol/RandomNumber.h"
#include "protocol/SearchDatagrams.h"

#include <QAbstractButton>
#include <QApplication>
#include <QThread>
#include <algorithm>
#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_START_INSTRUMENTATION
#define CALLGRIND_STOP_INSTRUMENTATION
#endif

using namespace quorvel;
using namespace quorvel::bench;
using quorvel::testing::RealSocketApp;
using quorvel::testing::SimulatorRig;

namespace {

// Long enough for the simulator to have put every reply in the queue.
constexpr int kQueueFillMs = 1500;
// A queued read lasts milliseconds: one round says little on a shared machine.
int g_queuedRounds = 5;

struct Reading {
    long datagrams = 0;
    double first = 0, last = 0; // when the first and the last were handled
    long long dropped = 0;      // by the kernel, for a full receive buffer
    double ms() const { return (last - first) * 1000; }
    double rate() const { return last > first ? (datagrams - 1) / (last - first) : 0; }
};

bool g_forceBuffer = true;

// A plain socket set up like the tool's: broadcast on, arrival interface
// asked for, the same buffer.
int bareSocket() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    ::setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
    const int buffer = 32 * 1024 * 1024;
    if (!g_forceBuffer || ::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &buffer, sizeof buffer) != 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
    return fd;
}

void askBoards(int fd) {
    const auto request = BuildSearchRequest(NewRandomNumber());
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(0xFFFFFFFFu);
    to.sin_port = htons(3040);
    ::sendto(fd, request.data(), request.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
}

// Reads with a bare recvmmsg loop, 64 at a time, each datagram's arrival
// interface taken from its control data, until `boards` datagrams or a
// second of quiet.
Reading bareRead(long boards, bool queueFirst) {
    constexpr unsigned kBatch = 64;
    constexpr std::size_t kControl = CMSG_SPACE(sizeof(in_pktinfo));
    static std::uint8_t data[kBatch][4096];
    alignas(cmsghdr) static std::uint8_t control[kBatch][kControl];
    sockaddr_in from[kBatch];
    iovec iov[kBatch];
    mmsghdr headers[kBatch];
    Reading r;
    const int fd = bareSocket();
    const UdpCounters before = ReadUdpCounters();
    askBoards(fd);
    if (queueFirst)
        QThread::msleep(kQueueFillMs);
    unsigned long interfaces = 0; // kept, so the reads are not optimised away
    while (r.datagrams < boards) {
        for (unsigned i = 0; i < kBatch; ++i) {
            iov[i] = {data[i], sizeof data[i]};
            headers[i].msg_hdr =
                msghdr{&from[i], sizeof from[i], &iov[i], 1, control[i], kControl, 0};
        }
        const int got = ::recvmmsg(fd, headers, kBatch, MSG_DONTWAIT | MSG_TRUNC, nullptr);
        if (got <= 0) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 1000) <= 0)
                break;
            continue;
        }
        for (int i = 0; i < got; ++i)
            for (cmsghdr* c = CMSG_FIRSTHDR(&headers[i].msg_hdr); c;
                 c = CMSG_NXTHDR(&headers[i].msg_hdr, c))
                if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
                    in_pktinfo info;
                    std::memcpy(&info, CMSG_DATA(c), sizeof info);
                    interfaces += static_cast<unsigned long>(info.ipi_ifindex);
                }
        r.last = Now();
        if (r.datagrams == 0)
            r.first = r.last;
        r.datagrams += got;
    }
    r.dropped = ReadUdpCounters().receiveBufferErrors - before.receiveBufferErrors;
    ::close(fd);
    if (interfaces == 0 && r.datagrams > 0)
        std::fprintf(stderr, "no arrival interface read\n");
    return r;
}

// Stands between the table and its list control and notes when each board
// was listed.
class ListingClock : public DeviceTableView {
public:
    explicit ListingClock(CNetDisplay& list) : m_list(list) { list.table().setView(this); }
    ~ListingClock() override { m_list.table().setView(&m_list); }
    void UpdateScrollBar() override {
        // Clearing the table comes here too.
        const long count = m_list.table().GetRecordCount();
        if (count > m_count) {
            last = Now();
            if (listed == 0)
                first = last;
            listed += count - m_count;
            times.insert(times.end(), static_cast<std::size_t>(count - m_count), last);
        }
        m_count = count;
        m_list.UpdateScrollBar();
    }
    void RequestRedraw() override { m_list.RequestRedraw(); }

    long listed = 0;
    double first = 0, last = 0;
    std::vector<double> times; // when each board was listed

private:
    CNetDisplay& m_list;
    long m_count = 0;
};

// Notes when the first datagram reached the tool's handler. The list is told
// of new boards once per burst, so its first listing comes only after a
// whole burst was read: the rate counts from the first read, as the bare
// side's does.
class FirstRead {
public:
    explicit FirstRead(DatagramSocket& socket) : m_socket(socket), m_inner(socket.onReadyRead) {
        socket.onReadyRead = [this] {
            if (t == 0)
                t = Now();
            m_inner();
        };
    }
    ~FirstRead() { m_socket.onReadyRead = m_inner; }
    FirstRead(const FirstRead&) = delete;
    FirstRead& operator=(const FirstRead&) = delete;

    double t = 0;

private:
    DatagramSocket& m_socket;
    std::function<void()> m_inner;
};

// Turns the event loop until every board is listed: all the tool's work on
// a queued flood, and nothing else. Only this is instrumented under
//   valgrind --tool=callgrind --instr-atstart=no search_reply_path --queued-only
void drainQueued(const ListingClock& clock, long boards) {
    CALLGRIND_START_INSTRUMENTATION;
    const double start = Now();
    while (clock.listed < boards && Now() - start < 30)
        QCoreApplication::processEvents();
    CALLGRIND_STOP_INSTRUMENTATION;
}

// The search dialog open without its modal loop, so that the flood can
// queue up before the event loop reads it.
Reading replyPathQueued(long boards) {
    Reading r;
    RealSocketApp a(g_forceBuffer);
    a.window->show();
    // Both windows shown and painted once before anything is measured; the
    // dialog's own first tick comes only after 250 ms.
    testing::SpinFor(300);
    SearchExchange search(a.app->dispatch, a.app->ports, a.window->deviceTable());
    CSearchDlg dialog(search, a.window.get());
    dialog.show();
    testing::SpinFor(100);
    ListingClock clock(a.window->deviceList());
    FirstRead firstRead(*a.socket);
    const UdpCounters before = ReadUdpCounters();
    search.OnTimer(); // the first tick: the request goes out
    QThread::msleep(kQueueFillMs);
    drainQueued(clock, boards);
    r.datagrams = clock.listed;
    r.first = firstRead.t;
    r.last = clock.last;
    r.dropped = ReadUdpCounters().receiveBufferErrors - before.receiveBufferErrors;
    dialog.OnCancel();
    return r;
}

// The socket's reader thread, by its name.
const std::string kReaderThread = "quorvel-reader";

struct Live {
    Reading reading;
    long listed = 0;
    long listedBeforeRepeat = -1; // listed before the second request went out
    long long read = 0;
    double firstRequestAfterClickMs = 0;
    double allListedAfterRequestMs = -1;
    double worstStallArrivingMs = 0;
    double worstStallRunMs = 0;
    double runS = 0;
    int requests = 0;
    int receiveBufferBytes = 0;
    ThreadTimes reader, gui; // over the run
};

Live replyPathLive(SimulatorRig& rig, long boards) {
    Live l;
    RealSocketApp a(g_forceBuffer);
    l.receiveBufferBytes = a.socket->receiveBufferSize();
    a.window->show();
    QCoreApplication::processEvents();
    ListingClock clock(a.window->deviceList());
    FirstRead firstRead(*a.socket);
    StallProbe probe;
    const qsizetype requestsBefore = rig.received(QStringLiteral("search")).size();
    const UdpCounters before = ReadUdpCounters();
    const ThreadTimes readerBefore = ReadThreadTimes(kReaderThread),
                      guiBefore = ReadThreadTimes(std::string());
    probe.start();
    const double clicked = Now();
    qobject_cast<QAbstractButton*>(a.window->control(1005))->click(); // modal, ten seconds
    const double returned = Now();
    probe.stop();
    const UdpCounters after = ReadUdpCounters();
    const ThreadTimes readerAfter = ReadThreadTimes(kReaderThread),
                      guiAfter = ReadThreadTimes(std::string());
    l.reader = {readerAfter.runMs - readerBefore.runMs, readerAfter.waitMs - readerBefore.waitMs,
                readerAfter.slices - readerBefore.slices};
    l.gui = {guiAfter.runMs - guiBefore.runMs, guiAfter.waitMs - guiBefore.waitMs,
             guiAfter.slices - guiBefore.slices};

    const QList<testing::LoggedDatagram> heard = rig.received(QStringLiteral("search"));
    l.requests = static_cast<int>(heard.size() - requestsBefore);
    const double firstRequest = l.requests > 0 ? heard[heard.size() - l.requests].t : clicked;
    l.firstRequestAfterClickMs = (firstRequest - clicked) * 1000;
    l.listed = a.window->deviceTable().GetRecordCount();
    if (l.requests >= 2) {
        const double repeat = heard[heard.size() - l.requests + 1].t;
        l.listedBeforeRepeat = static_cast<long>(std::count_if(
            clock.times.begin(), clock.times.end(), [&](double t) { return t < repeat; }));
    }
    l.reading.datagrams = clock.listed;
    l.reading.first = firstRead.t;
    l.reading.last = clock.last;
    l.reading.dropped = after.receiveBufferErrors - before.receiveBufferErrors;
    l.read = after.inDatagrams - before.inDatagrams;
    if (clock.listed >= boards) {
        l.allListedAfterRequestMs = (clock.last - firstRequest) * 1000;
        l.worstStallArrivingMs = probe.worstGapMs(firstRequest, clock.last);
    }
    l.worstStallRunMs = probe.worstGapMs(clicked, returned);
    l.runS = returned - clicked;
    return l;
}

void print(const char* name, const Reading& r) {
    std::printf("%s_datagrams %ld\n", name, r.datagrams);
    std::printf("%s_first_to_last_ms %.1f\n", name, r.ms());
    std::printf("%s_rate_per_s %.0f\n", name, r.rate());
    std::printf("%s_kernel_drops %lld\n", name, r.dropped);
}

double ratio(const Reading& path, const Reading& bare) {
    return bare.rate() > 0 ? path.rate() / bare.rate() : 0;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void printQueued(const char* name, const std::vector<Reading>& rounds) {
    std::vector<double> rates;
    long fewest = rounds.empty() ? 0 : rounds[0].datagrams;
    long long dropped = 0;
    for (const Reading& r : rounds) {
        rates.push_back(r.rate());
        fewest = std::min(fewest, r.datagrams);
        dropped += r.dropped;
    }
    std::printf("%s_datagrams_fewest_in_a_round %ld\n", name, fewest);
    std::printf("%s_rate_per_s_median %.0f\n", name, median(rates));
    std::printf("%s_rate_per_s_range %.0f-%.0f\n", name,
                *std::min_element(rates.begin(), rates.end()),
                *std::max_element(rates.begin(), rates.end()));
    std::printf("%s_kernel_drops %lld\n", name, dropped);
}

} // namespace

int main(int argc, char** argv) {
    long boards = 10000;
    bool queuedOnly = false;
    bool liveOnly = false;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--boards" && i + 1 < argc)
            boards = std::atol(argv[++i]);
        else if (name == "--non-root-buffer")
            g_forceBuffer = false;
        else if (name == "--queued-only")
            queuedOnly = true;
        else if (name == "--live-only")
            liveOnly = true;
        else if (name == "--rounds" && i + 1 < argc)
            g_queuedRounds = std::max(1, std::atoi(argv[++i]));
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QString why = SimulatorRig::unavailableReason();
    if (!why.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        return 2;
    }
    std::srand(static_cast<unsigned>(std::time(nullptr)));

    SimulatorRig rig;
    QString error;
    if (!rig.start({"--count", QString::number(boards)}, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::printf("== search reply path: %ld boards answer one search at once%s\n", boards,
                g_forceBuffer ? "" : ", receive buffer as a non-root user gets it");
    std::printf("load_average_before %s\n", LoadAverage().c_str());

    Reading bareLive;
    Live live;
    if (!queuedOnly) {
        bareLive = bareRead(boards, false);
        live = replyPathLive(rig, boards);
    }
    std::vector<Reading> bareQueued, pathQueued;
    for (int round = 0; round < g_queuedRounds && !liveOnly; ++round) {
        bareQueued.push_back(bareRead(boards, true));
        pathQueued.push_back(replyPathQueued(boards));
    }

    if (!queuedOnly) {
        std::printf("-- live: read as the flood arrives\n");
        print("bare_live", bareLive);
        print("reply_path_live", live.reading);
        std::printf("reply_path_to_bare_live_ratio %.2f   (target >= 0.90)\n",
                    ratio(live.reading, bareLive));
        std::printf("-- the live search through the main window\n");
        std::printf("receive_buffer_bytes %d\n", live.receiveBufferBytes);
        std::printf("requests_sent %d\n", live.requests);
        std::printf("first_request_after_click_ms %.0f\n", live.firstRequestAfterClickMs);
        std::printf("boards_listed_before_the_first_repeat %ld   (target %ld up to 10000)\n",
                    live.listedBeforeRepeat, boards);
        std::printf("boards_listed %ld   (target %ld)\n", live.listed, boards);
        std::printf("boards_lost %ld\n", boards - live.listed);
        std::printf("datagrams_read %lld\n", live.read);
        std::printf("all_listed_after_request_ms %.0f\n", live.allListedAfterRequestMs);
        std::printf("worst_gui_stall_while_arriving_ms %.1f   (target <= 100)\n",
                    live.worstStallArrivingMs);
        std::printf("worst_gui_stall_whole_search_ms %.1f\n", live.worstStallRunMs);
        std::printf("search_window_open_s %.2f\n", live.runS);
        for (const auto& [name, t] :
             {std::pair{"reader_thread", live.reader}, {"gui_thread", live.gui}})
            std::printf("%s_run_ms %.1f  waiting_for_a_core_ms %.1f  switched_in %lld\n", name,
                        t.runMs, t.waitMs, t.slices);
    }
    if (liveOnly) {
        std::printf("load_average_after %s\n", LoadAverage().c_str());
        return 0;
    }
    std::printf("-- queued: the whole flood waiting before the first read\n");
    std::printf("queued_rounds %d\n", g_queuedRounds);
    printQueued("bare_queued", bareQueued);
    printQueued("reply_path_queued", pathQueued);
    std::vector<double> ratios, microseconds;
    for (int round = 0; round < g_queuedRounds; ++round) {
        ratios.push_back(ratio(pathQueued[round], bareQueued[round]));
        const Reading& r = pathQueued[round];
        microseconds.push_back(r.datagrams > 1 ? r.ms() * 1000 / (r.datagrams - 1) : 0.0);
    }
    std::printf("reply_path_to_bare_queued_ratio_median %.2f   (range %.2f-%.2f; target >= 0.70)\n",
                median(ratios), *std::min_element(ratios.begin(), ratios.end()),
                *std::max_element(ratios.begin(), ratios.end()));
    std::printf("reply_path_queued_us_per_board_median %.2f\n", median(microseconds));
    std::printf("load_average_after %s\n", LoadAverage().c_str());
    rig.stop();
    std::printf(
        "simulator_replies_sent %lld\n",
        static_cast<long long>(rig.account().value(QStringLiteral("replies_sent")).toDouble()));
    return 0;
}
