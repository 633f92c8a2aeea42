#pragma once

#include "protocol/Addresses.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// One route of the kernel's IPv4 table that is up.
struct Route {
    std::string interfaceName;
    Ipv4Address destination{};
    Ipv4Address mask{};
    Ipv4Address gateway{}; // 0.0.0.0 for a route on the link itself
    long metric = 0;
};

// The routes of a /proc/net/route table that are up; the header and lines
// that do not parse are skipped.
std::vector<Route> ParseRouteTable(std::string_view procNetRoute);

// The interface of the most specific route to `address` (the lowest metric
// among equals); nothing when no route matches.
std::optional<std::string> RouteInterfaceFor(std::string_view procNetRoute,
                                             const Ipv4Address& address);

// The interface of the default route with the lowest metric.
std::optional<std::string> DefaultRouteInterface(std::string_view procNetRoute);

// Every default route that goes through a gateway.
std::vector<Route> DefaultGatewayRoutes(std::string_view procNetRoute);

} // namespace quorvel
