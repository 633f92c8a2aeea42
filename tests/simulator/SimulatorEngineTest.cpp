#include "SimulatorEngine.h"

#include "BoardFile.h"
#include "protocol/AssignDatagrams.h"
#include "protocol/SearchDatagrams.h"

#include <gtest/gtest.h>
#include <map>

using namespace quorvel;
using namespace quorvel::sim;
using namespace std::chrono_literals;

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kTool = 0xC6120001; // 198.18.0.1
constexpr std::uint32_t kBroadcast = 0xFFFFFFFF;

// An engine over generated boards, fed datagrams from the tool's address.
struct Rig {
    explicit Rig(std::size_t boards = 3, EngineOptions options = {})
        : engine(GenerateBoards(boards), std::move(options), start) {}

    ReplyBatch send(const Bytes& bytes, std::uint32_t to = kBroadcast,
                    Clock::time_point at = Clock::time_point{} + 1h) {
        Received r;
        r.bytes = bytes;
        r.source = {kTool, 40000};
        r.destinationIp = to;
        r.socketIndex = 1;
        ReplyBatch out;
        engine.handle(r, at, out);
        return out;
    }
    ReplyBatch search(std::uint16_t number, Clock::time_point at = Clock::time_point{} + 1h) {
        const auto request = BuildSearchRequest(number);
        return send(Bytes(request.begin(), request.end()), kBroadcast, at);
    }

    Clock::time_point start = Clock::time_point{} + 1h;
    SimulatorEngine engine;
};

Bytes payload(const ReplyBatch& batch, std::size_t i) {
    const auto bytes = batch.payload(batch.items.at(i));
    return Bytes(bytes.begin(), bytes.end());
}

DeviceRecord decode(const ReplyBatch& batch, std::size_t i) {
    return ParseSearchReply(payload(batch, i), 3040).record;
}

Bytes assignRequest(const Mac& mac, bool dhcp, Ipv4 ip, std::uint16_t number = 0x0A0B) {
    AssignParameters p;
    p.useDhcp = dhcp;
    p.ip = ip;
    const Ipv4Address mask = {255, 255, 0, 0};
    p.subnetMask = mask;
    p.gateway[0] = 10;
    p.mac = mac;
    const auto bytes = BuildAssignRequest(p, number);
    return Bytes(bytes.begin(), bytes.end());
}

} // namespace

TEST(SimulatorEngine, EveryBoardAnswersASearchFromItsOwnAddress) {
    Rig rig(3);
    const ReplyBatch out = rig.search(0x1234, rig.start + 90s);
    ASSERT_EQ(out.items.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const Outgoing& item = out.items[i];
        EXPECT_EQ(item.destination.ip, kTool);
        EXPECT_EQ(item.destination.port, 40000);
        EXPECT_EQ(item.socketIndex, 1u);
        EXPECT_EQ(item.due, rig.start + 90s);
        EXPECT_EQ(item.sourceIp, 0xC6120101u + i);
        EXPECT_EQ(ClassifySearchDatagram(out.payload(out.items[i]), 0x1234),
                  SearchDatagramKind::Reply);
    }
    // Elapsed times advance with the simulator's clock.
    const SimBoard& first = rig.engine.boards()[0];
    const DeviceRecord r = decode(out, 0);
    const std::uint64_t left = first.leftElapsed + 90;
    EXPECT_EQ(r.leftDays, left / 86400);
    EXPECT_EQ(r.leftMinutes, left / 60 % 60);
    EXPECT_EQ(r.leftSeconds, left % 60);
}

TEST(SimulatorEngine, ASearchToOneBoardsAddressGetsOnlyThatBoard) {
    Rig rig(3);
    const auto request = BuildSearchRequest(7);
    const ReplyBatch out = rig.send(Bytes(request.begin(), request.end()), 0xC6120102);
    ASSERT_EQ(out.items.size(), 1u);
    EXPECT_EQ(decode(out, 0).ip[3], 2);
}

