#include "RandomNumber.h"

#include <cstdlib>

namespace quorvel {

std::uint16_t DrawRandom15() {
    return static_cast<std::uint16_t>(std::rand() & 0x7FFF);
}

std::uint16_t NewRandomNumber() {
    std::uint16_t number = 0;
    while (number == 0)
        number = DrawRandom15();
    return number;
}

} // namespace quorvel
