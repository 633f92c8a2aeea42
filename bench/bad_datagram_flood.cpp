// Hostile traffic against the tool over the rig's veth. Prints figures;
// asserts nothing. Runs inside tests/e2e/rig.sh (bench/run_all.sh does).
//
//   flood  During one search ("搜索" on the main window, the real ten-second
//          run), the simulator sends the tool 100,000 bad datagrams of every
//          sort (its own request echoed, wrong numbers, cut short, over 4,096
//          bytes, random bytes, other exchanges' replies) spread over two
//          seconds, mixed with the replies of 1,000 good boards spread over
//          the same time.
//   late   A search stopped at once; then 10,000 boards answer while no
//          dialog owns the socket.
//
// Message boxes go to a sink that behaves like a modal box: it runs a nested
// event loop for a short while, then returns, as if the user clicked OK.
// The measuring runs in a child process, so that a crash is counted, not
// just suffered.
#include "BenchProbes.h"
#include "BoardFile.h"
#include "ModalDriver.h"
#include "RealSocketApp.h"
#include "SimulatorRig.h"
#include "core/exchange/DeviceTable.h"
#include "core/messages/Messages.h"
#include "gui/dialogs/CSearchDlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QMap>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

using namespace quorvel;
using namespace quorvel::bench;
using quorvel::testing::LoggedDatagram;
using quorvel::testing::ModalDriver;
using quorvel::testing::RealSocketApp;
using quorvel::testing::SimulatorRig;
using quorvel::testing::SpinUntil;

namespace {

struct Settings {
    int boards = 1000;
    int junk = 100000;
    int junkMs = 2000;
    int lateBoards = 10000;
    int boxMs = 50;
    int seed = 1;
};

// A box the user closes after `ms`: while it is open the event loop runs on,
// and every datagram that arrives meanwhile is handled inside it.
class ModalLikeSink : public MessageSink {
public:
    explicit ModalLikeSink(int ms) : m_ms(ms) { m_previous = SetMessageSink(this); }
    ~ModalLikeSink() override { SetMessageSink(m_previous); }

    void show(const QString&, const QString& text, MessageIcon) override {
        ++shown[text];
        QEventLoop loop;
        QTimer::singleShot(m_ms, &loop, &QEventLoop::quit);
        loop.exec();
    }
    void reset() {
        shown.clear();
        ResetMessageBoxStatistics();
    }
    int total() const {
        int n = 0;
        for (int count : shown)
            n += count;
        return n;
    }