TEST(SimulatorEngine, IgnoresWhatIsNoRequest) {
    Rig rig(2);
    for (const Bytes& bytes : {Bytes{}, Bytes{0, 0, 1}, Bytes{0, 0, 0, 1, 0}, Bytes{1, 0, 0, 1},
                               Bytes{3, 1, 0, 1}, Bytes(23, 2), Bytes{4, 0, 0}})
        EXPECT_TRUE(rig.send(bytes).items.empty());
    // No way back to a source without a port.
    Received r;
    const Bytes search{0, 0, 0, 1};
    r.bytes = search;
    r.source = {kTool, 0};
    ReplyBatch out;
    EXPECT_EQ(rig.engine.handle(r, rig.start, out), RequestKind::Search);
    EXPECT_TRUE(out.items.empty());
}

TEST(SimulatorEngine, AProgrammedAssignShowsInTheNextSearchAndStatus) {
    Rig rig(3);
    const Mac mac = rig.engine.boards()[1].mac;
    const ReplyBatch reply = rig.send(assignRequest(mac, false, {198, 18, 9, 9}));
    ASSERT_EQ(reply.items.size(), 1u);
    EXPECT_EQ(payload(reply, 0), (Bytes{3, 1, 0x0A, 0x0B}));
    EXPECT_EQ(reply.items[0].sourceIp, 0xC6120102u); // answered from its old address

    const ReplyBatch found = rig.search(1);
    const DeviceRecord r = decode(found, 1);
    EXPECT_EQ(r.staticAddress, 1);
    EXPECT_EQ(r.ip[2], 9);
    EXPECT_EQ(r.subnetMask[1], 255);
    EXPECT_EQ(r.subnetMask[2], 0);
    EXPECT_EQ(r.gateway[0], 10);
    EXPECT_EQ(found.items[1].sourceIp, 0xC6120909u);

    // Status requests follow the address.
    EXPECT_TRUE(rig.send({4, 0, 0, 0}, 0xC6120102).items.empty());
    const ReplyBatch status = rig.send({4, 0, 0, 0}, 0xC6120909);
    ASSERT_EQ(status.items.size(), 1u);
    EXPECT_EQ(payload(status, 0), (Bytes{5, 0, 2, 0}));
}

TEST(SimulatorEngine, DhcpKeepsTheAddressAndTurnsDynamic) {
    Rig rig(1);
    rig.send(assignRequest(rig.engine.boards()[0].mac, true, {10, 0, 0, 1}));
    const DeviceRecord r = decode(rig.search(1), 0);
    EXPECT_EQ(r.staticAddress, 0);
    EXPECT_EQ(r.ip[0], 198);
}

TEST(SimulatorEngine, AFailedAssignChangesNothing) {
    EngineOptions options;
    options.assignResult = 0;
    Rig rig(1, options);
    const ReplyBatch reply =
        rig.send(assignRequest(rig.engine.boards()[0].mac, false, {10, 0, 0, 1}));
    ASSERT_EQ(reply.items.size(), 1u);
    EXPECT_EQ(payload(reply, 0), (Bytes{3, 0, 0x0A, 0x0B}));
    EXPECT_EQ(decode(rig.search(1), 0).ip[0], 198);
}

