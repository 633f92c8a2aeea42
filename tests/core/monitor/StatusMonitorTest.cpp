// The fleet monitor on the in-memory socket, its clock stepped by hand.
#include "core/monitor/StatusMonitor.h"

#include "FakeDatagramSocket.h"
#include "SearchReplyBytes.h"
#include "core/monitor/MetricsExposition.h"
#include "protocol/SearchDatagrams.h"

#include <QSignalSpy>
#include <QTest>
#include <algorithm>

using namespace quorvel;
using namespace quorvel::testing;

namespace {

using Bytes = std::vector<std::uint8_t>;

DeviceRecord board(std::uint8_t last, std::uint16_t port = 3040, std::string name = {}) {
    DeviceRecord r;
    r.mac = {0x00, 0x0B, 0x3C, 0, 0, last};
    r.ip = {198, 18, 0, last};
    r.replyAddress = r.ip;
    r.replyPort = port;
    r.name = std::move(name);
    return r;
}

DeviceRecord at(DeviceRecord r, Ipv4Address ip) {
    r.ip = r.replyAddress = ip;
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
    explicit Fixture(std::vector<DeviceRecord> boards, qint64 intervalMs = 10000,
                     MonitorLimits limits = {})
        : monitor(socket, intervalMs, limits) {
        monitor.wallClock = [this] { return now; };
        monitor.directedBroadcasts = [] { return std::vector<std::uint32_t>{0xC61201FF}; };
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
    std::vector<std::string> sentTo() const {
        std::vector<std::string> to;
        for (const auto& d : socket.sent)
            to.push_back(Ipv4Text(Ipv4FromWord(d.ip)) + ":" + std::to_string(d.port));
        return to;
    }

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

    void watchesOnlyBoardsThatAnswerFromTheirOwnUnicastAddress() {
        // What a search reply claims → watched, or the counter it lands in.
        const struct {
            Ipv4Address ip, from;
            std::uint64_t MonitorCounters::*refused;
        } rows[] = {
            {{198, 18, 0, 5}, {198, 18, 0, 5}, nullptr},
            {{0, 0, 0, 0}, {0, 0, 0, 0}, &MonitorCounters::notUnicast},
            {{127, 0, 0, 1}, {127, 0, 0, 1}, &MonitorCounters::notUnicast},
            {{224, 0, 0, 251}, {224, 0, 0, 251}, &MonitorCounters::notUnicast},
            {{255, 255, 255, 255}, {198, 18, 0, 7}, &MonitorCounters::notUnicast},
            {{198, 18, 1, 255}, {198, 18, 1, 255}, &MonitorCounters::notUnicast}, // the link's
            {{198, 18, 0, 6}, {198, 18, 0, 99}, &MonitorCounters::addressMismatch},
            {{198, 18, 0, 8}, {198, 18, 0, 8}, nullptr},
            {{198, 18, 0, 9}, {198, 18, 0, 9}, &MonitorCounters::boardLimit}, // the third
        };
        std::vector<DeviceRecord> records;
        for (const auto& row : rows) {
            DeviceRecord r = board(std::uint8_t(records.size() + 1));
            r.ip = row.ip;
            r.replyAddress = row.from;
            records.push_back(r);
        }
        Fixture f(records, 1000, {2, 0});
        f.at(999);
        QCOMPARE(f.sentTo(), (std::vector<std::string>{"198.18.0.5:3040", "198.18.0.8:3040"}));
        for (const auto& row : rows)
            if (row.refused)
                QCOMPARE(f.monitor.counters().*row.refused,
                         std::uint64_t(
                             std::count_if(std::begin(rows), std::end(rows), [&](const auto& r) {
                                 return r.refused == row.refused;
                             })));
    }

    void followsEachBoardByMacWhenAddressesMove() {
        const DeviceRecord a = board(1), b = board(2), c = board(3);
        Fixture f({a, b}, 1000);
        // A and B trade addresses; then C takes B's new one while B is away.
        f.monitor.addBoards({at(a, b.ip), at(b, a.ip)});
        f.at(1000);
        f.from(at(a, b.ip), reply({}));
        f.from(at(b, a.ip), reply({PaperOut}));
        QVERIFY(f.up(0) && f.up(1));
        QVERIFY(!(*f.monitor.boards()[0].flags)[PaperOut]);
        QVERIFY((*f.monitor.boards()[1].flags)[PaperOut]);
        f.monitor.addBoards({at(c, a.ip)});
        f.socket.sent.clear();
        f.at(2999);
        f.from(at(c, a.ip), reply({}));
        QCOMPARE(f.sentTo(), (std::vector<std::string>{"198.18.0.2:3040", "198.18.0.1:3040"}));
        QVERIFY(f.up(2) && !f.up(1)); // B is no answer, and not asked, until found again
    }

    void forgetsBoardsNeitherFoundNorHeard() {
        Fixture f({board(1), board(2), board(3)}, 10000, {0, 30000});
        QSignalSpy changed(&f.monitor, &StatusMonitor::boardsChanged);
        for (qint64 ms = 0; ms <= 40000; ms += 2500) {
            if (ms % 10000 == 0)
                f.from(board(1), reply({})); // board 1 answers, 2 and 3 are silent
            if (ms == 20000)
                f.monitor.addBoards({board(3)}); // board 3 is still found
            f.at(ms);
        }
        QCOMPARE(f.monitor.boards().size(), 2u);
        QCOMPARE(f.monitor.boards()[1].record.mac, board(3).mac);
        QCOMPARE(f.monitor.counters().forgotten, 1u);
        QCOMPARE(changed.count(), 1);
        f.at(45000);
        f.from(board(3), reply({CoverOpen})); // its request and index moved with it
        QVERIFY((*f.monitor.boards()[1].flags)[CoverOpen]);
    }

    void probesSingleBoardsOnTheMonitorsSocket() {
        Fixture f({board(1)}, 10000);
        std::vector<ProbeResult> results;
        const auto keep = [&results](const ProbeResult& r) { results.push_back(r); };
        QVERIFY(f.monitor.probe(Ipv4Word(board(9).ip), 3041, 3000, keep));
        QVERIFY(f.monitor.probe(Ipv4Word(board(8).ip), 3040, 3000, keep)); // stays silent
        QVERIFY(f.monitor.probe(Ipv4Word(board(1).ip), 3040, 3000, keep)); // also watched
        const auto number = [&](std::size_t sent) {
            return std::uint16_t(f.socket.sent[sent].bytes[2] << 8 | f.socket.sent[sent].bytes[3]);
        };
        const auto searchReply = [&](std::size_t sent, std::uint8_t claimed) {
            auto bytes = SearchReplyBytes(number(sent), claimed, {"P9"});
            std::copy_n(board(claimed).ip.begin(), 4, bytes.begin() + 20);
            return bytes;
        };
        QCOMPARE(f.sentTo(), (std::vector<std::string>{"198.18.0.1:3040", "198.18.0.9:3041",
                                                       "198.18.0.8:3040", "198.18.0.1:3040"}));
        // Board 9 first claims another address (not trusted), then its own;
        // it answers from port 4000, so its status is asked there.
        f.socket.push(searchReply(1, 7), 4000, Ipv4Word(board(9).ip));
        f.socket.push(searchReply(1, 9), 4000, Ipv4Word(board(9).ip));
        f.socket.deliverAll();
        QCOMPARE(f.sentTo().back(), "198.18.0.9:4000");
        f.from(board(9), reply({})); // from 3040: not the port it answered from
        f.socket.push(reply({PaperOut}), 4000, Ipv4Word(board(9).ip));
        f.socket.push(searchReply(3, 1), 3040, Ipv4Word(board(1).ip));
        f.from(board(1), reply({CoverOpen})); // the probe's and the round's
        f.at(3000);
        QCOMPARE(results.size(), 3u);
        QVERIFY(results[0].success() && (*results[0].flags)[PaperOut]);
        QCOMPARE(results[0].record->name.str(), "P9");
        QVERIFY(results[1].success() && (*results[1].flags)[CoverOpen]);
        QVERIFY(!results[2].record && !results[2].success());
        QVERIFY(f.up(0) && (*f.monitor.boards()[0].flags)[CoverOpen]);
        QCOMPARE(f.monitor.probeAddressMismatches(), 1u);
        const MonitorCounters& c = f.monitor.counters();
        QCOMPARE(c.unknownSender + c.wrongLength + c.duplicate + c.late, 1u); // 9's from 3040
        const std::string text = ProbeExposition(results[0]);
        for (const char* line :
             {"quorvel_probe_success 1\n", "quorvel_printer_up{mac=\"00-0B-3C-12-34-09\"} 1\n",
              "quorvel_printer_flag{mac=\"00-0B-3C-12-34-09\",flag=\"paper_out\"} 1\n"})
            QVERIFY2(text.find(line) != std::string::npos, line);
        QCOMPARE(ProbeExposition(results[2]).find("quorvel_printer"), std::string::npos);
    }

    void exposesEverySeries() {
        Fixture f({board(1, 3040, "Bar \"1\"\\\n\xff"), board(2)});
        f.now = 1700000000123;
        f.from(board(1), reply({PaperOut}));
        f.at(5000);
        const std::string text = MetricsExposition(f.monitor, {true, 7, "1.0.0.1", "6.4.2"});
        for (const char* line :
             {"quorvel_printer_up{mac=\"00-0B-3C-00-00-01\"} 1\n",
              "quorvel_printer_up{mac=\"00-0B-3C-00-00-02\"} 0\n",
              "quorvel_printer_info{mac=\"00-0B-3C-00-00-01\",ip=\"198.18.0.1\",name=\"Bar "
              "\\\"1\\\"\\\\\\n\xEF\xBF\xBD\",interface=\"\"} 1\n",
              "quorvel_monitor_searches_total 7\n", "quorvel_monitor_requests_sent_total 2\n",
              "quorvel_build_info{version=\"1.0.0.1\",qt_version=\"6.4.2\"} 1\n",
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
