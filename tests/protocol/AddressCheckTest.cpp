#include "protocol/AddressCheck.h"

#include <arpa/inet.h>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

using namespace quorvel;

namespace {

struct Address {
    Ipv4Address bytes;
    explicit Address(const char* dotted) {
        in_addr a{};
        EXPECT_EQ(inet_pton(AF_INET, dotted, &a), 1) << dotted;
        std::memcpy(bytes.data(), &a, 4);
    }
};

struct Case {
    const char* ip;
    const char* mask;
    const char* gateway;
    AddressVerdict expected;
};

constexpr auto kIp = AddressField::Ip;
constexpr auto kMask = AddressField::SubnetMask;
constexpr AddressVerdict refused(AddressField f, AddressProblem p) {
    return {AddressVerdict::Refused, f, p};
}
constexpr AddressVerdict kAccepted{};
constexpr AddressVerdict kAskGateway{AddressVerdict::AskAboutGateway, AddressField::Gateway,
                                     AddressProblem::GatewayOutsideSubnet};

} // namespace

TEST(CheckStaticAddress, refusesWhatWouldStrandABoardAndAsksAboutAFarGateway) {
    using P = AddressProblem;
    const Case cases[] = {
        {"198.18.1.50", "255.255.255.0", "198.18.1.1", kAccepted},
        {"198.18.1.50", "255.255.255.0", "0.0.0.0", kAccepted}, // no gateway
        {"1.2.3.4", "255.0.0.0", "1.0.0.1", kAccepted},
        {"0.0.0.0", "255.255.255.0", "0.0.0.0", refused(kIp, P::Unspecified)},
        {"255.255.255.255", "255.255.255.0", "0.0.0.0", refused(kIp, P::LimitedBroadcast)},
        {"127.0.0.1", "255.0.0.0", "0.0.0.0", refused(kIp, P::Loopback)},
        {"127.255.1.2", "255.255.0.0", "0.0.0.0", refused(kIp, P::Loopback)},
        {"224.0.0.1", "255.255.255.0", "0.0.0.0", refused(kIp, P::MulticastOrReserved)},
        {"239.1.1.1", "255.255.255.0", "0.0.0.0", refused(kIp, P::MulticastOrReserved)},
        {"240.0.0.1", "255.255.255.0", "0.0.0.0", refused(kIp, P::MulticastOrReserved)},
        {"223.255.255.1", "255.255.255.0", "0.0.0.0", kAccepted}, // last unicast /8
        {"198.18.1.50", "0.0.0.0", "0.0.0.0", refused(kMask, P::MaskEmpty)},
        {"198.18.1.50", "255.0.255.0", "0.0.0.0", refused(kMask, P::MaskNotContiguous)},
        {"198.18.1.50", "255.255.255.1", "0.0.0.0", refused(kMask, P::MaskNotContiguous)},
        {"198.18.1.50", "0.255.255.255", "0.0.0.0", refused(kMask, P::MaskNotContiguous)},
        {"198.18.1.0", "255.255.255.0", "0.0.0.0", refused(kIp, P::SubnetNetwork)},
        {"198.18.1.255", "255.255.255.0", "0.0.0.0", refused(kIp, P::SubnetBroadcast)},
        {"198.18.1.4", "255.255.255.252", "0.0.0.0", refused(kIp, P::SubnetNetwork)},   // /30
        {"198.18.1.7", "255.255.255.252", "0.0.0.0", refused(kIp, P::SubnetBroadcast)}, // /30
        {"198.18.1.5", "255.255.255.252", "0.0.0.0", kAccepted},
        {"198.18.1.4", "255.255.255.254", "0.0.0.0", kAccepted}, // /31: both are hosts
        {"198.18.1.5", "255.255.255.255", "0.0.0.0", kAccepted}, // /32
        {"198.18.0.0", "255.254.0.0", "0.0.0.0", refused(kIp, P::SubnetNetwork)},
        // The IP's own faults come before the mask's, the mask's before the gateway's.
        {"0.0.0.0", "255.0.255.0", "9.9.9.9", refused(kIp, P::Unspecified)},
        {"198.18.1.0", "255.0.255.0", "9.9.9.9", refused(kMask, P::MaskNotContiguous)},
        {"198.18.1.50", "255.255.255.0", "198.18.2.1", kAskGateway},
        {"198.18.1.50", "255.255.255.128", "198.18.1.129", kAskGateway},
        {"198.18.1.5", "255.255.255.255", "198.18.1.1", kAskGateway},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.ip) + " " + c.mask + " " + c.gateway);
        const AddressVerdict verdict = CheckStaticAddress(
            Address(c.ip).bytes, Address(c.mask).bytes, Address(c.gateway).bytes);
        EXPECT_EQ(verdict.kind, c.expected.kind);
        EXPECT_EQ(verdict.field, c.expected.field);
        EXPECT_EQ(verdict.problem, c.expected.problem);
    }
}
