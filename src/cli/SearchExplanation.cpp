#include "SearchExplanation.h"

#include <algorithm>

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
std::optional<std::string> reversePathProblem(const InterfaceUse& use,
                                              const std::optional<std::string>& defaultRoute) {
    const int effective = std::max(use.rpFilterAll, use.rpFilterOwn);
    std::string why;
    if (effective == 2 && !defaultRoute)
        why = "loose reverse-path filtering (rp_filter 2) and no default route";
    else if (effective == 1 && !defaultRoute)
        why = "strict reverse-path filtering (rp_filter 1) and no default route";
    else if (effective == 1 && *defaultRoute != use.name)
        why = "strict reverse-path filtering (rp_filter 1) and the default route leaves through " +
              *defaultRoute;
    else
        return std::nullopt;

    const std::string prefix = "the kernel drops replies that reach " + use.name +
                               " from boards on addresses outside its subnets (" + why + "); ";
    // With a default route elsewhere, loose filtering is enough, and a
    // second default route would fail or take the first one's place.
    if (effective == 1 && defaultRoute)
        return prefix + "let it filter loosely (sysctl -w " + SysctlKey(use.name, "rp_filter") +
               "=2)";
    std::string settingsText;
    if (use.rpFilterOwn > 0)
        settingsText += " " + SysctlKey(use.name, "rp_filter") + "=0";
    if (use.rpFilterAll > 0)
        settingsText += " " + SysctlKey("all", "rp_filter") + "=0";
    return prefix + "add a route through " + use.name + " (ip route add default dev " + use.name +
           ") or set its rp_filter to 0 (sysctl -w" + settingsText + ")";
}

} // namespace

std::string SysctlKey(std::string_view interfaceName, std::string_view setting) {
    // The slash form: an interface name may hold dots (eth0.100).
    return "net/ipv4/conf/" + std::string(interfaceName) + "/" + std::string(setting);
}

std::vector<std::string> ExplainSearch(const SearchEnvironment& env, std::size_t boardsFound) {
    std::vector<std::string> lines;
    std::vector<std::string> used, skipped, reversePath;
    for (const InterfaceUse& use : env.interfaces) {
        if (!use.skippedBecause.empty()) {
            skipped.push_back(use.name + " (" + use.skippedBecause + ")");
            continue;
        }
        used.push_back(use.name);
        if (auto problem = reversePathProblem(use, env.defaultRouteInterface))
            reversePath.push_back(*problem);
    }
    const bool martiansMoved =
        env.martiansBefore && env.martiansAfter && *env.martiansAfter > *env.martiansBefore;

    if (boardsFound == 0) {
        lines.push_back("no board answered the search");
        lines.push_back(used.empty() ? "no interface could send it: none is up with an IPv4 "
                                       "address and broadcast"
                                     : "searched on " + joined(used));
        if (!skipped.empty())
            lines.push_back("skipped " + joined(skipped));
        if (!env.activeFirewalls.empty()) {
            const std::string port = env.localPort ? std::to_string(*env.localPort) : "N";
            lines.push_back("a host firewall is active (" + joined(env.activeFirewalls) +
                            "): it may drop the boards' replies to this tool's port; " +
                            (env.localPort ? "let UDP to port " + port + " in"
                                           : "use --local-port N and let UDP to port N in"));
        }
    } else if (!reversePath.empty()) {
        lines.push_back("boards on addresses outside the searched subnets may be missing");
    }
    lines.insert(lines.end(), reversePath.begin(), reversePath.end());
    if (martiansMoved && (boardsFound == 0 || !reversePath.empty()))
        lines.push_back(
            "during the search the kernel dropped " +
            std::to_string(*env.martiansAfter - *env.martiansBefore) +
            " packets from martian sources (in_martian_src in /proc/net/stat/rt_cache)");
    return lines;
}

} // namespace quorvel
