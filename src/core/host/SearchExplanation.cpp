#include "core/host/SearchExplanation.h"

#include <algorithm>
#include <cstring>

namespace quorvel {

namespace {

std::string joined(const std::vector<std::string>& parts) {
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i)
        out += (i == 0 ? "" : ", ") + parts[i];
    return out;
}

// Why the kernel drops replies from boards on addresses outside the
// interface's subnets, or nothing. Strict filtering wants the way back through
// the same link; loose filtering wants any way back at all.
std::optional<ReversePathDrop> reversePathDrop(const InterfaceUse& use,
                                               const std::optional<std::string>& defaultRoute) {
    const int effective = std::max(use.rpFilterAll, use.rpFilterOwn);
    if (effective == 0 || effective > 2 || (defaultRoute && effective == 2) ||
        (defaultRoute && *defaultRoute == use.name))
        return std::nullopt;
    ReversePathDrop drop{use.name, effective, defaultRoute, {}, {}};
    // With a default route elsewhere, loose filtering is enough, and a
    // second default route would fail or take the first one's place.
    if (defaultRoute) {
        drop.sysctlCommand = "sysctl -w " + SysctlKey(use.name, "rp_filter") + "=2";
        return drop;
    }
    drop.routeCommand = "ip route add default dev " + use.name;
    drop.sysctlCommand = "sysctl -w";
    if (use.rpFilterOwn > 0)
        drop.sysctlCommand += " " + SysctlKey(use.name, "rp_filter") + "=0";
    if (use.rpFilterAll > 0)
        drop.sysctlCommand += " " + SysctlKey("all", "rp_filter") + "=0";
    return drop;
}

std::string skipText(const InterfaceUse& use) {
    if (use.sendError != 0)
        return std::string("send failed: ") + std::strerror(use.sendError);
    switch (use.skipped.value_or(InterfaceSkipReason::Down)) {
    case InterfaceSkipReason::Down:
        return "down";
    case InterfaceSkipReason::Loopback:
        return "loopback";
    case InterfaceSkipReason::NoBroadcast:
        return "no broadcast";
    case InterfaceSkipReason::NoIpv4Address:
        return "no IPv4 address";
    case InterfaceSkipReason::NotAllowed:
        return "not named by --interface";
    }
    return "skipped";
}

// A stable address in 169.254.1.0 - 169.254.254.255 for a link, so that the
// advice is the same each time it is given.
std::string linkLocalAddress(std::string_view name) {
    std::uint32_t hash = 2166136261u;
    for (const char c : name)
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return "169.254." + std::to_string(1 + hash % 254) + "." +
           std::to_string(1 + (hash >> 8) % 254);
}

} // namespace

std::string SysctlKey(std::string_view interfaceName, std::string_view setting) {
    return "net/ipv4/conf/" + std::string(interfaceName) + "/" + std::string(setting);
}

std::vector<std::string> AddressCommands(std::string_view interfaceName, bool networkManaged) {
    const std::string name(interfaceName);
    if (networkManaged) {
        const std::string connection = name + "-link-local";
        return {"nmcli connection add type ethernet ifname " + name + " con-name " + connection +
                    " ipv4.method link-local ipv6.method ignore",
                "nmcli connection up " + connection};
    }
    return {"ip addr add " + linkLocalAddress(name) + "/16 dev " + name};
}

SearchExplanation ExplainSearch(const SearchEnvironment& env, std::size_t boardsFound) {
    SearchExplanation out;
    std::vector<ReversePathDrop> drops;
    for (const InterfaceUse& use : env.interfaces) {
        if (!use.used()) {
            out.skipped.push_back(use);
            continue;
        }
        out.searchedOn.push_back(use.name);
        if (auto drop = reversePathDrop(use, env.defaultRouteInterface))
            drops.push_back(std::move(*drop));
    }
    const bool martiansMoved =
        env.martiansBefore && env.martiansAfter && *env.martiansAfter > *env.martiansBefore;

    if (boardsFound == 0) {
        out.nothingAnswered = true;
        out.firewalls = env.activeFirewalls;
        out.localPort = env.localPort;
        for (const InterfaceUse& use : out.skipped)
            if (use.skipped == InterfaceSkipReason::NoIpv4Address && use.carrier)
                out.unaddressedLinks.push_back(
                    {use.name, AddressCommands(use.name, use.networkManaged)});
    } else {
        out.foreignMayBeMissing = !drops.empty();
        out.skipped.clear(); // said only when nothing answered
    }
    out.reversePathDrops = std::move(drops);
    if (martiansMoved && (boardsFound == 0 || !out.reversePathDrops.empty()))
        out.martiansDropped = *env.martiansAfter - *env.martiansBefore;
    return out;
}

std::vector<std::string> SearchExplanation::commands() const {
    std::vector<std::string> out;
    for (const UnaddressedLink& link : unaddressedLinks)
        out.insert(out.end(), link.commands.begin(), link.commands.end());
    for (const ReversePathDrop& drop : reversePathDrops) {
        if (!drop.routeCommand.empty())
            out.push_back(drop.routeCommand);
        out.push_back(drop.sysctlCommand);
    }
    return out;
}

std::vector<std::string> ExplanationLines(const SearchExplanation& e) {
    std::vector<std::string> lines;
    if (e.nothingAnswered) {
        lines.push_back("no board answered the search");
        lines.push_back(e.searchedOn.empty()
                            ? "no interface could send it: none is up with an IPv4 address and "
                              "broadcast"
                            : "searched on " + joined(e.searchedOn));
        std::vector<std::string> skipped;
        for (const InterfaceUse& use : e.skipped)
            skipped.push_back(use.name + " (" + skipText(use) + ")");
        if (!skipped.empty())
            lines.push_back("skipped " + joined(skipped));
        if (!e.firewalls.empty())
            lines.push_back("a host firewall is active (" + joined(e.firewalls) +
                            "): it may drop the boards' replies to this tool's port; " +
                            (e.localPort ? "let UDP to port " + std::to_string(*e.localPort) + " in"
                                         : "use --local-port N and let UDP to port N in"));
    } else if (e.foreignMayBeMissing) {
        lines.push_back("boards on addresses outside the searched subnets may be missing");
    }
    for (const ReversePathDrop& drop : e.reversePathDrops) {
        std::string why;
        if (!drop.defaultRoute)
            why = drop.filter == 2
                      ? "loose reverse-path filtering (rp_filter 2) and no default route"
                      : "strict reverse-path filtering (rp_filter 1) and no default route";
        else
            why = "strict reverse-path filtering (rp_filter 1) and the default route leaves "
                  "through " +
                  *drop.defaultRoute;
        std::string line = "the kernel drops replies that reach " + drop.interfaceName +
                           " from boards on addresses outside its subnets (" + why + "); ";
        if (drop.routeCommand.empty())
            line += "let it filter loosely (" + drop.sysctlCommand + ")";
        else
            line += "add a route through " + drop.interfaceName + " (" + drop.routeCommand +
                    ") or set its rp_filter to 0 (" + drop.sysctlCommand + ")";
        lines.push_back(line);
    }
    if (e.martiansDropped)
        lines.push_back(
            "during the search the kernel dropped " + std::to_string(*e.martiansDropped) +
            " packets from martian sources (in_martian_src in /proc/net/stat/rt_cache)");
    return lines;
}

} // namespace quorvel
