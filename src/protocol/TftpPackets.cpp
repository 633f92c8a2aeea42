#include "TftpPackets.h"

#include "ByteReader.h"

#include <algorithm>
#include <array>

namespace quorvel {

namespace {

std::string lowered(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) {
        return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : char(c);
    });
    return out;
}

void putU16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(std::uint8_t(value >> 8));
    out.push_back(std::uint8_t(value));
}

void putText(std::vector<std::uint8_t>& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
}

// The zero-terminated text at `offset`; false when the packet ends first.
bool readText(const ByteReader& reader, std::span<const std::uint8_t> bytes, std::size_t& offset,
              std::string_view& text) {
    const std::size_t start = offset;
    text = reader.zeroTerminated(offset);
    return start < bytes.size() && start + text.size() < bytes.size();
}

// Name and value pairs up to the end of the packet.
bool readOptions(const ByteReader& reader, std::span<const std::uint8_t> bytes, std::size_t offset,
                 TftpPacket& packet) {
    while (offset < bytes.size()) {
        std::string_view name, value;
        if (!readText(reader, bytes, offset, name) || name.empty()) {
            packet.problem = "an option name is empty or not ended by a zero byte";
            return false;
        }
        if (!readText(reader, bytes, offset, value)) {
            packet.problem = "option \"" + std::string(name) + "\" has no value";
            return false;
        }
        if (packet.options.size() == kTftpMaxOptions) {
            packet.problem = "more than " + std::to_string(kTftpMaxOptions) + " options";
            return false;
        }
        packet.options.push_back({lowered(name), std::string(value)});
    }
    return true;
}

} // namespace

TftpPacket DecodeTftpPacket(std::span<const std::uint8_t> bytes) {
    TftpPacket packet;
    const ByteReader reader(bytes);
    if (bytes.size() < 2) {
        packet.problem = "shorter than an opcode";
        return packet;
    }
    const std::uint16_t opcode = reader.u16be(0);
    std::size_t offset = 2;
    switch (TftpOpcode(opcode)) {
    case TftpOpcode::ReadRequest:
    case TftpOpcode::WriteRequest: {
        std::string_view fileName, mode;
        if (!readText(reader, bytes, offset, fileName) || fileName.empty()) {
            packet.problem = "the file name is empty or not ended by a zero byte";
            return packet;
        }
        if (!readText(reader, bytes, offset, mode) || mode.empty()) {
            packet.problem = "the mode is empty or not ended by a zero byte";
            return packet;
        }
        packet.fileName = fileName;
        packet.mode = lowered(mode);
        if (!readOptions(reader, bytes, offset, packet))
            return packet;
        packet.kind = TftpOpcode(opcode) == TftpOpcode::ReadRequest
                          ? TftpPacket::Kind::ReadRequest
                          : TftpPacket::Kind::WriteRequest;
        return packet;
    }
    case TftpOpcode::Data:
        if (bytes.size() < kTftpHeaderSize) {
            packet.problem = "a data packet shorter than its header";
            return packet;
        }
        if (bytes.size() > kTftpHeaderSize + kTftpLargestBlockSize) {
            packet.problem = "a data packet longer than the largest block";
            return packet;
        }
        packet.block = reader.u16be(2);
        packet.payload = bytes.subspan(kTftpHeaderSize);
        packet.kind = TftpPacket::Kind::Data;
        return packet;
    case TftpOpcode::Ack:
        if (bytes.size() != kTftpHeaderSize) {
            packet.problem =
                "an acknowledgement of " + std::to_string(bytes.size()) + " bytes instead of 4";
            return packet;
        }
        packet.block = reader.u16be(2);
        packet.kind = TftpPacket::Kind::Ack;
        return packet;
    case TftpOpcode::Error: {
        if (bytes.size() < kTftpHeaderSize) {
            packet.problem = "an error packet shorter than its code";
            return packet;
        }
        packet.errorCode = reader.u16be(2);
        // Some servers leave out the closing zero byte: the message then
        // runs to the end of the packet.
        offset = kTftpHeaderSize;
        packet.errorMessage = reader.zeroTerminated(offset);
        packet.kind = TftpPacket::Kind::Error;
        return packet;
    }
    case TftpOpcode::OptionAck:
        if (!readOptions(reader, bytes, offset, packet))
            return packet;
        packet.kind = TftpPacket::Kind::OptionAck;
        return packet;
    }
    packet.problem = "unknown opcode " + std::to_string(opcode);
    return packet;
}

std::vector<std::uint8_t> EncodeTftpRequest(TftpOpcode opcode, std::string_view fileName,
                                            std::string_view mode, const TftpOptionList& options) {
    std::vector<std::uint8_t> out;
    putU16(out, std::uint16_t(opcode));
    putText(out, fileName);
    putText(out, mode);
    for (const TftpOption& option : options) {
        putText(out, option.name);
        putText(out, option.value);
    }
    return out;
}

void EncodeTftpData(std::uint16_t block, std::span<const std::uint8_t> payload,
                    std::vector<std::uint8_t>& out) {
    out.clear();
    putU16(out, std::uint16_t(TftpOpcode::Data));
    putU16(out, block);
    out.insert(out.end(), payload.begin(), payload.end());
}

std::vector<std::uint8_t> EncodeTftpAck(std::uint16_t block) {
    std::vector<std::uint8_t> out;
    putU16(out, std::uint16_t(TftpOpcode::Ack));
    putU16(out, block);
    return out;
}

std::vector<std::uint8_t> EncodeTftpError(std::uint16_t code, std::string_view message) {
    std::vector<std::uint8_t> out;
    putU16(out, std::uint16_t(TftpOpcode::Error));
    putU16(out, code);
    putText(out, message.substr(0, message.find('\0')));
    return out;
}

std::vector<std::uint8_t> EncodeTftpOptionAck(const TftpOptionList& options) {
    std::vector<std::uint8_t> out;
    putU16(out, std::uint16_t(TftpOpcode::OptionAck));
    for (const TftpOption& option : options) {
        putText(out, option.name);
        putText(out, option.value);
    }
    return out;
}

std::string TftpErrorName(std::uint16_t code) {
    static constexpr std::array<std::string_view, 9> kNames = {
        "not defined", "file not found",    "access violation",
        "disk full",   "illegal operation", "unknown transfer ID",
        "file exists", "no such user",      "options refused",
    };
    if (code < kNames.size())
        return std::string(kNames[code]);
    return "error code " + std::to_string(code);
}

} // namespace quorvel
