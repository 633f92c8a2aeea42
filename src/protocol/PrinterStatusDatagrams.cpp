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

} // namespace quorvel
