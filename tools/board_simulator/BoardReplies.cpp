#include "BoardReplies.h"

#include "protocol/AssignDatagrams.h"
#include "protocol/ByteReader.h"
#include "protocol/PrinterStatusDatagrams.h"
#include "protocol/SearchDatagrams.h"

namespace quorvel::sim {

namespace {

void putU16be(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value >> 8);
    at[1] = static_cast<std::uint8_t>(value & 0xFF);
}

// Days, hours, minutes, seconds; the day count is a 16-bit field and wraps.
struct Elapsed {
    std::uint16_t days;
    std::uint8_t hours, minutes, seconds;
};

Elapsed split(std::uint64_t seconds) {
    return {static_cast<std::uint16_t>(seconds / 86400),
            static_cast<std::uint8_t>(seconds / 3600 % 24),
            static_cast<std::uint8_t>(seconds / 60 % 60), static_cast<std::uint8_t>(seconds % 60)};
}

void appendText(std::vector<std::uint8_t>& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
}

} // namespace

std::vector<std::uint8_t> EncodeSearchReply(const SimBoard& board, std::uint16_t number,
                                            std::uint64_t leftElapsed, std::uint64_t rightElapsed) {
    std::vector<std::uint8_t> out(kSearchReplyFixedSize, 0);
    out.reserve(kSearchReplyFixedSize + board.name.size() + board.description.size() +
                board.leftLabel.size() + board.rightLabel.size() + 4);
    out[0] = SearchReplyType;
    out[1] = board.staticAddress ? 1 : 0;
    std::copy(board.mac.begin(), board.mac.end(), out.begin() + 14);
    std::copy(board.ip.begin(), board.ip.end(), out.begin() + 20);
    std::copy(board.subnetMask.begin(), board.subnetMask.end(), out.begin() + 24);
    std::copy(board.gateway.begin(), board.gateway.end(), out.begin() + 28);
    PatchSearchReply(out, number, leftElapsed, rightElapsed);
    appendText(out, board.name);
    appendText(out, board.description);
    appendText(out, board.leftLabel);
    appendText(out, board.rightLabel);
    return out;
}

void PatchSearchReply(std::span<std::uint8_t> reply, std::uint16_t number,
                      std::uint64_t leftElapsed, std::uint64_t rightElapsed) {
    if (reply.size() < kSearchReplyFixedSize)
        return;
    const Elapsed left = split(leftElapsed);
    const Elapsed right = split(rightElapsed);
    std::uint8_t* b = reply.data();
    putU16be(b + kReplyNumberOffset, number);
    putU16be(b + 4, left.days);
    b[6] = left.hours;
    b[7] = left.minutes;
    putU16be(b + 8, right.days);
    b[10] = right.hours;
    b[11] = right.minutes;
    // The seconds of both times follow both minutes fields.
    b[12] = left.seconds;
    b[13] = right.seconds;
}

std::array<std::uint8_t, 4> EncodeAssignReply(std::uint8_t result, std::uint16_t number) {
    return {AssignReplyType, result, static_cast<std::uint8_t>(number >> 8),
            static_cast<std::uint8_t>(number & 0xFF)};
}

std::array<std::uint8_t, 4> EncodePrinterStatusReply(std::uint16_t status) {
    return {PrinterStatusRequestType + 1, 0x00, static_cast<std::uint8_t>(status & 0xFF),
            static_cast<std::uint8_t>(status >> 8)};
}

std::optional<AssignRequestFields> ParseAssignRequest(std::span<const std::uint8_t> datagram) {
    if (datagram.size() != kAssignRequestSize || datagram[0] != AssignRequestType)
        return std::nullopt;
    const ByteReader reader(datagram);
    AssignRequestFields fields;
    fields.useDhcp = reader.u8(1) != 0;
    fields.number = reader.u16be(2);
    for (std::size_t i = 0; i < 4; ++i) {
        fields.ip[i] = reader.u8(4 + i);
        fields.subnetMask[i] = reader.u8(8 + i);
        fields.gateway[i] = reader.u8(12 + i);
    }
    for (std::size_t i = 0; i < 6; ++i)
        fields.mac[i] = reader.u8(16 + i);
    return fields;
}

RequestKind ClassifyRequest(std::span<const std::uint8_t> datagram) {
    if (datagram.size() == kSearchRequestSize && datagram[0] == SearchRequestType)
        return RequestKind::Search;
    if (datagram.size() == kAssignRequestSize && datagram[0] == AssignRequestType)
        return RequestKind::Assign;
    if (datagram.size() == kPrinterStatusSize && datagram[0] == PrinterStatusRequestType)
        return RequestKind::PrinterStatus;
    return RequestKind::Other;
}

const char* RequestKindName(RequestKind kind) {
    switch (kind) {
    case RequestKind::Search:
        return "search";
    case RequestKind::Assign:
        return "assign";
    case RequestKind::PrinterStatus:
        return "status";
    case RequestKind::Other:
        break;
    }
    return "other";
}

} // namespace quorvel::sim