    QMap<QString, int> shown;

private:
    int m_ms;
    MessageSink* m_previous = nullptr;
};

void printBoxes(const char* phase, const ModalLikeSink& sink) {
    std::printf("%s_boxes_shown %d\n", phase, sink.total());
    for (auto it = sink.shown.begin(); it != sink.shown.end(); ++it)
        std::printf("%s_boxes_shown_text \"%s\" %d\n", phase, qPrintable(it.key()), it.value());
    std::printf("%s_messages_dropped_at_bound %d\n", phase, SuppressedMessageCount());
    std::printf("%s_deepest_box_nesting %d   (bound %d)\n", phase, MaxMessageBoxDepthSeen(),
                kMaxNestedMessageBoxes);
}

void printMemory(const char* phase, const Memory& before, const Memory& after) {
    std::printf("%s_rss_before_kib %ld\n", phase, before.rssKiB);
    std::printf("%s_rss_after_kib %ld\n", phase, after.rssKiB);
    std::printf("%s_peak_rss_before_kib %ld\n", phase, before.peakKiB);
    std::printf("%s_peak_rss_after_kib %ld\n", phase, after.peakKiB);
    std::printf("%s_peak_rss_growth_kib %ld\n", phase, after.peakKiB - before.peakKiB);
}

// The first search request the simulator heard since `skip` requests.
double requestTime(const SimulatorRig& rig, qsizetype skip, double otherwise) {
    const QList<LoggedDatagram> heard = rig.received(QStringLiteral("search"));
    return heard.size() > skip ? heard[skip].t : otherwise;
}

bool floodDuringSearch(const Settings& s, ModalLikeSink& sink) {
    SimulatorRig rig;
    QString error;
    const QString spread = QString::number(s.junkMs);
    if (!rig.start({"--count", QString::number(s.boards), "--jitter", spread, "--junk",
                    QString::number(s.junk), "--junk-ms", spread, "--seed",
                    QString::number(s.seed)},
                   &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    std::printf("-- flood: %d bad datagrams and %d good boards, spread over %d ms, in one search\n",
                s.junk, s.boards, s.junkMs);
    Memory before, after;
    UdpCounters udpBefore, udpAfter;
    double clicked = 0, returned = 0;
    StallProbe probe;
    std::size_t listed = 0, genuine = 0;
    {
        RealSocketApp a;
        a.window->show();
        QCoreApplication::processEvents();
        sink.reset();
        before = ReadMemory();
        udpBefore = ReadUdpCounters();
        probe.start();
        clicked = Now();
        qobject_cast<QAbstractButton*>(a.window->control(1005))->click(); // modal, ten seconds
        returned = Now();
        probe.stop();
        udpAfter = ReadUdpCounters();
        after = ReadMemory();
        const DeviceTable& table = a.window->deviceTable();
        listed = table.GetRecordCount();
        std::set<int> boards;
        for (const DeviceRecord& r : table.recordList()) {
            const int n = r.ip[0] == 198 && r.ip[1] == 18 ? (r.ip[2] - 1) * 256 + r.ip[3] : -1;
            if (n >= 1 && n <= s.boards && r.name == sim::GeneratedBoardName(std::size_t(n)))
                boards.insert(n);
        }
        genuine = boards.size();
    }
    const double request = requestTime(rig, 0, clicked);
    const qsizetype requests = rig.received(QStringLiteral("search")).size();
    rig.stop();
    const QJsonObject account = rig.account();

    std::printf("flood_boards_listed %zu   (target %d)\n", listed, s.boards);
    std::printf("flood_boards_listed_genuine_and_distinct %zu\n", genuine);
    std::printf("flood_boards_lost %d\n", s.boards - static_cast<int>(genuine));
    std::printf("flood_datagrams_sent_by_simulator %lld\n",
                static_cast<long long>(account.value(QStringLiteral("replies_sent")).toDouble()));
    std::printf("flood_datagrams_read_by_tool %lld\n",
                udpAfter.inDatagrams - udpBefore.inDatagrams);
    std::printf("flood_kernel_drops %lld\n",
                udpAfter.receiveBufferErrors - udpBefore.receiveBufferErrors);
    std::printf("flood_requests_sent %lld\n", static_cast<long long>(requests));
    // Each datagram read is a good reply, a box, a message dropped at the
    // bound, or silently ignored (the tool's own request looped back).
    std::printf("flood_datagrams_ignored_silently %lld\n",
                udpAfter.inDatagrams - udpBefore.inDatagrams - requests * s.boards - sink.total() -
                    SuppressedMessageCount());
    printBoxes("flood", sink);
    std::printf("flood_box_open_ms %d\n", s.boxMs);
    std::printf("flood_worst_gui_stall_during_flood_ms %.1f\n",
                probe.worstGapMs(request, request + s.junkMs / 1000.0 + 0.5));
    std::printf("flood_worst_gui_stall_whole_search_ms %.1f\n",
                probe.worstGapMs(clicked, returned));
    std::printf("flood_search_window_open_s %.2f\n", returned - clicked);
    printMemory("flood", before, after);
    return true;
}

bool lateRepliesAfterStop(const Settings& s, ModalLikeSink& sink) {
    SimulatorRig rig;
    QString error;
    if (!rig.start({"--count", QString::number(s.lateBoards), "--late", "300"}, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    std::printf("-- late: a search stopped at once, then %d boards answer with no dialog open\n",
                s.lateBoards);
    RealSocketApp a;
    a.window->show();
    QCoreApplication::processEvents();
    sink.reset();
    const Memory before = ReadMemory();
    const UdpCounters udpBefore = ReadUdpCounters();
    StallProbe probe;
    probe.start();
    ModalDriver driver;
    driver.pollMs = 5;
    driver.drive = [](QDialog& dialog) {
        auto& search = dynamic_cast<CSearchDlg&>(dialog);
        SpinUntil([&] { return search.exchange().tickCount() >= 1; }, 3000);
        qobject_cast<QAbstractButton*>(search.control(2))->click(); // "终止"
    };
    driver.run([&] { qobject_cast<QAbstractButton*>(a.window->control(1005))->click(); });
    const double stopped = Now();
    long long read = 0;
    double allRead = 0;
    SpinUntil(
        [&] {
            read = ReadUdpCounters().inDatagrams - udpBefore.inDatagrams;
            if (read >= s.lateBoards && allRead == 0)
                allRead = Now();
            return allRead > 0 && MessageBoxDepth() == 0 && !a.socket->hasPendingDatagram();
        },
        30000);
    const double settled = Now();
    probe.stop();
    const UdpCounters udpAfter = ReadUdpCounters();
    const Memory after = ReadMemory();
    const double request = requestTime(rig, 0, stopped);

    std::printf("late_stopped_after_request_ms %.0f\n", (stopped - request) * 1000);
    std::printf("late_exchange_mode_after_stop %d\n", a.app->dispatch.mode());
    std::printf("late_datagrams_read_by_tool %lld   (of %d)\n",
                udpAfter.inDatagrams - udpBefore.inDatagrams, s.lateBoards);
    std::printf("late_kernel_drops %lld\n",
                udpAfter.receiveBufferErrors - udpBefore.receiveBufferErrors);
    std::printf("late_all_read_after_request_ms %.0f\n",
                allRead > 0 ? (allRead - request) * 1000 : -1.0);
    std::printf("late_boards_listed %u\n", a.window->deviceTable().GetRecordCount());
    printBoxes("late", sink);
    std::printf("late_box_open_ms %d\n", s.boxMs);
    std::printf("late_worst_gui_stall_ms %.1f\n", probe.worstGapMs(stopped, settled));
    printMemory("late", before, after);
    return true;
}

int measure(int argc, char** argv, const Settings& s) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    ModalLikeSink sink(s.boxMs);
    std::printf("load_average_before %s\n", LoadAverage().c_str());
    const bool ok = floodDuringSearch(s, sink) && lateRepliesAfterStop(s, sink);
    std::printf("load_average_after %s\n", LoadAverage().c_str());
    std::fflush(stdout);
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    Settings s;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const int value = std::atoi(argv[i + 1]);
        if (name == "--boards")
            s.boards = value;
        else if (name == "--junk")
            s.junk = value;
        else if (name == "--junk-ms")
            s.junkMs = value;
        else if (name == "--late-boards")
            s.lateBoards = value;
        else if (name == "--box-ms")
            s.boxMs = value;
        else if (name == "--seed")
            s.seed = value;
    }
    const QString why = SimulatorRig::unavailableReason();
    if (!why.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        return 2;
    }
    std::printf("== bad datagram flood and late replies\n");
    std::fflush(stdout);
    const pid_t child = ::fork();
    if (child < 0) {
        std::perror("fork");
        return 1;
    }
    if (child == 0)
        std::_Exit(measure(argc, argv, s));
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status)) {
        std::printf("crashes 1   (signal %d, %s)\n", WTERMSIG(status), strsignal(WTERMSIG(status)));
        return 1;
    }
    std::printf("crashes 0\n");
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
