#pragma once

#include "TftpPackets.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quorvel {

// What a writer asks for (RFC 2348, 2349): the block size it would like, the
// seconds either side waits before sending again, and the image's size.
struct TftpOffer {
    std::uint16_t blockSize = 1468; // an Ethernet frame, less the IP, UDP and TFTP headers
    std::uint8_t timeoutSeconds = 2;
    std::uint64_t transferSize = 0;
};

TftpOptionList TftpOfferOptions(const TftpOffer& offer);

// What both sides go by once the server has answered.
struct TftpAgreement {
    std::uint16_t blockSize = kTftpPlainBlockSize;
    std::uint8_t timeoutSeconds = 0; // 0: the writer's own
    bool optionsAcknowledged = false;
};

// The option acknowledgement checked against the offer: the terms, or why
// the server broke the rules (an option never offered or given twice, a
// block size above the offer or below 8, a timeout other than the offer).
struct TftpNegotiated {
    TftpAgreement agreement;
    std::optional<std::string> problem;
};
TftpNegotiated AcceptTftpOptionAck(const TftpOffer& offer, const TftpOptionList& acknowledged);

// What a server grants for a request's options: a block size up to
// `largestBlock`, timeouts from 1 to 255 seconds, tsize echoed. Options it
// does not know are left out, as RFC 2347 asks.
TftpOptionList TftpGrantOptions(const TftpOptionList& requested, std::uint16_t largestBlock,
                                TftpAgreement& agreement);

} // namespace quorvel
