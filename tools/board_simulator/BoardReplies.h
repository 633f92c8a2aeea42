#pragma once

#include "SimBoard.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quorvel::sim {

// The board's side of the three exchanges: the replies the tool only
// decodes, and the assign request the tool only builds.

// Byte offsets the simulator patches in a prebuilt search reply.
constexpr std::size_t kReplyNumberOffset = 2;
constexpr std::size_t kReplyElapsedOffset = 4;
constexpr std::size_t kReplyElapsedSize = 10;

std::vector<std::uint8_t> EncodeSearchReply(const SimBoard& board, std::uint16_t number,
                                            std::uint64_t leftElapsed, std::uint64_t rightElapsed);

// Rewrites the number and both elapsed times of a reply made by EncodeSearchReply.
void PatchSearchReply(std::span<std::uint8_t> reply, std::uint16_t number,
                      std::uint64_t leftElapsed, std::uint64_t rightElapsed);

std::array<std::uint8_t, 4> EncodeAssignReply(std::uint8_t result, std::uint16_t number);

// Bytes 0 and 1 are not examined by the tool; 05 00 keeps a status reply
// from ever looking like a search request (type 0).
std::array<std::uint8_t, 4> EncodePrinterStatusReply(std::uint16_t status);

struct AssignRequestFields {
    bool useDhcp = false;
    std::uint16_t number = 0;
    Ipv4 ip{};
    Ipv4 subnetMask{};
    Ipv4 gateway{};
    Mac mac{};
};

// Exactly 24 bytes of type 2, else nothing.
std::optional<AssignRequestFields> ParseAssignRequest(std::span<const std::uint8_t> datagram);

enum class RequestKind { Search, Assign, PrinterStatus, Other };

RequestKind ClassifyRequest(std::span<const std::uint8_t> datagram);
const char* RequestKindName(RequestKind kind);

} // namespace quorvel::sim
