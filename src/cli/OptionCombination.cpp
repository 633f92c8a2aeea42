#include "OptionCombination.h"

namespace quorvel {

std::optional<std::string> CheckOptionCombination(const GivenOptions& g) {
    const bool address = g.ip || g.mask || g.gateway;
    if (g.json && g.csv)
        return "--json and --csv cannot be used together";
    if (g.monitorOnly && g.command != "monitor" && !g.command.empty())
        return "--interval, --rescan, --listen, --web-config, --textfile, --max-boards, "
               "--forget-after and --probe-only apply only to monitor";
    if ((g.file || g.parallel || g.noWait) && g.command != "firmware" && !g.command.empty())
        return "--file, --parallel and --no-wait apply only to firmware";
    if (g.target && g.interface && g.command != "monitor")
        return "--target cannot be used with --interface: a request to one address leaves "
               "by the host's routes";
    if (g.command == "search") {
        if (g.positionals != 0)
            return "search takes no arguments";
        if (address || g.dhcp || g.plan || g.noPing || g.repeat || g.force || g.dryRun || g.verify)
            return "--ip/--mask/--gateway/--dhcp/--plan and their options apply only to assign";
        if (g.watch)
            return "--watch applies only to status";
        return std::nullopt;
    }
    if (g.command == "assign") {
        if (g.csv)
            return "--csv applies only to search";
        if (g.watch)
            return "--watch applies only to status";
        if (g.target)
            return "--target applies only to search and status";
        if (g.plan) {
            if (g.positionals != 0)
                return "assign --plan takes no MAC address: the plan names the boards";
            if (address || g.dhcp)
                return "--ip/--mask/--gateway/--dhcp cannot be used with --plan: the plan holds "
                       "the addresses";
            if (g.repeat)
                return "--repeat cannot be used with --plan: a silent board would hold up the "
                       "plan for ever";
            if (g.dryRun && g.verify)
                return "--dry-run cannot be used with --verify: a dry run sends nothing";
            return std::nullopt;
        }
        if (g.dryRun || g.verify || g.json)
            return std::string(g.dryRun   ? "--dry-run"
                               : g.verify ? "--verify"
                                          : "--json") +
                   " applies only to assign --plan";
        if (g.positionals != 1)
            return "assign takes one MAC address (or --plan FILE)";
        if (g.dhcp && address)
            return "--dhcp cannot be used with --ip, --mask or --gateway";
        if (!g.dhcp && !(g.ip && g.mask && g.gateway))
            return "assign needs --ip, --mask and --gateway, or --dhcp";
        return std::nullopt;
    }
    if (g.command == "status") {
        if (g.positionals != 1)
            return "status takes one board: its MAC or IP address";
        if (g.csv)
            return "--csv applies only to search";
        if (address || g.dhcp || g.plan || g.noPing || g.repeat || g.force || g.dryRun || g.verify)
            return "--ip/--mask/--gateway/--dhcp/--plan and their options apply only to assign";
        return std::nullopt;
    }
    if (g.command == "monitor") {
        if (g.positionals != 0)
            return "monitor takes no arguments";
        if (g.csv)
            return "--csv applies only to search";
        if (address || g.dhcp || g.plan || g.noPing || g.repeat || g.force || g.dryRun || g.verify)
            return "--ip/--mask/--gateway/--dhcp/--plan and their options apply only to assign";
        if (g.watch)
            return "--watch applies only to status";
        if (g.probeOnly && !g.listen)
            return "--probe-only needs --listen: probes are asked over HTTP";
        if (g.probeOnly && (g.target || g.rescan || g.interface))
            return "--probe-only cannot be used with --target, --rescan or --interface: it "
                   "searches for no fleet";
        return std::nullopt;
    }
    if (g.command == "firmware") {
        if (g.csv)
            return "--csv applies only to search";
        if (address || g.dhcp || g.noPing || g.repeat || g.dryRun || g.verify)
            return "--ip/--mask/--gateway/--dhcp and their options apply only to assign";
        if (g.watch)
            return "--watch applies only to status";
        if (g.target)
            return "--target cannot be used with firmware: the board is named by its address";
        if (g.plan && g.file)
            return "--file cannot be used with --plan: the plan names each board's image";
        if (g.plan)
            return g.positionals == 0 ? std::nullopt
                                      : std::optional<std::string>(
                                            "firmware --plan takes no board: the plan names them");
        if (g.positionals != 1)
            return "firmware takes one board: its MAC or IP address (or --plan FILE)";
        if (!g.file)
            return "firmware needs --file IMAGE (or --plan FILE)";
        return std::nullopt;
    }
    if (g.command.empty())
        return "missing command: search, assign, status, monitor or firmware";
    return "unknown command \"" + g.command +
           "\" (expected search, assign, status, monitor or firmware)";
}

} // namespace quorvel
