#pragma once

#include <cstdint>

namespace quorvel {

// The exchanges' random numbers come from the C library generator, seeded
// once at start-up, reduced to the 15 bits (0..32767) the boards expect.
std::uint16_t DrawRandom15();

// The search number: redrawn until it is not zero (1..32767).
std::uint16_t NewRandomNumber();

} // namespace quorvel
