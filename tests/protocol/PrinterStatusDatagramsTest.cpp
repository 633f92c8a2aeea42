#include "protocol/PrinterStatusDatagrams.h"

#include <gtest/gtest.h>
#include <vector>

using namespace quorvel;

namespace {

using Bytes = std::vector<std::uint8_t>;

std::optional<PrinterStatusFlags> decode(const Bytes& bytes) {
    return DecodePrinterStatusReply(std::span<const std::uint8_t>(bytes));
}

std::vector<int> setFlags(const PrinterStatusFlags& flags) {
    std::vector<int> set;
    for (std::size_t i = 0; i < flags.size(); ++i)
        if (flags[i])
            set.push_back(static_cast<int>(i));
    return set;
}

} // namespace

TEST(PrinterStatus, requestIsAlwaysTheSame) {
    EXPECT_EQ(BuildPrinterStatusRequest(), (std::array<std::uint8_t, 4>{0x04, 0, 0, 0}));
}

TEST(PrinterStatus, decodesTheLittleEndianWord) {
    EXPECT_EQ(setFlags(*decode({0, 0, 0, 0})), std::vector<int>{});
    EXPECT_EQ(setFlags(*decode({0xAA, 0xBB, 0xFF, 0xFF})).size(), 14u);
    EXPECT_EQ(setFlags(*decode({9, 9, 0x01, 0x00})), std::vector<int>{DrawerPin3High});
    EXPECT_EQ(setFlags(*decode({9, 9, 0x00, 0x20})), std::vector<int>{PaperOut});
    EXPECT_EQ(setFlags(*decode({9, 9, 0x00, 0x01})), std::vector<int>{RecoverableError});
    EXPECT_EQ(setFlags(*decode({9, 9, 0x28, 0x00})), (std::vector<int>{PaperFeed, PaperFeed2}));
    EXPECT_EQ(setFlags(*decode({0, 0, 0x00, 0xC0})), std::vector<int>{});
}

TEST(PrinterStatus, otherLengthsAreNoReply) {
    EXPECT_FALSE(decode({}));
    EXPECT_FALSE(decode({0, 0, 1}));
    EXPECT_FALSE(decode({0, 0, 1, 0, 0}));
}
