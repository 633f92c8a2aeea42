#include "core/host/SearchExplanation.h"

#include "core/host/HostNetworkFacts.h"

#include <cerrno>
#include <gtest/gtest.h>

using namespace quorvel;

namespace {

InterfaceUse iface(std::string name, std::optional<InterfaceSkipReason> skipped = {}, int all = 0,
                   int own = 0, int sendError = 0) {
    InterfaceUse use;
    use.name = std::move(name);
    use.skipped = skipped;
    use.rpFilterAll = all;
    use.rpFilterOwn = own;
    use.sendError = sendError;
    return use;
}

} // namespace

TEST(HostNetworkFacts, readsTheKernelsTexts) {
    EXPECT_EQ(ReadRpFilter("2\n"), 2);
    EXPECT_EQ(ReadRpFilter("0"), 0);
    EXPECT_EQ(ReadRpFilter(""), std::nullopt);
    EXPECT_EQ(ReadRpFilter("x\n"), std::nullopt);

    const std::string header =
        "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";
    EXPECT_EQ(DefaultRouteInterface(header + "veth1\t000012C6\t00000000\t0001\t0\t0\t0\t"
                                             "00FFFFFF\t0\t0\t0\n"),
              std::nullopt);
    EXPECT_EQ(DefaultRouteInterface(
                  header + "wlan0\t00000000\t010012C6\t0003\t0\t0\t600\t00000000\t0\t0\t0\n"
                           "veth1\t00000000\t010112C6\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
                           "veth2\t00000000\t010212C6\t0002\t0\t0\t0\t00000000\t0\t0\t0\n"),
              "veth1"); // lowest metric among routes that are up
    EXPECT_EQ(DefaultRouteInterface(""), std::nullopt);

    const std::string rtCache =
        "entries  in_hit   in_slow_tot in_slow_mc in_no_route in_brd   in_martian_dst "
        "in_martian_src out_hit\n"
        "00000005 00000000 00000020    00000000   00000000    0000001d 00000000       "
        "0000000a       00000000\n"
        "00000005 00000000 00000022    00000000   00000000    0000001e 00000000       "
        "000000ff       00000000\n";
    EXPECT_EQ(MartianSourceCount(rtCache), 0x0au + 0xffu);
    EXPECT_EQ(MartianSourceCount("entries in_hit\n00000001 00000002\n"), std::nullopt);

    EXPECT_TRUE(UfwEnabled("# comment\nENABLED=yes\nLOGLEVEL=low\n"));
    EXPECT_FALSE(UfwEnabled("ENABLED=no\n"));
    EXPECT_FALSE(UfwEnabled("#ENABLED=yes\n"));
    EXPECT_TRUE(NftInputPolicyDrops("table inet filter {\n\tchain input {\n\t\ttype filter hook "
                                    "input priority filter; policy drop;\n\t}\n}\n"));
    EXPECT_FALSE(
        NftInputPolicyDrops("\t\ttype filter hook input priority filter; policy accept;\n"
                            "\t\ttype filter hook forward priority filter; policy drop;\n"));
    EXPECT_TRUE(IptablesInputPolicyDrops("-P INPUT DROP\n-A INPUT -i lo -j ACCEPT\n"));
    EXPECT_FALSE(IptablesInputPolicyDrops("-P INPUT ACCEPT\n-P FORWARD DROP\n"));
}

