#include "Addresses.h"

#include "protocol/BoardColumns.h"

#include <algorithm>

namespace quorvel {

std::string MacAddressText(const MacAddress& mac) {
    std::uint8_t bytes[6];
    std::copy(mac.begin(), mac.end(), bytes);
    return MacText(bytes);
}

std::string Ipv4AddressText(const Ipv4Address& address) {
    std::uint8_t bytes[4];
    std::copy(address.begin(), address.end(), bytes);
    return Ipv4Text(bytes);
}

} // namespace quorvel
