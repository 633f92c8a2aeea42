#pragma once

#include "BoardReplies.h"
#include "BoardSilence.h"
#include "SimBoard.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <span>
#include <unordered_map>
#include <vector>

namespace quorvel::sim {

using Clock = std::chrono::steady_clock;

struct Endpoint {
    std::uint32_t ip = 0; // host order
    std::uint16_t port = 0;
};

// Misbehaviour on demand. Rates are chances per reply (0 never, 1 always),
// drawn from a generator seeded with `seed`, so a run can be repeated.
struct FaultOptions {
    std::chrono::milliseconds delay{0};
    std::chrono::milliseconds jitter{0};
    double drop = 0;
    unsigned duplicate = 0; // extra copies of each reply
    double wrongNumber = 0;
    double truncate = 0;
    std::size_t truncateTo = 31;
    double oversize = 0;
    std::size_t oversizeTo = 5000;
    double noNul = 0;
    // Silent to a search until this long after its number was first heard,
    // then one reply each; later repeats are answered at once.
    std::chrono::milliseconds late{0};
    // Requests the faulty boards leave unanswered.
    std::set<RequestKind> ignore;
    // Bad datagrams of every sort sent to the searcher, spread evenly over
    // junkSpread from the first time a search number is heard.
    std::size_t junk = 0;
    std::chrono::milliseconds junkSpread{2000};
    // Board numbers (1-based) the faults apply to; empty: every board.
    std::set<std::size_t> faultyBoards;
    std::uint64_t seed = 1;
};

// A hostile host on the link: answers each search it hears first with
// forged replies that carry the search's number, random MACs and, in turn,
// a loopback, limited broadcast, zero and multicast board address, another
// host's address, and its own (`from`), which it sends them from. It never
// answers a status request.
struct ForgerOptions {
    std::size_t perSearch = 0;
    std::uint32_t from = 0; // host order
};

struct EngineOptions {
    std::uint8_t assignResult = 1;
    std::optional<std::uint8_t> unknownMacResult; // none: no answer
    FaultOptions faults;
    ForgerOptions forger;
    const BoardSilence* silence = nullptr; // boards rebooting after a push answer nothing
};

// One reply to send: its bytes live in the batch that holds it.
struct Outgoing {
    Clock::time_point due;
    std::size_t socketIndex = 0;
    Endpoint destination;
    std::uint32_t sourceIp = 0; // the board's address, 0 to let the system choose
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
};

struct ReplyBatch {
    std::vector<std::uint8_t> bytes;
    std::vector<Outgoing> items;

    std::span<const std::uint8_t> payload(const Outgoing& item) const {
        return {bytes.data() + item.offset, item.length};
    }
    void clear() {
        bytes.clear();
        items.clear();
    }
};

struct Received {
    std::span<const std::uint8_t> bytes;
    Endpoint source;
    std::uint32_t destinationIp = 0; // the header's: 255.255.255.255 for a broadcast
    std::size_t socketIndex = 0;
};

// The boards' behaviour, free of sockets: each received datagram becomes
// replies with the time each is due.
class SimulatorEngine {
public:
    SimulatorEngine(std::vector<SimBoard> boards, EngineOptions options, Clock::time_point start);

    RequestKind handle(const Received& received, Clock::time_point now, ReplyBatch& out);

    const std::vector<SimBoard>& boards() const { return m_boards; }

private:
    void handleSearch(const Received& received, Clock::time_point now, ReplyBatch& out);
    void handleAssign(const Received& received, Clock::time_point now, ReplyBatch& out);
    void handleStatus(const Received& received, Clock::time_point now, ReplyBatch& out);
    void appendSearchReply(std::size_t board, std::uint16_t number, const Received& received,
                           Clock::time_point due, ReplyBatch& out);
    void appendJunk(std::uint16_t number, const Received& received, Clock::time_point now,
                    ReplyBatch& out);
    void appendForgeries(std::uint16_t number, const Received& received, Clock::time_point now,
                         ReplyBatch& out);
    // Adds one reply as it leaves the board, faults applied.
    void emit(RequestKind kind, std::size_t board, std::size_t offset, const Received& received,
              std::uint32_t sourceIp, Clock::time_point due, ReplyBatch& out);
    bool faulty(std::size_t board) const;
    bool chance(double rate);
    void rebuildReply(std::size_t board);
    void indexAddresses();

    std::vector<SimBoard> m_boards;
    EngineOptions m_options;
    Clock::time_point m_start;
    std::vector<std::vector<std::uint8_t>> m_searchReplies; // prebuilt, number and times zero
    std::unordered_map<std::uint64_t, std::size_t> m_byMac;
    std::unordered_multimap<std::uint32_t, std::size_t> m_byIp;
    std::map<std::uint16_t, Clock::time_point> m_firstHeard; // for late replies
    std::set<std::uint16_t> m_junkSent;                      // search numbers flooded
    std::set<std::uint16_t> m_forged;                        // search numbers forged for
    std::mt19937_64 m_random;
};

} // namespace quorvel::sim
