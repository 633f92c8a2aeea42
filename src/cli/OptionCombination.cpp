#include "OptionCombination.h"

namespace quorvel {

namespace {

using Problem = std::optional<std::string>;

Problem assignPlan(const GivenOptions& g) {
    if (g.positionals != 0)
        return "assign --plan takes no MAC address: the plan names the boards";
    if (g.has("ip") || g.has("mask") || g.has("gateway") || g.has("dhcp"))
        return "--ip/--mask/--gateway/--dhcp cannot be used with --plan: the plan holds the "
               "addresses";
    if (g.has("repeat"))
        return "--repeat cannot be used with --plan: a silent board would hold up the plan for "
               "ever";
    if (g.has("dry-run") && g.has("verify"))
        return "--dry-run cannot be used with --verify: a dry run sends nothing";
    return std::nullopt;
}

Problem assign(const GivenOptions& g) {
    if (g.has("plan"))
        return assignPlan(g);
    for (const char* planOnly : {"dry-run", "verify", "json"})
        if (g.has(planOnly))
            return std::string("--") + planOnly + " applies only to assign --plan";
    if (g.positionals != 1)
        return "assign takes one MAC address (or --plan FILE)";
    const bool address = g.has("ip") || g.has("mask") || g.has("gateway");
    if (g.has("dhcp") && address)
        return "--dhcp cannot be used with --ip, --mask or --gateway";
    if (!g.has("dhcp") && !(g.has("ip") && g.has("mask") && g.has("gateway")))
        return "assign needs --ip, --mask and --gateway, or --dhcp";
    return std::nullopt;
}

Problem monitor(const GivenOptions& g) {
    if (g.positionals != 0)
        return "monitor takes no arguments";
    if (g.has("probe-only") && !g.has("listen"))
        return "--probe-only needs --listen: probes are asked over HTTP";
    if (g.has("probe-only") && (g.has("target") || g.has("rescan") || g.has("interface")))
        return "--probe-only cannot be used with --target, --rescan or --interface: it "
               "searches for no fleet";
    return std::nullopt;
}

Problem firmware(const GivenOptions& g) {
    if (g.has("plan") && g.has("file"))
        return "--file cannot be used with --plan: the plan names each board's image";
    if (g.has("plan"))
        return g.positionals == 0 ? std::nullopt
                                  : Problem("firmware --plan takes no board: the plan names them");
    if (g.positionals != 1)
        return "firmware takes one board: its MAC or IP address (or --plan FILE)";
    if (!g.has("file"))
        return "firmware needs --file IMAGE (or --plan FILE)";
    return std::nullopt;
}

} // namespace

Problem CheckOptionCombination(const GivenOptions& g) {
    if (g.has("json") && g.has("csv"))
        return "--json and --csv cannot be used together";
    if (g.has("target") && g.has("interface") && g.command != "monitor")
        return "--target cannot be used with --interface: a request to one address leaves "
               "by the host's routes";
    if (g.command == "search" && g.positionals != 0)
        return "search takes no arguments";
    if (g.command == "status" && g.positionals != 1)
        return "status takes one board: its MAC or IP address";
    if (g.command == "assign")
        return assign(g);
    if (g.command == "monitor")
        return monitor(g);
    if (g.command == "firmware")
        return firmware(g);
    return std::nullopt;
}

} // namespace quorvel
