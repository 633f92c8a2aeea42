#include "PrinterStatusDatagrams.h"

#include "ByteReader.h"

namespace quorvel {

std::array<std::uint8_t, kPrinterStatusSize> BuildPrinterStatusRequest() {
    return {PrinterStatusRequestType, 0, 0, 0};
}

std::optional<PrinterStatusFlags> DecodePrinterStatusReply(std::span<const std::uint8_t> datagram) {
    if (datagram.size() != kPrinterStatusSize)
        return std::nullopt;
    const std::uint16_t word = ByteReader(datagram).u16le(2);
    PrinterStatusFlags flags{};
    for (std::size_t bit = 0; bit < kPrinterStatusFlagCount; ++bit)
        flags[bit] = (word >> bit) & 1;
    return flags;
}

const std::array<PrinterStatusFlagName, kPrinterStatusFlagCount>& PrinterStatusFlagNames() {
    static constexpr std::array<PrinterStatusFlagName, kPrinterStatusFlagCount> names{{
        {"DrawerPin3High", "drawer_pin3_high"},
        {"Offline", "offline"},
        {"WaitingOnlineRecovery", "waiting_online_recovery"},
        {"PaperFeed", "paper_feed"},
        {"CoverOpen", "cover_open"},
        {"PaperFeed2", "paper_feed_2"},
        {"StoppedNoPaper", "stopped_no_paper"},
        {"ErrorOccurred", "error_occurred"},
        {"RecoverableError", "recoverable_error"},
        {"CutterError", "cutter_error"},
        {"UnrecoverableError", "unrecoverable_error"},
        {"AutoRecoverableError", "auto_recoverable_error"},
        {"PaperNearEnd", "paper_near_end"},
        {"PaperOut", "paper_out"},
    }};
    return names;
}

} // namespace quorvel
