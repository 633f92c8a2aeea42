#include "AddressCheck.h"

#include <bit>

namespace quorvel {

namespace {

std::uint32_t word(const std::uint8_t (&a)[4]) {
    return std::uint32_t(a[0]) << 24 | std::uint32_t(a[1]) << 16 | std::uint32_t(a[2]) << 8 |
           std::uint32_t(a[3]);
}

AddressVerdict refuse(AddressField field, AddressProblem problem) {
    return {AddressVerdict::Refused, field, problem};
}

} // namespace

AddressVerdict CheckStaticAddress(const std::uint8_t (&ipBytes)[4],
                                  const std::uint8_t (&maskBytes)[4],
                                  const std::uint8_t (&gatewayBytes)[4]) {
    const std::uint32_t ip = word(ipBytes);
    const std::uint32_t mask = word(maskBytes);
    const std::uint32_t gateway = word(gatewayBytes);

    if (ip == 0)
        return refuse(AddressField::Ip, AddressProblem::Unspecified);
    if (ip == 0xFFFFFFFFu)
        return refuse(AddressField::Ip, AddressProblem::LimitedBroadcast);
    if (ip >> 24 == 127)
        return refuse(AddressField::Ip, AddressProblem::Loopback);
    if (ip >> 29 == 0b111)
        return refuse(AddressField::Ip, AddressProblem::MulticastOrReserved);

    if (mask == 0)
        return refuse(AddressField::SubnetMask, AddressProblem::MaskEmpty);
    // Contiguous: the ones all come first, so the inverted mask plus one is a power of two.
    if (!std::has_single_bit(~mask + 1))
        return refuse(AddressField::SubnetMask, AddressProblem::MaskNotContiguous);

    // /31 and /32 have no network or broadcast address of their own.
    if (std::countl_one(mask) <= 30) {
        if ((ip & ~mask) == 0)
            return refuse(AddressField::Ip, AddressProblem::SubnetNetwork);
        if ((ip & ~mask) == ~mask)
            return refuse(AddressField::Ip, AddressProblem::SubnetBroadcast);
    }

    if (gateway != 0 && (gateway & mask) != (ip & mask))
        return {AddressVerdict::AskAboutGateway, AddressField::Gateway,
                AddressProblem::GatewayOutsideSubnet};
    return {};
}

} // namespace quorvel
