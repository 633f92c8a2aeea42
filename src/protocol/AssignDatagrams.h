#pragma once

#include "Addresses.h"
#include "Datagram.h"

#include <array>
#include <cstdint>
#include <optional>

namespace quorvel {

constexpr std::size_t kAssignRequestSize = 24;
constexpr std::size_t kAssignReplySize = 4;

struct AssignParameters {
    bool useDhcp = false;
    Ipv4Address ip{};
    Ipv4Address subnetMask{};
    Ipv4Address gateway{};
    MacAddress mac{};
};

std::array<std::uint8_t, kAssignRequestSize> BuildAssignRequest(const AssignParameters& params,
                                                                std::uint16_t randomNumber);

// The board's verdict. Any other code is a valid reply with no meaning of its own.
enum AssignResult : std::uint8_t {
    MacNotRecognized = 0,
    Programmed = 1,
    UnknownError = 255,
};

// The status text for a result code, or nullptr for codes without one.
const char* AssignResultText(std::uint8_t result);

enum class AssignDatagramKind { ReadError, NotReply, Reply };

struct AssignClassification {
    AssignDatagramKind kind = AssignDatagramKind::NotReply;
    std::uint8_t result = 0; // byte 1, only for Reply
};

// `outstanding` is the number of the request sent, or nothing before one exists.
AssignClassification ClassifyAssignDatagram(const ReadBytes& datagram,
                                            std::optional<std::uint16_t> outstanding);

} // namespace quorvel
