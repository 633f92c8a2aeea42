#include "core/net/RouteTable.h"

#include <bit>
#include <charconv>
#include <cstring>
#include <sstream>

namespace quorvel {

namespace {

constexpr unsigned kRouteUp = 0x0001;

template <typename T> std::optional<T> number(std::string_view text, int base) {
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// The kernel prints each address as the raw network-order word in the host's
// byte order, so the word's bytes in memory are the address in wire order.
std::optional<Ipv4Address> routeAddress(std::string_view hex) {
    const auto word = number<std::uint32_t>(hex, 16);
    if (!word)
        return std::nullopt;
    Ipv4Address address;
    std::memcpy(address.data(), &*word, address.size());
    return address;
}

int prefixLength(const Ipv4Address& mask) {
    return std::popcount(Ipv4Word(mask));
}

} // namespace

std::vector<Route> ParseRouteTable(std::string_view procNetRoute) {
    std::vector<Route> routes;
    std::istringstream lines{std::string(procNetRoute)};
    for (std::string line; std::getline(lines, line);) {
        // Iface Destination Gateway Flags RefCnt Use Metric Mask ...
        std::istringstream words(line);
        std::vector<std::string> f;
        for (std::string word; words >> word;)
            f.push_back(word);
        if (f.size() < 8)
            continue;
        const auto destination = routeAddress(f[1]);
        const auto gateway = routeAddress(f[2]);
        const auto flags = number<unsigned>(f[3], 16);
        const auto metric = number<long>(f[6], 10);
        const auto mask = routeAddress(f[7]);
        if (!destination || !gateway || !flags || !metric || !mask || !(*flags & kRouteUp))
            continue;
        routes.push_back({f[0], *destination, *mask, *gateway, *metric});
    }
    return routes;
}

std::optional<std::string> RouteInterfaceFor(std::string_view procNetRoute,
                                             const Ipv4Address& address) {
    const std::vector<Route> routes = ParseRouteTable(procNetRoute);
    const Route* best = nullptr;
    for (const Route& route : routes) {
        if ((Ipv4Word(address) & Ipv4Word(route.mask)) != Ipv4Word(route.destination))
            continue;
        const int prefix = prefixLength(route.mask);
        if (!best || prefix > prefixLength(best->mask) ||
            (prefix == prefixLength(best->mask) && route.metric < best->metric))
            best = &route;
    }
    if (!best)
        return std::nullopt;
    return best->interfaceName;
}

std::optional<std::string> DefaultRouteInterface(std::string_view procNetRoute) {
    const Route* best = nullptr;
    const std::vector<Route> routes = ParseRouteTable(procNetRoute);
    for (const Route& route : routes)
        if (route.destination == Ipv4Address{} && route.mask == Ipv4Address{} &&
            (!best || route.metric < best->metric))
            best = &route;
    if (!best)
        return std::nullopt;
    return best->interfaceName;
}

std::vector<Route> DefaultGatewayRoutes(std::string_view procNetRoute) {
    std::vector<Route> gateways;
    for (Route& route : ParseRouteTable(procNetRoute))
        if (route.destination == Ipv4Address{} && route.mask == Ipv4Address{} &&
            route.gateway != Ipv4Address{})
            gateways.push_back(std::move(route));
    return gateways;
}

} // namespace quorvel
