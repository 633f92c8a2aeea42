#include "TftpOptionNegotiation.h"

#include <algorithm>
#include <charconv>
#include <set>

namespace quorvel {

namespace {

constexpr std::uint16_t kSmallestBlockSize = 8;

// A plain decimal number, nothing around it.
std::optional<std::uint64_t> number(const std::string& text) {
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || at != end)
        return std::nullopt;
    return value;
}

} // namespace

TftpOptionList TftpOfferOptions(const TftpOffer& offer) {
    return {{"blksize", std::to_string(offer.blockSize)},
            {"tsize", std::to_string(offer.transferSize)},
            {"timeout", std::to_string(offer.timeoutSeconds)}};
}

TftpNegotiated AcceptTftpOptionAck(const TftpOffer& offer, const TftpOptionList& acknowledged) {
    TftpNegotiated out;
    out.agreement.optionsAcknowledged = true;
    std::set<std::string> seen;
    for (const TftpOption& option : acknowledged) {
        if (!seen.insert(option.name).second) {
            out.problem = "option \"" + option.name + "\" acknowledged twice";
            return out;
        }
        const std::optional<std::uint64_t> value = number(option.value);
        if (option.name == "blksize") {
            if (!value || *value < kSmallestBlockSize || *value > offer.blockSize) {
                out.problem = "block size \"" + option.value + "\" where 8 to " +
                              std::to_string(offer.blockSize) + " was offered";
                return out;
            }
            out.agreement.blockSize = std::uint16_t(*value);
        } else if (option.name == "timeout") {
            if (!value || *value != offer.timeoutSeconds) {
                out.problem = "timeout \"" + option.value + "\" where " +
                              std::to_string(offer.timeoutSeconds) + " was offered";
                return out;
            }
            out.agreement.timeoutSeconds = offer.timeoutSeconds;
        } else if (option.name == "tsize") {
            // Echoed for a write; the value itself changes nothing.
            if (!value) {
                out.problem = "transfer size \"" + option.value + "\" is not a number";
                return out;
            }
        } else {
            out.problem = "option \"" + option.name + "\" acknowledged but never offered";
            return out;
        }
    }
    return out;
}

TftpOptionList TftpGrantOptions(const TftpOptionList& requested, std::uint16_t largestBlock,
                                TftpAgreement& agreement) {
    TftpOptionList granted;
    std::set<std::string> seen;
    for (const TftpOption& option : requested) {
        const std::optional<std::uint64_t> value = number(option.value);
        if (!value || !seen.insert(option.name).second)
            continue;
        if (option.name == "blksize" && *value >= kSmallestBlockSize) {
            agreement.blockSize = std::uint16_t(std::min<std::uint64_t>(*value, largestBlock));
            granted.push_back({option.name, std::to_string(agreement.blockSize)});
        } else if (option.name == "timeout" && *value >= 1 && *value <= 255) {
            agreement.timeoutSeconds = std::uint8_t(*value);
            granted.push_back(option);
        } else if (option.name == "tsize") {
            granted.push_back(option);
        }
    }
    agreement.optionsAcknowledged = !granted.empty();
    return granted;
}

} // namespace quorvel
