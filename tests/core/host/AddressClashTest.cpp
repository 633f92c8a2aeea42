#include "core/host/AddressClash.h"

#include <gtest/gtest.h>

using namespace quorvel;

// Facts as the host gives them: its addresses, and its default routes and
// neighbour table in the kernel's own texts.
TEST(AddressClash, theHostsOwnAddressesItsGatewaysAndOtherDevicesClash) {
    HostAddressFacts facts;
    facts.ownAddresses = {{{198, 18, 0, 1}, "veth0"}};
    for (const Route& route : DefaultGatewayRoutes(
             "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\n"
             "veth0\t00000000\tFE0012C6\t0003\t0\t0\t100\t00000000\n"   // via 198.18.0.254
             "veth1\t00000000\t00000000\t0001\t0\t0\t200\t00000000\n")) // on the link
        facts.gateways.push_back({route.gateway, route.interfaceName});
    facts.neighbours = ParseNeighbourTable(
        "IP address       HW type     Flags       HW address            Mask     Device\n"
        "198.18.1.12      0x1         0x2         02:51:56:00:10:02     *        veth0\n"
        "198.18.1.11      0x1         0x6         02:51:56:00:10:01     *        veth0\n"
        "198.18.1.13      0x1         0x0         00:00:00:00:00:00     *        veth0\n");
    ASSERT_EQ(facts.gateways.size(), 1u);
    ASSERT_EQ(facts.neighbours.size(), 2u); // an incomplete entry knows no MAC

    const MacAddress board = {0x02, 0x51, 0x56, 0x00, 0x10, 0x01};
    const struct {
        Ipv4Address address;
        bool dhcp;
        std::optional<ClashKind> kind;
        bool hostSteps;
    } cases[] = {
        {{198, 18, 0, 1}, false, ClashKind::OwnAddress, false},
        {{198, 18, 0, 254}, false, ClashKind::Gateway, false},
        {{198, 18, 1, 12}, false, ClashKind::OtherDevice, true}, // as the user chose
        {{198, 18, 1, 12}, true, ClashKind::OtherDevice, false}, // as a DHCP board claims
        {{198, 18, 1, 11}, false, std::nullopt, true},           // the board's own entry
        {{198, 18, 1, 13}, false, std::nullopt, true},
        {{0, 0, 0, 0}, true, std::nullopt, true}, // DHCP, no address known
    };
    for (const auto& c : cases) {
        const auto clash = FindAddressClash(c.address, board, facts);
        EXPECT_EQ(clash ? std::optional(clash->kind) : std::nullopt, c.kind) << Ipv4Text(c.address);
        EXPECT_EQ(HostStepsAllowed(clash, c.dhcp), c.hostSteps) << Ipv4Text(c.address);
    }
    EXPECT_EQ(AddressClashText({198, 18, 1, 12}, *FindAddressClash({198, 18, 1, 12}, board, facts)),
              "IP address 198.18.1.12 is already used by another device (MAC 02-51-56-00-10-02, "
              "on veth0); of two devices on one address, neither can be reached reliably.");
}
