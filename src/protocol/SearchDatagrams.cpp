#include "SearchDatagrams.h"

#include "ByteReader.h"
#include "TextDecoding.h"

namespace quorvel {

std::array<std::uint8_t, kSearchRequestSize> BuildSearchRequest(std::uint16_t randomNumber) {
    return {SearchRequestType, 0x00, static_cast<std::uint8_t>(randomNumber >> 8),
            static_cast<std::uint8_t>(randomNumber & 0xFF)};
}

SearchDatagramKind ClassifySearchDatagram(const ReadBytes& datagram,
                                          std::optional<std::uint16_t> currentNumber) {
    if (!datagram)
        return SearchDatagramKind::ReadError;
    const ByteReader reader(*datagram);
    const bool numberMatches = currentNumber && reader.u16be(2) == *currentNumber;
    if (reader.size() >= kSearchReplyFixedSize && reader.u8(0) == SearchReplyType)
        return numberMatches ? SearchDatagramKind::Reply : SearchDatagramKind::Invalid;
    // Bytes past a short datagram read as zero (ByteReader); the current number is never zero, so
    // an empty datagram is never taken for our own request.
    if (reader.u8(0) == SearchRequestType && numberMatches)
        return SearchDatagramKind::OwnRequest;
    return SearchDatagramKind::Invalid;
}

ParsedSearchReply ParseSearchReply(std::span<const std::uint8_t> datagram,
                                   std::uint16_t sourcePort) {
    const ByteReader reader(datagram);
    ParsedSearchReply parsed;
    DeviceRecord& r = parsed.record;
    r.staticAddress = reader.u8(1);
    r.leftDays = reader.u16be(4);
    r.leftHours = reader.u8(6);
    r.leftMinutes = reader.u8(7);
    r.rightDays = reader.u16be(8);
    r.rightHours = reader.u8(10);
    r.rightMinutes = reader.u8(11);
    r.leftSeconds = reader.u8(12);
    r.rightSeconds = reader.u8(13);
    reader.copy(14, r.mac);
    reader.copy(20, r.ip);
    reader.copy(24, r.subnetMask);
    reader.copy(28, r.gateway);
    r.replyPort = sourcePort;

    std::size_t offset = kSearchReplyFixedSize;
    r.name = InternBoardText(reader.zeroTerminated(offset));
    r.description = InternBoardText(reader.zeroTerminated(offset));
    parsed.leftLabel = InternBoardText(reader.zeroTerminated(offset));
    parsed.rightLabel = InternBoardText(reader.zeroTerminated(offset));
    r.leftLabel = parsed.leftLabel;
    r.rightLabel = parsed.rightLabel;
    return parsed;
}

std::array<std::uint8_t, 6> SearchReplyMac(std::span<const std::uint8_t> datagram) {
    const ByteReader reader(datagram);
    std::array<std::uint8_t, 6> mac{};
    for (std::size_t i = 0; i < mac.size(); ++i)
        mac[i] = reader.u8(14 + i);
    return mac;
}

} // namespace quorvel
