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
    void spreadsEachRoundOverTheInterval() {
        Fixture f({board(1), board(2), board(3), board(4)});
        // ms → requests sent by then: one a quarter-interval, then round two.
        const std::pair<qint64, std::size_t> pace[] = {{0, 1},    {2499, 1},  {2500, 2}, {7500, 4},
                                                       {9999, 4}, {10000, 5}, {12500, 6}};
        for (const auto& [ms, sent] : pace) {
            f.at(ms);
            QCOMPARE(f.socket.sent.size(), sent);
        }
        QCOMPARE(f.socket.sent[1].ip, Ipv4Word(board(2).ip));
        QCOMPARE(f.socket.sent[1].port, board(2).replyPort);
        // Stopped with requests in flight and started again (a window shown
        // anew): the new round asks at once, not after the old time-outs.
        f.monitor.stop();
        f.monitor.start();
        f.at(0);
        QCOMPARE(f.socket.sent.size(), 7u);
    }

    void matchesRepliesBySenderAndSetsAsideTheRest() {
        // Board 4 shares board 1's address but not its port.
        const std::vector<DeviceRecord> boards = {board(1), board(2), board(3), board(1, 3041)};
        std::vector<DeviceRecord> withFourth = boards;
        withFourth[3].mac[5] = 4;
        Fixture f(withFourth); // asked at 0, 2500, 5000 and 7500
        f.from(boards[0], reply({PaperOut}));
        f.from(boards[0], reply({}));         // twice
        f.from(board(9), reply({CoverOpen})); // nobody asked it
        f.at(2500);
        f.from(boards[1], Bytes(5, 0)); // wrong length: still waiting
        f.at(5000);
        f.at(7500);
        f.from(withFourth[3], reply({CoverOpen}));
        f.at(9500);                   // boards 2 and 3 time out (asked at 2500 and 5000)
        f.from(boards[2], reply({})); // late

        const auto& b = f.monitor.boards();
        QCOMPARE((std::vector<bool>{f.up(0), f.up(1), f.up(2), f.up(3)}),
                 (std::vector<bool>{true, false, false, true}));
        QVERIFY((*b[0].flags)[PaperOut] && !(*b[0].flags)[CoverOpen]);
        QVERIFY((*b[3].flags)[CoverOpen] && !(*b[3].flags)[PaperOut]);
        QVERIFY(!b[1].flags && !b[2].flags);
        QCOMPARE(b[1].silences, 1u);
        QCOMPARE(b[2].silences, 1u);
        const MonitorCounters& c = f.monitor.counters();
        QCOMPARE(c.duplicate, 1u);
        QCOMPARE(c.unknownSender, 1u);
        QCOMPARE(c.wrongLength, 1u);
        QCOMPARE(c.late, 1u);
        // The round ended with its last time-out.
        QCOMPARE(f.monitor.roundsCompleted(), 1u);
        QCOMPARE(f.monitor.lastRoundSeconds(), 9.5);
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
