// One libFuzzer target over every datagram decoder and the board texts' safe
// forms: the first byte picks the decoder, the next two are the exchange's
// current number, the rest is the datagram. Each decoder must accept any
// bytes without reading past them.
#include "protocol/AssignDatagrams.h"
#include "protocol/PrinterStatusDatagrams.h"
#include "protocol/SafeText.h"
#include "protocol/SearchDatagrams.h"
#include "protocol/TextDecoding.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

using namespace quorvel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3)
        return 0;
    const std::uint8_t selector = data[0];
    const auto number = static_cast<std::uint16_t>(data[1] << 8 | data[2]);
    // A heap copy of exactly the datagram's length, so AddressSanitizer sees any overrun.
    const std::vector<std::uint8_t> datagram(data + 3, data + size);
    const std::span<const std::uint8_t> bytes(datagram.data(), datagram.size());
    const std::optional<std::uint16_t> current =
        selector & 0x80 ? std::nullopt : std::optional<std::uint16_t>(number);

    switch ((selector & 0x7F) % 5) {
    case 0:
        if (ClassifySearchDatagram(bytes, current) == SearchDatagramKind::Reply) {
            const ParsedSearchReply parsed = ParseSearchReply(bytes, number);
            if (parsed.record.replyPort != number)
                __builtin_trap();
        }
        (void)SearchReplyMac(bytes);
        break;
    case 1: {
        const AssignClassification judged = ClassifyAssignDatagram(bytes, current);
        if (judged.kind == AssignDatagramKind::Reply && bytes.size() != kAssignReplySize)
            __builtin_trap();
        (void)AssignResultText(judged.result);
        break;
    }
    case 2: {
        const auto flags = DecodePrinterStatusReply(bytes);
        if (flags.has_value() != (bytes.size() == kPrinterStatusSize))
            __builtin_trap();
        break;
    }
    case 3:
        (void)DecodeBoardText(
            std::string_view(reinterpret_cast<const char*>(datagram.data()), datagram.size()));
        // Parsing a reply of any length is safe too, whatever it is classified as.
        (void)ParseSearchReply(bytes, 0);
        break;
    case 4: // whatever a board sends, no reader gets the controls it would act on
        for (const TextUse use : {TextUse::Terminal, TextUse::JsonString, TextUse::Clipboard}) {
            const std::string safe = SafeText(
                std::string_view(reinterpret_cast<const char*>(datagram.data()), datagram.size()),
                use);
            const auto* u = reinterpret_cast<const unsigned char*>(safe.c_str());
            for (std::size_t i = 0; i < safe.size(); ++i)
                if (u[i] < 0x20 || u[i] == 0x7F || (u[i] == 0xC2 && u[i + 1] < 0xA0))
                    __builtin_trap();
            if (!IsValidUtf8(safe))
                __builtin_trap();
        }
        break;
    }
    return 0;
}
