#include "protocol/Addresses.h"

#include <gtest/gtest.h>

using namespace quorvel;

// Parse and format are each other's inverse on the printed forms, and the
// word puts the first wire byte highest.
TEST(Addresses, parseFormatAndWireOrder) {
    const struct {
        const char* text;
        Ipv4Address address;
        std::uint32_t word;
    } ipv4[] = {
        {"198.18.0.20", {198, 18, 0, 20}, 0xC6120014u},
        {"0.0.0.0", {0, 0, 0, 0}, 0},
        {"255.255.255.255", {255, 255, 255, 255}, 0xFFFFFFFFu},
    };
    for (const auto& c : ipv4) {
        EXPECT_EQ(ParseIpv4Address(c.text), c.address) << c.text;
        EXPECT_EQ(Ipv4Text(c.address), c.text);
        EXPECT_EQ(Ipv4Word(c.address), c.word) << c.text;
        EXPECT_EQ(Ipv4FromWord(c.word), c.address) << c.text;
    }
    for (const char* bad : {"198.18.0", "198.18.0.256", "0x7f.0.0.1", "198.18.0.20 ", ""})
        EXPECT_EQ(ParseIpv4Address(bad), std::nullopt) << bad;

    const MacAddress mac{0x00, 0x0B, 0x3C, 0x12, 0x34, 0xA6};
    for (const char* text : {"00-0B-3C-12-34-A6", "00:0b:3c:12:34:a6", "0-B-3C-12-34-A6"})
        EXPECT_EQ(ParseMacAddress(text), mac) << text;
    EXPECT_EQ(MacText(mac), "00-0B-3C-12-34-A6");
    for (const char* bad : {"00-0B-3C-12-34", "00:0B-3C:12:34:A6", "000B3C1234A6", ""})
        EXPECT_EQ(ParseMacAddress(bad), std::nullopt) << bad;
}
