// The fleet monitor on the in-memory socket, its clock stepped by hand.
#include "core/StatusMonitor.h"

#include "FakeDatagramSocket.h"
#include "core/MetricsExposition.h"

#include <QTest>

using namespace quorvel;
using namespace quorvel::testing;

namespace {

using Bytes = std::vector<std::uint8_t>;

DeviceRecord board(std::uint8_t last, std::uint16_t port = 3040, std::string name = {}) {
    DeviceRecord r;
    r.mac = {0x00, 0x0B, 0x3C, 0, 0, last};
    r.ip = {198, 18, 0, last};
    r.replyPort = port;
    r.name = std::move(name);
    return r;
}

// Flags as the board sends them: bit i of the little-endian word at byte 2.
Bytes reply(std::initializer_list<int> set) {
    unsigned word = 0;
    for (int bit : set)
        word |= 1u << bit;
    return {0, 0, std::uint8_t(word), std::uint8_t(word >> 8)};
}

struct Fixture {
    explicit Fixture(std::vector<DeviceRecord> boards, qint64 intervalMs = 10000)
        : monitor(socket, intervalMs) {
        monitor.wallClock = [this] { return now; };
        monitor.addBoards(boards);
        monitor.start();
        monitor.advance(0);
    }
    void at(qint64 ms) {
        now = ms;
        monitor.advance(ms);
    }
    void from(const DeviceRecord& r, Bytes bytes) {
        socket.push(std::move(bytes), r.replyPort, Ipv4Word(r.ip));
        socket.deliverAll();
    }
    bool up(std::size_t i) const { return monitor.boards()[i].up; }

    FakeDatagramSocket socket;
    StatusMonitor monitor;
    qint64 now = 0;
};

} // namespace

class StatusMonitorTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pacesRequestsAndMatchesRepliesBySender() {
        // Board 4 shares board 1's address but not its port.
        std::vector<DeviceRecord> boards = {board(1), board(2), board(3), board(1, 3041)};
        boards[3].mac[5] = 4;
        Fixture f(boards); // one request a quarter-interval: at 0, 2500, 5000, 7500
        f.from(boards[0], reply({PaperOut}));
        f.from(boards[0], reply({}));         // twice
        f.from(board(9), reply({CoverOpen})); // nobody asked it
        f.at(2499);
        QCOMPARE(f.socket.sent.size(), 1u);
        f.at(2500);
        f.from(boards[1], Bytes(5, 0)); // wrong length: still waiting
        f.at(5000);
        f.at(7500);
        QCOMPARE(f.socket.sent.size(), 4u);
        QCOMPARE(f.socket.sent[3].port, 3041);
        f.from(boards[3], reply({CoverOpen}));
        f.at(9500);                   // boards 2 and 3 time out
        f.from(boards[2], reply({})); // late
        f.at(10000);                  // the next round begins
        QCOMPARE(f.socket.sent.size(), 5u);

        const auto& b = f.monitor.boards();
        QCOMPARE((std::vector<bool>{f.up(0), f.up(1), f.up(2), f.up(3)}),
                 (std::vector<bool>{true, false, false, true}));
        QVERIFY((*b[0].flags)[PaperOut] && !(*b[0].flags)[CoverOpen]);
        QVERIFY((*b[3].flags)[CoverOpen] && !(*b[3].flags)[PaperOut]);
        QVERIFY(!b[1].flags && !b[2].flags);
        QCOMPARE(b[1].silences + b[2].silences, 2u);
        const MonitorCounters& c = f.monitor.counters();
        QCOMPARE((std::vector<std::uint64_t>{c.duplicate, c.unknownSender, c.wrongLength, c.late}),
                 (std::vector<std::uint64_t>{1, 1, 1, 1}));
        // The round ended with its last time-out.
        QCOMPARE(f.monitor.roundsCompleted(), 1u);
        QCOMPARE(f.monitor.lastRoundSeconds(), 9.5);
        // Stopped with a request in flight and started again (a window shown
        // anew): the new round asks at once, not after the old time-out.
        f.monitor.stop();
        f.monitor.start();
        f.at(0);
        QCOMPARE(f.socket.sent.size(), 6u);
    }

    void tellsChangesOnlyAndKeepsAShortHistory() {
        Fixture f({board(1)}, 5000);
        std::vector<StatusChange> changes;
        connect(&f.monitor, &StatusMonitor::changed,
                [&changes](int, const StatusChange& change) { changes.push_back(change); });
        // round → what the board does (nothing: silent) → a change told?
        const std::tuple<std::optional<Bytes>, bool> rounds[] = {
            {reply({}), true},    {reply({}), false},    {reply({PaperOut}), true},
            {std::nullopt, true}, {std::nullopt, false}, {reply({PaperOut}), true},
        };
        qint64 ms = 0;
        int told = 0;
        for (const auto& [answer, change] : rounds) {
            if (answer)
                f.from(board(1), *answer);
            f.at(ms += 4500); // past the time-out
            told += change;
            QCOMPARE(int(changes.size()), told);
            f.at(ms += 500); // the next round's request
        }
        const StatusChange last = changes.back();
        QVERIFY(!last.before && last.after && (*last.after)[PaperOut]);
        for (int i = 0; i < 40; ++i, f.at(ms += 5000))
            f.from(board(1), reply({i % 2 ? PaperOut : CoverOpen}));
        QCOMPARE(f.monitor.boards()[0].history.size(), StatusMonitor::kHistoryLength);
    }

    void exposesEverySeries() {
        Fixture f({board(1, 3040, "Bar \"1\"\\\n\xff"), board(2)});
        f.now = 1700000000123;
        f.from(board(1), reply({PaperOut}));
        f.at(5000);
        const std::string text = MetricsExposition(f.monitor);
        for (const char* line :
             {"quorvel_printer_up{mac=\"00-0B-3C-00-00-01\",ip=\"198.18.0.1\",name=\"Bar "
              "\\\"1\\\"\\\\\\n\xEF\xBF\xBD\",interface=\"\"} 1\n",
              "quorvel_printer_up{mac=\"00-0B-3C-00-00-02\",ip=\"198.18.0.2\",name=\"\","
              "interface=\"\"} 0\n",
              "quorvel_printer_flag{mac=\"00-0B-3C-00-00-01\",flag=\"paper_out\"} 1\n",
              "quorvel_printer_flag{mac=\"00-0B-3C-00-00-01\",flag=\"cover_open\"} 0\n",
              "quorvel_printer_last_answer_timestamp_seconds{mac=\"00-0B-3C-00-00-01\"} "
              "1700000000.123\n",
              "quorvel_monitor_boards 2\n", "# TYPE quorvel_printer_flag gauge\n"})
            QVERIFY2(text.find(line) != std::string::npos, line);
        // A board that never answered has no flags yet.
        QVERIFY(text.find("flag{mac=\"00-0B-3C-00-00-02\"") == std::string::npos);
    }
};

QTEST_GUILESS_MAIN(StatusMonitorTest)
#include "StatusMonitorTest.moc"
