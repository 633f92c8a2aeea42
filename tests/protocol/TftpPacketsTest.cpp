#include "protocol/TftpPackets.h"

#include "protocol/TftpOptionNegotiation.h"

#include <gtest/gtest.h>

using namespace quorvel;
using Kind = TftpPacket::Kind;
using Bytes = std::vector<std::uint8_t>;
using namespace std::string_literals;

namespace {

Bytes bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

} // namespace

// Golden bytes in, fields or the reason out; every packet that decodes also
// encodes back to the same bytes.
TEST(TftpPackets, decodeTable) {
    using namespace std::string_view_literals;
    const struct {
        const char* name;
        std::string_view wire;
        Kind kind;
        std::string problem;
        std::string file = {}, mode = {};
        TftpOptionList options = {};
        std::uint16_t number = 0; // block, or error code
        std::string text = {};    // payload, or error message
    } cases[] = {
        {"write request with options",
         "\0\2boot.img\0OCTET\0BLKSIZE\0001468\0tsize\0009\0"sv,
         Kind::WriteRequest,
         "",
         "boot.img",
         "octet",
         {{"blksize", "1468"}, {"tsize", "9"}}},
        {"read request", "\0\1a\0netascii\0"sv, Kind::ReadRequest, "", "a", "netascii"},
        {"data", "\0\3\xFF\xFEpayload"sv, Kind::Data, "", {}, {}, {}, 0xFFFE, "payload"},
        {"empty last block", "\0\3\0\1"sv, Kind::Data, "", {}, {}, {}, 1, ""},
        {"ack", "\0\4\1\0"sv, Kind::Ack, "", {}, {}, {}, 256},
        {"error",
         "\0\5\0\2Permission denied\0"sv,
         Kind::Error,
         "",
         {},
         {},
         {},
         2,
         "Permission denied"},
        {"error without its zero byte", "\0\5\0\1gone"sv, Kind::Error, "", {}, {}, {}, 1, "gone"},
        {"option ack",
         "\0\6blksize\0001024\0"sv,
         Kind::OptionAck,
         "",
         {},
         {},
         {{"blksize", "1024"}}},
        {"empty", ""sv, Kind::Invalid, "shorter than an opcode"},
        {"unknown opcode", "\0\x09xx"sv, Kind::Invalid, "unknown opcode 9"},
        {"request without mode", "\0\2boot.img\0"sv, Kind::Invalid,
         "the mode is empty or not ended by a zero byte"},
        {"request, name never ended", "\0\2boot.img"sv, Kind::Invalid,
         "the file name is empty or not ended by a zero byte"},
        {"option without value", "\0\6blksize\0"sv, Kind::Invalid,
         "option \"blksize\" has no value"},
        {"empty option name", "\0\6\0\0"sv, Kind::Invalid,
         "an option name is empty or not ended by a zero byte"},
        {"short ack", "\0\4\0"sv, Kind::Invalid, "an acknowledgement of 3 bytes instead of 4"},
        {"short data", "\0\3\0"sv, Kind::Invalid, "a data packet shorter than its header"},
    };
    for (const auto& c : cases) {
        const Bytes wire = bytes(c.wire);
        const TftpPacket p = DecodeTftpPacket(wire);
        EXPECT_EQ(p.kind, c.kind) << c.name;
        EXPECT_EQ(p.problem, c.problem) << c.name;
        EXPECT_EQ(p.fileName, c.file) << c.name;
        EXPECT_EQ(p.mode, c.mode) << c.name;
        EXPECT_EQ(p.options, c.options) << c.name;
        const std::string payload(p.payload.begin(), p.payload.end());
        switch (p.kind) {
        case Kind::Data:
            EXPECT_EQ(p.block, c.number) << c.name;
            EXPECT_EQ(payload, c.text) << c.name;
            break;
        case Kind::Ack:
            EXPECT_EQ(p.block, c.number) << c.name;
            EXPECT_EQ(EncodeTftpAck(p.block), wire) << c.name;
            break;
        case Kind::Error:
            EXPECT_EQ(p.errorCode, c.number) << c.name;
            EXPECT_EQ(p.errorMessage, c.text) << c.name;
            break;
        case Kind::OptionAck:
            EXPECT_EQ(EncodeTftpOptionAck(p.options), wire) << c.name;
            break;
        default:
            break;
        }
    }
    Bytes data;
    EncodeTftpData(0xFFFE, bytes("payload"), data);
    EXPECT_EQ(data, bytes("\0\3\xFF\xFEpayload"sv));
    EXPECT_EQ(EncodeTftpRequest(TftpOpcode::WriteRequest, "boot.img", "octet", {{"tsize", "9"}}),
              bytes("\0\2boot.img\0octet\0tsize\0009\0"sv));
    EXPECT_EQ(EncodeTftpError(5, "unknown transfer ID"), bytes("\0\5\0\5unknown transfer ID\0"sv));
    EXPECT_EQ(TftpErrorName(2), "access violation");

    // More options than a packet may bring.
    std::string many = "\0\6"s;
    for (int i = 0; i <= int(kTftpMaxOptions); ++i)
        many += "o" + std::to_string(i) + '\0' + "1" + '\0';
    EXPECT_EQ(DecodeTftpPacket(bytes(many)).problem, "more than 16 options");
}