TEST(SearchExplanation, saysWhyWhenAndOnlyWhenItApplies) {
    using enum InterfaceSkipReason;
    const InterfaceUse veth1 = iface("veth1"), veth2Loose = iface("veth2", {}, 2),
                       veth2Strict = iface("veth2", {}, 0, 1), wlan0Down = iface("wlan0", Down),
                       dummy = iface("dummy0", NoIpv4Address),
                       failed = iface("veth3", {}, 0, 0, ENETUNREACH);
    const std::string looseVeth2 =
        "the kernel drops replies that reach veth2 from boards on addresses outside its subnets "
        "(loose reverse-path filtering (rp_filter 2) and no default route); add a route through "
        "veth2 (ip route add default dev veth2) or set its rp_filter to 0 (sysctl -w "
        "net/ipv4/conf/all/rp_filter=0)";
    const struct {
        const char* name;
        SearchEnvironment env;
        std::size_t found;
        std::vector<std::string> lines;
    } cases[] = {
        {"found, nothing wrong", {{veth1}, "veth1", {"ufw"}, 3, 3, {}}, 2, {}},
        {"empty, interfaces",
         {{veth1, wlan0Down, dummy}, "veth1", {}, 3, 3, {}},
         0,
         {"no board answered the search", "searched on veth1",
          "skipped wlan0 (down), dummy0 (no IPv4 address)"}},
        {"empty, a send failed",
         {{veth1, failed}, "veth1", {}, {}, {}, {}},
         0,
         {"no board answered the search", "searched on veth1",
          "skipped veth3 (send failed: Network is unreachable)"}},
        {"empty, no interface",
         {{wlan0Down}, std::nullopt, {}, {}, {}, {}},
         0,
         {"no board answered the search",
          "no interface could send it: none is up with an IPv4 address and broadcast",
          "skipped wlan0 (down)"}},
        {"empty, firewall",
         {{veth1}, "veth1", {"ufw", "an nftables input policy that drops"}, {}, {}, {}},
         0,
         {"no board answered the search", "searched on veth1",
          "a host firewall is active (ufw, an nftables input policy that drops): it may drop "
          "the boards' replies to this tool's port; use --local-port N and let UDP to port N in"}},
        {"empty, firewall, port given",
         {{veth1}, "veth1", {"firewalld"}, {}, {}, 4000},
         0,
         {"no board answered the search", "searched on veth1",
          "a host firewall is active (firewalld): it may drop the boards' replies to this "
          "tool's port; let UDP to port 4000 in"}},
        {"loose filter, no default route, martians counted",
         {{veth1, veth2Loose}, std::nullopt, {}, 10, 14, {}},
         0,
         {"no board answered the search", "searched on veth1, veth2", looseVeth2,
          "during the search the kernel dropped 4 packets from martian sources (in_martian_src "
          "in /proc/net/stat/rt_cache)"}},
        {"loose filter with a default route anywhere lets replies in",
         {{veth1, veth2Loose}, "veth1", {}, 10, 10, {}},
         1,
         {}},
        {"some found in the dropping state",
         {{veth1, veth2Loose}, std::nullopt, {}, 10, 10, {}},
         3,
         {"boards on addresses outside the searched subnets may be missing", looseVeth2}},
        // A second default route would fail or take over: loose filtering is the way.
        {"strict filter on a VLAN, default route elsewhere",
         {{veth1, iface("eth0.100", {}, 0, 1)}, "veth1", {}, {}, {}, {}},
         1,
         {"boards on addresses outside the searched subnets may be missing",
          "the kernel drops replies that reach eth0.100 from boards on addresses outside its "
          "subnets (strict reverse-path filtering (rp_filter 1) and the default route leaves "
          "through veth1); let it filter loosely (sysctl -w "
          "net/ipv4/conf/eth0.100/rp_filter=2)"}},
        {"strict filter, default route on the same link",
         {{veth2Strict}, "veth2", {}, {}, {}, {}},
         1,
         {}},
        {"a skipped interface's filter does not matter",
         {{veth1, iface("veth2", Down, 2, 2)}, std::nullopt, {}, {}, {}, {}},
         1,
         {}},
        {"martians alone, with boards found, prove nothing",
         {{veth1}, "veth1", {}, 1, 9, {}},
         1,
         {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExplanationLines(ExplainSearch(c.env, c.found)), c.lines) << c.name;
}

// A cable in without an address: the window shows how to give it one.
TEST(SearchExplanation, advisesAnAddressForACableWithoutOne) {
    EXPECT_EQ(NetworkManagedDevices("eth0:connected\nveth1:unmanaged\nwlan0:disconnected\n"),
              (std::vector<std::string>{"eth0", "wlan0"}));
    InterfaceUse cable = iface("eth1", InterfaceSkipReason::NoIpv4Address), managed = cable,
                 unplugged = cable;
    cable.carrier = managed.carrier = managed.networkManaged = true;
    managed.name = "eth2";
    unplugged.name = "eth3";
    SearchEnvironment env{{iface("veth1"), cable, managed, unplugged}, "veth1", {}, {}, {}, {}};
    const SearchExplanation e = ExplainSearch(env, 0);
    ASSERT_EQ(e.unaddressedLinks.size(), 2u);
    EXPECT_EQ(e.commands(),
              (std::vector<std::string>{
                  AddressCommands("eth1", false)[0],
                  "nmcli connection add type ethernet ifname eth2 con-name eth2-link-local "
                  "ipv4.method link-local ipv6.method ignore",
                  "nmcli connection up eth2-link-local"}));
    EXPECT_TRUE(e.commands()[0].starts_with("ip addr add 169.254."));
    EXPECT_TRUE(e.commands()[0].ends_with("/16 dev eth1"));
    EXPECT_TRUE(ExplainSearch(env, 1).unaddressedLinks.empty());
}
