#pragma once

#include "Datagram.h"
#include "DeviceRecord.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace quorvel {

constexpr std::size_t kSearchRequestSize = 4;
constexpr std::size_t kSearchReplyFixedSize = 32;

std::array<std::uint8_t, kSearchRequestSize> BuildSearchRequest(std::uint16_t randomNumber);

enum class SearchDatagramKind {
    ReadError,  // the read failed
    Reply,      // a reply to the running search
    OwnRequest, // our own broadcast request, looped back
    Invalid,    // anything else: mismatched number, short, unknown type
};

SearchDatagramKind ClassifySearchDatagram(const ReadBytes& datagram,
                                          std::optional<std::uint16_t> currentNumber);

struct ParsedSearchReply {
    DeviceRecord record;   // labels as received, without ": "
    SharedText leftLabel;  // text 3
    SharedText rightLabel; // text 4
};

// Expects a datagram classified as Reply; any shorter input still decodes
// safely (missing bytes read as zero, missing texts are empty).
ParsedSearchReply ParseSearchReply(std::span<const std::uint8_t> datagram,
                                   std::uint16_t sourcePort);

// The six MAC bytes of a reply, for the duplicate check before parsing.
std::array<std::uint8_t, 6> SearchReplyMac(std::span<const std::uint8_t> datagram);

} // namespace quorvel
