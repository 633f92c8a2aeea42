#include "SimulatorEngine.h"

#include "protocol/AssignDatagrams.h"
#include "protocol/Datagram.h"
#include "protocol/SearchDatagrams.h"

#include <algorithm>

namespace quorvel::sim {

namespace {

std::uint64_t macKey(const Mac& mac) {
    std::uint64_t key = 0;
    for (std::uint8_t b : mac)
        key = key << 8 | b;
    return key;
}

constexpr std::uint32_t kBroadcast = 0xFFFFFFFFu;

// Over-long junk: past the tool's 4,096-byte buffer by up to a jumbo frame.
constexpr std::size_t kLongestJunk = 9000;
// Random junk fits one Ethernet frame.
constexpr std::size_t kLongestRandomJunk = 1472;

} // namespace

SimulatorEngine::SimulatorEngine(std::vector<SimBoard> boards, EngineOptions options,
                                 Clock::time_point start)
    : m_boards(std::move(boards)), m_options(std::move(options)), m_start(start),
      m_random(m_options.faults.seed) {
    m_searchReplies.resize(m_boards.size());
    for (std::size_t i = 0; i < m_boards.size(); ++i) {
        rebuildReply(i);
        m_byMac.emplace(macKey(m_boards[i].mac), i);
    }
    indexAddresses();
}

void SimulatorEngine::rebuildReply(std::size_t board) {
    m_searchReplies[board] = EncodeSearchReply(m_boards[board], 0, 0, 0);
}

void SimulatorEngine::indexAddresses() {
    m_byIp.clear();
    for (std::size_t i = 0; i < m_boards.size(); ++i)
        m_byIp.emplace(ToHostOrder(m_boards[i].ip), i);
}

bool SimulatorEngine::faulty(std::size_t board) const {
    const auto& selected = m_options.faults.faultyBoards;
    return selected.empty() || selected.count(board + 1) != 0;
}

bool SimulatorEngine::chance(double rate) {
    if (rate <= 0)
        return false;
    if (rate >= 1)
        return true;
    return std::uniform_real_distribution<double>(0, 1)(m_random) < rate;
}

RequestKind SimulatorEngine::handle(const Received& received, Clock::time_point now,
                                    ReplyBatch& out) {
    const RequestKind kind = ClassifyRequest(received.bytes);
    // A reply cannot go back to a source without an address or port.
    if (received.source.ip == 0 || received.source.port == 0)
        return kind;
    switch (kind) {
    case RequestKind::Search:
        handleSearch(received, now, out);
        break;
    case RequestKind::Assign:
        handleAssign(received, now, out);
        break;
    case RequestKind::PrinterStatus:
        handleStatus(received, now, out);
        break;
    case RequestKind::Other:
        break;
    }
    return kind;
}

void SimulatorEngine::handleSearch(const Received& received, Clock::time_point now,
                                   ReplyBatch& out) {
    const std::uint16_t number =
        static_cast<std::uint16_t>(received.bytes[2] << 8 | received.bytes[3]);
    const auto late = m_options.faults.late;
    bool firstHearing = false;
    Clock::time_point lateUntil = now;
    if (late.count() > 0) {
        const auto [it, inserted] = m_firstHeard.emplace(number, now);
        firstHearing = inserted;
        lateUntil = it->second + late;
    }
    auto answer = [&](std::size_t board) {
        if (late.count() > 0 && faulty(board)) {
            if (firstHearing)
                appendSearchReply(board, number, received, lateUntil, out);
            else if (now >= lateUntil)
                appendSearchReply(board, number, received, now, out);
            return;
        }
        appendSearchReply(board, number, received, now, out);
    };
    // Sent to one board's own address, only that board answers.
    if (received.destinationIp != kBroadcast) {
        const auto [first, last] = m_byIp.equal_range(received.destinationIp);
        if (first != last) {
            std::vector<std::size_t> boards;
            for (auto it = first; it != last; ++it)
                boards.push_back(it->second);
            std::sort(boards.begin(), boards.end());
            for (std::size_t board : boards)
                answer(board);
            return;
        }
    }
    out.bytes.reserve(out.bytes.size() + m_boards.size() * 96);
    out.items.reserve(out.items.size() + m_boards.size());
    for (std::size_t board = 0; board < m_boards.size(); ++board)
        answer(board);
    if (m_options.faults.junk > 0 && m_junkSent.insert(number).second)
        appendJunk(number, received, now, out);
    if (m_options.forger.perSearch > 0 && m_forged.insert(number).second)
        appendForgeries(number, received, now, out);
}

void SimulatorEngine::appendForgeries(std::uint16_t number, const Received& received,
                                      Clock::time_point now, ReplyBatch& out) {
    const std::uint32_t from = m_options.forger.from;
    const std::uint32_t claims[] = {0x7F000001, kBroadcast, 0, 0xE00000FB, from + 1, from};
    for (std::size_t i = 0; i < m_options.forger.perSearch; ++i) {
        SimBoard forged;
        const std::uint64_t random = m_random();
        for (std::size_t b = 0; b < forged.mac.size(); ++b)
            forged.mac[b] = static_cast<std::uint8_t>(random >> (8 * b));
        forged.mac[0] = 0x02; // locally administered, never a real board's
        forged.ip = FromHostOrder(claims[i % std::size(claims)]);
        forged.name = "forged";
        const std::size_t offset = out.bytes.size();
        const auto reply = EncodeSearchReply(forged, number, 0, 0);
        out.bytes.insert(out.bytes.end(), reply.begin(), reply.end());
        Outgoing item;
        item.due = now;
        item.socketIndex = received.socketIndex;
        item.destination = received.source;
        item.sourceIp = from;
        item.offset = static_cast<std::uint32_t>(offset);
        item.length = static_cast<std::uint32_t>(reply.size());
        out.items.push_back(item);
    }
}

void SimulatorEngine::appendJunk(std::uint16_t number, const Received& received,
                                 Clock::time_point now, ReplyBatch& out) {
    const FaultOptions& f = m_options.faults;
    auto uniform = [this](std::size_t low, std::size_t high) {
        return std::uniform_int_distribution<std::size_t>(low, high)(m_random);
    };
    auto appendRandom = [&](std::size_t length) {
        for (std::size_t i = 0; i < length; i += 8) {
            const std::uint64_t word = m_random();
            for (std::size_t b = 0; b < 8 && i + b < length; ++b)
                out.bytes.push_back(static_cast<std::uint8_t>(word >> (8 * b)));
        }
    };
    // Every over-long datagram is a prefix of this one block, so a flood of
    // them costs no more memory than one.
    const std::size_t longBlock = out.bytes.size();
    appendRandom(kLongestJunk);
    out.items.reserve(out.items.size() + f.junk);
    for (std::size_t i = 0; i < f.junk; ++i) {
        Outgoing item;
        item.due = now + std::chrono::duration_cast<Clock::duration>(f.junkSpread) *
                             static_cast<Clock::rep>(i) / static_cast<Clock::rep>(f.junk);
        item.socketIndex = received.socketIndex;
        item.destination = received.source;
        item.offset = static_cast<std::uint32_t>(out.bytes.size());
        const std::size_t board = m_boards.empty() ? 0 : uniform(0, m_boards.size() - 1);
        switch (uniform(0, 5)) {
        case 0: { // the searcher's own request, as if looped back
            const auto echo = BuildSearchRequest(number);
            out.bytes.insert(out.bytes.end(), echo.begin(), echo.end());
            break;
        }
        case 1: { // a board's reply to some other search
            if (m_boards.empty())
                continue;
            const auto& reply = m_searchReplies[board];
            out.bytes.insert(out.bytes.end(), reply.begin(), reply.end());
            const auto other = static_cast<std::uint16_t>(number + uniform(1, 0xFFFE));
            PatchSearchReply(std::span(out.bytes).subspan(item.offset, reply.size()), other, 0, 0);
            break;
        }
        case 2: { // a reply to this search, cut short of its fixed part
            if (m_boards.empty())
                continue;
            const auto& reply = m_searchReplies[board];
            const std::size_t length = uniform(0, kSearchReplyFixedSize - 1);
            out.bytes.insert(out.bytes.end(), reply.begin(),
                             reply.begin() + static_cast<std::ptrdiff_t>(length));
            if (length >= kReplyNumberOffset + 2) {
                out.bytes[item.offset + kReplyNumberOffset] =
                    static_cast<std::uint8_t>(number >> 8);
                out.bytes[item.offset + kReplyNumberOffset + 1] =
                    static_cast<std::uint8_t>(number & 0xFF);
            }
            break;
        }
        case 3: // longer than the searcher's buffer
            item.offset = static_cast<std::uint32_t>(longBlock);
            item.length = static_cast<std::uint32_t>(uniform(4097, kLongestJunk));
            out.items.push_back(item);
            continue;
        case 4: { // random bytes of any type but a search reply's
            appendRandom(uniform(1, kLongestRandomJunk));
            if (out.bytes[item.offset] == SearchReplyType)
                out.bytes[item.offset] = 0xFF;
            break;
        }
        default: { // the answer of another exchange
            const auto other =
                uniform(0, 1)
                    ? EncodeAssignReply(Programmed, number)
                    : EncodePrinterStatusReply(m_boards.empty() ? 0 : m_boards[board].status);
            out.bytes.insert(out.bytes.end(), other.begin(), other.end());
            break;
        }
        }
        item.length = static_cast<std::uint32_t>(out.bytes.size() - item.offset);
        out.items.push_back(item);
    }
}

void SimulatorEngine::appendSearchReply(std::size_t board, std::uint16_t number,
                                        const Received& received, Clock::time_point due,
                                        ReplyBatch& out) {
    const std::vector<std::uint8_t>& prebuilt = m_searchReplies[board];
    const std::size_t offset = out.bytes.size();
    out.bytes.insert(out.bytes.end(), prebuilt.begin(), prebuilt.end());
    const auto running = std::chrono::duration_cast<std::chrono::seconds>(due - m_start).count();
    const std::uint64_t seconds = running > 0 ? static_cast<std::uint64_t>(running) : 0;
    const SimBoard& b = m_boards[board];
    PatchSearchReply(std::span(out.bytes).subspan(offset, prebuilt.size()), number,
                     b.leftElapsed + seconds, b.rightElapsed + seconds);
    emit(RequestKind::Search, board, offset, received, ToHostOrder(b.ip), due, out);
}

void SimulatorEngine::handleAssign(const Received& received, Clock::time_point now,
                                   ReplyBatch& out) {
    const std::optional<AssignRequestFields> request = ParseAssignRequest(received.bytes);
    if (!request)
        return;
    const auto found = m_byMac.find(macKey(request->mac));
    if (found == m_byMac.end()) {
        if (!m_options.unknownMacResult)
            return;
        const std::size_t offset = out.bytes.size();
        const auto reply = EncodeAssignReply(*m_options.unknownMacResult, request->number);
        out.bytes.insert(out.bytes.end(), reply.begin(), reply.end());
        emit(RequestKind::Assign, m_boards.size(), offset, received, 0, now, out);
        return;
    }
    const std::size_t board = found->second;
    SimBoard& b = m_boards[board];
    const std::uint32_t answeringIp = ToHostOrder(b.ip);
    const std::uint8_t result = m_options.assignResult;
    // Only a board that reports success has taken the new settings.
    if (result == Programmed) {
        if (request->useDhcp) {
            b.staticAddress = false;
        } else {
            b.staticAddress = true;
            b.ip = request->ip;
            b.subnetMask = request->subnetMask;
            b.gateway = request->gateway;
        }
        rebuildReply(board);
        indexAddresses();
    }
    const std::size_t offset = out.bytes.size();
    const auto reply = EncodeAssignReply(result, request->number);
    out.bytes.insert(out.bytes.end(), reply.begin(), reply.end());
    emit(RequestKind::Assign, board, offset, received, answeringIp, now, out);
}

void SimulatorEngine::handleStatus(const Received& received, Clock::time_point now,
                                   ReplyBatch& out) {
    const auto [first, last] = m_byIp.equal_range(received.destinationIp);
    std::vector<std::size_t> boards;
    for (auto it = first; it != last; ++it)
        boards.push_back(it->second);
    std::sort(boards.begin(), boards.end());
    for (std::size_t board : boards) {
        SimBoard& b = m_boards[board];
        if (b.silentAfter && b.statusAnswered >= b.silentAfter)
            continue;
        if (b.changeAfter && b.statusAnswered == b.changeAfter)
            b.status = b.laterStatus;
        ++b.statusAnswered;
        const std::size_t offset = out.bytes.size();
        const auto reply = EncodePrinterStatusReply(b.status);
        out.bytes.insert(out.bytes.end(), reply.begin(), reply.end());
        emit(RequestKind::PrinterStatus, board, offset, received, received.destinationIp, now, out);
    }
}

void SimulatorEngine::emit(RequestKind kind, std::size_t board, std::size_t offset,
                           const Received& received, std::uint32_t sourceIp, Clock::time_point due,
                           ReplyBatch& out) {
    Outgoing item;
    item.due = due;
    item.socketIndex = received.socketIndex;
    item.destination = received.source;
    item.sourceIp = sourceIp;
    item.offset = static_cast<std::uint32_t>(offset);
    item.length = static_cast<std::uint32_t>(out.bytes.size() - offset);
    if (m_options.silence && m_options.silence->isSilent(board, due)) {
        out.bytes.resize(offset);
        return;
    }
    const FaultOptions& f = m_options.faults;
    if (!faulty(board)) {
        out.items.push_back(item);
        return;
    }
    if (f.ignore.contains(kind) || chance(f.drop)) {
        out.bytes.resize(offset);
        return;
    }
    if (kind != RequestKind::PrinterStatus && chance(f.wrongNumber)) {
        std::uint8_t* number = out.bytes.data() + offset + 2;
        const std::uint16_t wrong = static_cast<std::uint16_t>((number[0] << 8 | number[1]) + 1);
        number[0] = static_cast<std::uint8_t>(wrong >> 8);
        number[1] = static_cast<std::uint8_t>(wrong & 0xFF);
    }
    if (kind == RequestKind::Search && chance(f.noNul)) {
        const auto textsBegin = out.bytes.begin() + static_cast<std::ptrdiff_t>(offset) +
                                static_cast<std::ptrdiff_t>(kSearchReplyFixedSize);
        out.bytes.erase(std::remove(textsBegin, out.bytes.end(), std::uint8_t{0}), out.bytes.end());
    }
    if (chance(f.truncate) && out.bytes.size() - offset > f.truncateTo)
        out.bytes.resize(offset + f.truncateTo);
    if (chance(f.oversize) && out.bytes.size() - offset < f.oversizeTo)
        out.bytes.resize(offset + f.oversizeTo, 0x20);
    item.length = static_cast<std::uint32_t>(out.bytes.size() - offset);
    item.due += f.delay;
    if (f.jitter.count() > 0)
        item.due += std::chrono::milliseconds(
            std::uniform_int_distribution<std::int64_t>(0, f.jitter.count())(m_random));
    for (unsigned copy = 0; copy <= f.duplicate; ++copy)
        out.items.push_back(item);
}

} // namespace quorvel::sim