TEST(SimulatorEngine, UnknownMacsGetAnAnswerOnlyWhenAsked) {
    const Mac stranger{0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    EXPECT_TRUE(Rig(2).send(assignRequest(stranger, false, {1, 2, 3, 4})).items.empty());
    EngineOptions options;
    options.unknownMacResult = 255;
    Rig rig(2, options);
    const ReplyBatch reply = rig.send(assignRequest(stranger, false, {1, 2, 3, 4}, 0x0001));
    ASSERT_EQ(reply.items.size(), 1u);
    EXPECT_EQ(payload(reply, 0), (Bytes{3, 255, 0, 1}));
    EXPECT_EQ(reply.items[0].sourceIp, 0u);
}

TEST(SimulatorEngine, StatusGoesOnlyToTheBoardAddressed) {
    Rig rig(5);
    EXPECT_TRUE(rig.send({4, 0, 0, 0}).items.empty()); // broadcast
    EXPECT_TRUE(rig.send({4, 0, 0, 0}, 0xC6120001).items.empty());
    const ReplyBatch out = rig.send({4, 0, 0, 0}, 0xC6120105);
    ASSERT_EQ(out.items.size(), 1u);
    EXPECT_EQ(payload(out, 0), (Bytes{5, 0, 5, 0}));
    EXPECT_EQ(out.items[0].sourceIp, 0xC6120105u);
}

TEST(SimulatorEngine, ScheduledBoardsChangeTheirStatusOrFallSilent) {
    std::vector<SimBoard> boards = GenerateBoards(2);
    boards[0].status = boards[1].status = 1;
    boards[0].changeAfter = 2, boards[0].laterStatus = 0x2000;
    boards[1].silentAfter = 2;
    Rig rig;
    SimulatorEngine engine(boards, {}, rig.start);
    const Bytes request{4, 0, 0, 0}, one{5, 0, 1, 0}, paperOut{5, 0, 0, 0x20};
    // Request by request: board 1 answers 1, 1, then paper out; board 2 twice, then never.
    const std::array<std::pair<Bytes, Bytes>, 3> answers = {
        {{one, one}, {one, one}, {paperOut, {}}}};
    for (const auto& [first, second] : answers)
        for (const auto& [board, expected] :
             {std::pair{0xC6120101u, first}, {0xC6120102u, second}}) {
            ReplyBatch out;
            engine.handle({request, {kTool, 40000}, board}, rig.start, out);
            EXPECT_EQ(out.items.empty() ? Bytes{} : payload(out, 0), expected);
        }
}

TEST(SimulatorEngine, FaultsChangeTheRepliesOfTheFaultyBoardsOnly) {
    struct Case {
        const char* name;
        void (*set)(FaultOptions&);
        void (*check)(const ReplyBatch& out, Clock::time_point now);
    };
    const Case cases[] = {
        {"drop", [](FaultOptions& f) { f.drop = 1; },
         [](const ReplyBatch& out, Clock::time_point) { EXPECT_EQ(out.items.size(), 2u); }},
        {"duplicate", [](FaultOptions& f) { f.duplicate = 2; },
         [](const ReplyBatch& out, Clock::time_point) {
             ASSERT_EQ(out.items.size(), 5u);
             EXPECT_EQ(payload(out, 1), payload(out, 2));
             EXPECT_EQ(payload(out, 1), payload(out, 3));
         }},
        {"wrong number", [](FaultOptions& f) { f.wrongNumber = 1; },
         [](const ReplyBatch& out, Clock::time_point) {
             EXPECT_EQ(ClassifySearchDatagram(out.payload(out.items[1]), 0x1234),
                       SearchDatagramKind::Invalid);
             EXPECT_EQ(ClassifySearchDatagram(out.payload(out.items[1]), 0x1235),
                       SearchDatagramKind::Reply);
         }},
        {"truncate", [](FaultOptions& f) { f.truncate = 1; },
         [](const ReplyBatch& out, Clock::time_point) {
             EXPECT_EQ(payload(out, 1).size(), 31u);
             EXPECT_GT(payload(out, 0).size(), 31u);
         }},
        {"oversize", [](FaultOptions& f) { f.oversize = 1; },
         [](const ReplyBatch& out, Clock::time_point) {
             EXPECT_EQ(payload(out, 1).size(), 5000u);
         }},
        {"no NUL", [](FaultOptions& f) { f.noNul = 1; },
         [](const ReplyBatch& out, Clock::time_point) {
             const Bytes bytes = payload(out, 1);
             EXPECT_EQ(std::count(bytes.begin() + 32, bytes.end(), 0), 0);
             const DeviceRecord r = ParseSearchReply(bytes, 1).record;
             EXPECT_EQ(r.description, "");
             EXPECT_EQ(r.name.str().rfind("票据打印机-0002", 0), 0u); // the rest runs on
         }},
        {"delay and jitter",
         [](FaultOptions& f) {
             f.delay = 100ms;
             f.jitter = 50ms;
         },
         [](const ReplyBatch& out, Clock::time_point now) {
             EXPECT_EQ(out.items[0].due, now);
             EXPECT_GE(out.items[1].due, now + 100ms);
             EXPECT_LE(out.items[1].due, now + 150ms);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EngineOptions options;
        options.faults.faultyBoards = {2};
        c.set(options.faults);
        Rig rig(3, options);
        const auto now = rig.start + 5s;
        c.check(rig.search(0x1234, now), now);
    }
}

TEST(SimulatorEngine, LateBoardsAnswerOnceAfterTheirDelayThenAtOnce) {
    EngineOptions options;
    options.faults.late = 6000ms;
    options.faults.faultyBoards = {1};
    Rig rig(2, options);
    const auto t0 = rig.start + 1s;
    const ReplyBatch first = rig.search(9, t0);
    ASSERT_EQ(first.items.size(), 2u);
    EXPECT_EQ(first.items[0].due, t0 + 6000ms);
    EXPECT_EQ(first.items[1].due, t0);
    // A repeat before the time: only the punctual board.
    EXPECT_EQ(rig.search(9, t0 + 2s).items.size(), 1u);
    // After it, both at once; a new number starts the wait again.
    const ReplyBatch later = rig.search(9, t0 + 7s);
    ASSERT_EQ(later.items.size(), 2u);
    EXPECT_EQ(later.items[0].due, t0 + 7s);
    EXPECT_EQ(rig.search(10, t0 + 7s).items[0].due, t0 + 13s);
}

TEST(SimulatorEngine, TheSameSeedGivesTheSameFaults) {
    auto dropped = [](std::uint64_t seed) {
        EngineOptions options;
        options.faults.drop = 0.5;
        options.faults.seed = seed;
        Rig rig(200, options);
        std::vector<std::uint8_t> answered;
        for (const Outgoing& item : rig.search(1).items)
            answered.push_back(static_cast<std::uint8_t>(item.sourceIp));
        return answered;
    };
    const auto once = dropped(4);
    EXPECT_EQ(once, dropped(4));
    EXPECT_NE(once, dropped(5));
    EXPECT_GT(once.size(), 50u);
    EXPECT_LT(once.size(), 150u);
}

TEST(SimulatorEngine, IgnoredRequestsGoUnansweredByTheFaultyBoardsOnly) {
    EngineOptions options;
    options.faults.ignore = {RequestKind::PrinterStatus};
    options.faults.faultyBoards = {2};
    Rig rig(3, options);
    const Bytes status{4, 0, 0, 0};
    EXPECT_EQ(rig.send(status, 0xC6120102).items.size(), 0u); // board 2
    EXPECT_EQ(rig.send(status, 0xC6120103).items.size(), 1u);
    EXPECT_EQ(rig.search(7).items.size(), 3u);
}

TEST(SimulatorEngine, JunkGoesToTheSearcherOncePerNumberSpreadOverItsTime) {
    EngineOptions options;
    options.faults.junk = 3000;
    options.faults.junkSpread = 1000ms;
    Rig rig(5, options);
    const auto now = rig.start + 1s;
    const ReplyBatch out = rig.search(0x4242, now);
    ASSERT_EQ(out.items.size(), 5u + 3000u);
    std::map<SearchDatagramKind, int> kinds;
    std::size_t longest = 0, shortest = 9999;
    for (std::size_t i = 5; i < out.items.size(); ++i) {
        const Outgoing& item = out.items[i];
        EXPECT_EQ(item.destination.ip, kTool);
        EXPECT_EQ(item.destination.port, 40000);
        EXPECT_GE(item.due, now);
        EXPECT_LT(item.due, now + 1000ms);
        EXPECT_GE(item.due, out.items[i - 1].due);
        const auto bytes = out.payload(item);
        longest = std::max(longest, bytes.size());
        shortest = std::min(shortest, bytes.size());
        // What the tool's 4,096-byte read would make of it.
        const ReadBytes read = bytes.size() > 4096 ? ReadBytes() : ReadBytes(bytes);
        ++kinds[ClassifySearchDatagram(read, 0x4242)];
    }
    EXPECT_EQ(kinds[SearchDatagramKind::Reply], 0);
    EXPECT_GT(kinds[SearchDatagramKind::OwnRequest], 400);
    EXPECT_GT(kinds[SearchDatagramKind::ReadError], 400);
    EXPECT_GT(kinds[SearchDatagramKind::Invalid], 1500);
    EXPECT_EQ(shortest, 0u);
    EXPECT_GT(longest, 8000u);
    EXPECT_LE(longest, 9000u);
    // A repeat of the same search brings only the boards; a new one brings more junk.
    EXPECT_EQ(rig.search(0x4242, now + 2s).items.size(), 5u);
    EXPECT_EQ(rig.search(0x4243, now + 2s).items.size(), 3005u);
}
