#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// TFTP's packets (RFC 1350) with the option extension (RFC 2347): every
// number is big-endian, every text ends with a zero byte.
enum class TftpOpcode : std::uint16_t {
    ReadRequest = 1,
    WriteRequest = 2,
    Data = 3,
    Ack = 4,
    Error = 5,
    OptionAck = 6,
};

enum TftpErrorCode : std::uint16_t {
    TftpNotDefined = 0,
    TftpFileNotFound = 1,
    TftpAccessViolation = 2,
    TftpDiskFull = 3,
    TftpIllegalOperation = 4,
    TftpUnknownTransferId = 5,
    TftpFileExists = 6,
    TftpNoSuchUser = 7,
    TftpOptionsRefused = 8,
};

constexpr std::uint16_t kTftpServerPort = 69;
constexpr std::size_t kTftpHeaderSize = 4; // opcode and block number
constexpr std::uint16_t kTftpPlainBlockSize = 512;
constexpr std::uint16_t kTftpLargestBlockSize = 65464;
// A decoded request or option acknowledgement keeps at most this many
// options; a packet with more is refused.
constexpr std::size_t kTftpMaxOptions = 16;

struct TftpOption {
    std::string name; // lower case once decoded: option names ignore case
    std::string value;
    bool operator==(const TftpOption&) const = default;
};
using TftpOptionList = std::vector<TftpOption>;

// One decoded packet. `payload` points into the bytes that were decoded.
struct TftpPacket {
    enum class Kind { Invalid, ReadRequest, WriteRequest, Data, Ack, Error, OptionAck };
    Kind kind = Kind::Invalid;
    std::string problem; // why it is Invalid

    std::string fileName, mode; // requests; mode in lower case
    TftpOptionList options;     // requests and OptionAck
    std::uint16_t block = 0;    // Data and Ack
    std::span<const std::uint8_t> payload;
    std::uint16_t errorCode = 0; // Error
    std::string errorMessage;
};

// Any bytes: a packet, or Invalid with the reason. Never reads past `bytes`.
TftpPacket DecodeTftpPacket(std::span<const std::uint8_t> bytes);

std::vector<std::uint8_t> EncodeTftpRequest(TftpOpcode opcode, std::string_view fileName,
                                            std::string_view mode,
                                            const TftpOptionList& options = {});
// Into `out`, which keeps its capacity from block to block.
void EncodeTftpData(std::uint16_t block, std::span<const std::uint8_t> payload,
                    std::vector<std::uint8_t>& out);
std::vector<std::uint8_t> EncodeTftpAck(std::uint16_t block);
std::vector<std::uint8_t> EncodeTftpError(std::uint16_t code, std::string_view message);
std::vector<std::uint8_t> EncodeTftpOptionAck(const TftpOptionList& options);

// "access violation" for 2; "error code N" for codes beyond the RFC's.
std::string TftpErrorName(std::uint16_t code);

} // namespace quorvel
