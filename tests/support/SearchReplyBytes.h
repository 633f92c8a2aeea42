#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorvel::testing {

// A search reply as a board would send it.
inline std::vector<std::uint8_t> SearchReplyBytes(std::uint16_t number, std::uint8_t macLast,
                                                  std::vector<std::string> texts = {},
                                                  std::uint8_t ipLast = 50) {
    std::vector<std::uint8_t> b = {0x01,
                                   0x01,
                                   static_cast<std::uint8_t>(number >> 8),
                                   static_cast<std::uint8_t>(number & 0xFF),
                                   0,
                                   1,
                                   2,
                                   3,
                                   0,
                                   4,
                                   5,
                                   6,
                                   7,
                                   8,
                                   0x00,
                                   0x0B,
                                   0x3C,
                                   0x12,
                                   0x34,
                                   macLast,
                                   192,
                                   168,
                                   1,
                                   ipLast,
                                   255,
                                   255,
                                   255,
                                   0,
                                   192,
                                   168,
                                   1,
                                   1};
    for (const std::string& text : texts) {
        b.insert(b.end(), text.begin(), text.end());
        b.push_back(0);
    }
    return b;
}

} // namespace quorvel::testing
