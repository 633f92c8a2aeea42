#include "AddressCheck.h"

#include <bit>

namespace quorvel {

namespace {

AddressVerdict refuse(AddressField field, AddressProblem problem) {
    return {AddressVerdict::Refused, field, problem};
}

} // namespace

AddressVerdict CheckStaticAddress(const Ipv4Address& ipBytes, const Ipv4Address& maskBytes,
                                  const Ipv4Address& gatewayBytes) {
    const std::uint32_t ip = Ipv4Word(ipBytes);
    const std::uint32_t mask = Ipv4Word(maskBytes);
    const std::uint32_t gateway = Ipv4Word(gatewayBytes);

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
