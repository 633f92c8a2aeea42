#pragma once

#include "core/net/NetworkInterfaces.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// An interface the search considered: used, or skipped and why.
struct InterfaceUse {
    std::string name;
    std::optional<InterfaceSkipReason> skipped; // none: the search used it
    int sendError = 0;                          // errno of a broadcast that failed on it
    int rpFilterAll = 0;                        // net.ipv4.conf.all.rp_filter
    int rpFilterOwn = 0;                        // net.ipv4.conf.<name>.rp_filter
    bool carrier = false;                       // up with a cable in (IFF_RUNNING)
    bool networkManaged = false;                // NetworkManager manages the device

    bool used() const { return !skipped && sendError == 0; }
};

// What the host looked like around one search.
struct SearchEnvironment {
    std::vector<InterfaceUse> interfaces;
    std::optional<std::string> defaultRouteInterface;
    std::vector<std::string> activeFirewalls; // e.g. "ufw", "an nftables input policy that drops"
    std::optional<std::uint64_t> martiansBefore, martiansAfter;
    std::optional<std::uint16_t> localPort; // a fixed local port, when set
};

// Replies to `interfaceName` from foreign addresses that the kernel drops.
struct ReversePathDrop {
    std::string interfaceName;
    int filter = 0;                          // the effective rp_filter, 1 or 2
    std::optional<std::string> defaultRoute; // where the default route leaves, if any
    // The commands that let the replies in: loosening the filter where a
    // default route exists elsewhere; otherwise a route through the link, or
    // the filter off.
    std::string routeCommand;  // empty where loosening is the way
    std::string sysctlCommand; // sysctl -w ...
};

// A link with a cable in but no IPv4 address: the boards' answers have
// nowhere to come back to.
struct UnaddressedLink {
    std::string interfaceName;
    std::vector<std::string> commands; // give it a link-local or temporary address
};

// Why a search found nothing (or not everything): the one model both faces
// render.
struct SearchExplanation {
    bool nothingAnswered = false;
    std::vector<std::string> searchedOn;
    std::vector<InterfaceUse> skipped; // skipped or failed to send
    std::vector<std::string> firewalls;
    std::optional<std::uint16_t> localPort;
    // Boards found, but those on foreign addresses may be missing.
    bool foreignMayBeMissing = false;
    std::vector<ReversePathDrop> reversePathDrops;
    std::optional<std::uint64_t> martiansDropped; // during the run
    std::vector<UnaddressedLink> unaddressedLinks;

    bool empty() const {
        return !nothingAnswered && !foreignMayBeMissing && reversePathDrops.empty() &&
               !martiansDropped;
    }
    // Every command the explanation advises, in its order.
    std::vector<std::string> commands() const;
};

SearchExplanation ExplainSearch(const SearchEnvironment& environment, std::size_t boardsFound);

// The command line's lines for an explanation, printed on standard error.
// Empty when there is nothing to say.
std::vector<std::string> ExplanationLines(const SearchExplanation& explanation);

// A sysctl key in the slash form: an interface name may hold dots (eth0.100).
std::string SysctlKey(std::string_view interfaceName, std::string_view setting);

// The commands that give a link without an address one: a link-local
// connection through NetworkManager where it manages the device, a
// temporary link-local address otherwise.
std::vector<std::string> AddressCommands(std::string_view interfaceName, bool networkManaged);

} // namespace quorvel
