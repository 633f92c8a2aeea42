#pragma once

#include "Datagram.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace quorvel {

constexpr std::size_t kPrinterStatusSize = 4;
constexpr std::size_t kPrinterStatusFlagCount = 14;

// Bit i of the status word is flag i, in this order.
enum PrinterStatusFlag {
    DrawerPin3High,
    Offline,
    WaitingOnlineRecovery,
    PaperFeed,
    CoverOpen,
    PaperFeed2,
    StoppedNoPaper,
    ErrorOccurred,
    RecoverableError,
    CutterError,
    UnrecoverableError,
    AutoRecoverableError,
    PaperNearEnd,
    PaperOut,
};

using PrinterStatusFlags = std::array<bool, kPrinterStatusFlagCount>;

// What each flag is called where people and programs read it: `name` in the
// command line's text and JSON (PaperOut), `key` where a stable snake_case
// name is wanted (paper_out). In bit order.
struct PrinterStatusFlagName {
    std::string_view name;
    std::string_view key;
};
const std::array<PrinterStatusFlagName, kPrinterStatusFlagCount>& PrinterStatusFlagNames();

std::array<std::uint8_t, kPrinterStatusSize> BuildPrinterStatusRequest();

// The fourteen flags of a 4-byte reply; nothing for any other length.
std::optional<PrinterStatusFlags> DecodePrinterStatusReply(std::span<const std::uint8_t> datagram);

} // namespace quorvel