TEST(TftpPackets, optionAcknowledgementAgainstTheOffer) {
    const TftpOffer offer{1468, 2, 4096};
    EXPECT_EQ(TftpOfferOptions(offer),
              (TftpOptionList{{"blksize", "1468"}, {"tsize", "4096"}, {"timeout", "2"}}));
    const struct {
        TftpOptionList acknowledged;
        std::uint16_t blockSize;
        std::uint8_t timeout;
        std::string problem;
    } cases[] = {
        {{{"blksize", "1468"}, {"tsize", "4096"}, {"timeout", "2"}}, 1468, 2, ""},
        {{{"blksize", "1024"}}, 1024, 0, ""},
        {{{"tsize", "4096"}}, 512, 0, ""},
        {{}, 512, 0, ""},
        {{{"blksize", "1469"}}, 512, 0, "block size \"1469\" where 8 to 1468 was offered"},
        {{{"blksize", "7"}}, 512, 0, "block size \"7\" where 8 to 1468 was offered"},
        {{{"blksize", "1k"}}, 512, 0, "block size \"1k\" where 8 to 1468 was offered"},
        {{{"timeout", "5"}}, 512, 0, "timeout \"5\" where 2 was offered"},
        {{{"tsize", "-1"}}, 512, 0, "transfer size \"-1\" is not a number"},
        {{{"blksize", "8"}, {"blksize", "8"}}, 8, 0, "option \"blksize\" acknowledged twice"},
        {{{"windowsize", "4"}}, 512, 0, "option \"windowsize\" acknowledged but never offered"},
    };
    for (const auto& c : cases) {
        const TftpNegotiated n = AcceptTftpOptionAck(offer, c.acknowledged);
        EXPECT_EQ(n.problem.value_or(""), c.problem);
        if (!n.problem) {
            EXPECT_EQ(n.agreement.blockSize, c.blockSize);
            EXPECT_EQ(n.agreement.timeoutSeconds, c.timeout);
        }
    }
    // The server side: grants what it may, drops what it does not know.
    TftpAgreement granted;
    EXPECT_EQ(
        TftpGrantOptions({{"blksize", "9000"}, {"foo", "1"}, {"timeout", "0"}, {"tsize", "77"}},
                         1468, granted),
        (TftpOptionList{{"blksize", "1468"}, {"tsize", "77"}}));
    EXPECT_EQ(granted.blockSize, 1468);
    EXPECT_TRUE(granted.optionsAcknowledged);
}
