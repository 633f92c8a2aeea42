// The TFTP decoder and the option checks on any bytes: the first byte picks
// the block size offered, the rest is the packet. Nothing may read past the
// packet, and what decodes must encode back to the same bytes.
#include "protocol/TftpOptionNegotiation.h"
#include "protocol/TftpPackets.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using namespace quorvel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    // A heap copy of exactly the packet's length, so AddressSanitizer sees any overrun.
    const std::vector<std::uint8_t> packet(data + 1, data + size);
    const TftpPacket decoded = DecodeTftpPacket(packet);
    switch (decoded.kind) {
    case TftpPacket::Kind::Ack:
        if (EncodeTftpAck(decoded.block) != packet)
            __builtin_trap();
        break;
    case TftpPacket::Kind::Data: {
        std::vector<std::uint8_t> again;
        EncodeTftpData(decoded.block, decoded.payload, again);
        if (again != packet)
            __builtin_trap();
        break;
    }
    case TftpPacket::Kind::OptionAck: {
        const TftpOffer offer{std::uint16_t(8 + data[0] * 8), 2, 4096};
        const TftpNegotiated negotiated = AcceptTftpOptionAck(offer, decoded.options);
        // Without blksize acknowledged the block is the plain 512, whatever was offered.
        if (!negotiated.problem && negotiated.agreement.blockSize > offer.blockSize &&
            negotiated.agreement.blockSize != kTftpPlainBlockSize)
            __builtin_trap();
        TftpAgreement granted;
        (void)TftpGrantOptions(decoded.options, offer.blockSize, granted);
        break;
    }
    case TftpPacket::Kind::Invalid:
        if (decoded.problem.empty())
            __builtin_trap();
        break;
    default:
        break;
    }
    return 0;
}
