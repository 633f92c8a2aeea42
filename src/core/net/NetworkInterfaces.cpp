#include "core/net/NetworkInterfaces.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace quorvel {

namespace {

std::optional<InterfaceSkipReason> flagsRuleOut(unsigned flags) {
    if (!(flags & IFF_UP))
        return InterfaceSkipReason::Down;
    if (flags & IFF_LOOPBACK)
        return InterfaceSkipReason::Loopback;
    if (!(flags & IFF_BROADCAST))
        return InterfaceSkipReason::NoBroadcast;
    return std::nullopt;
}

} // namespace

InterfaceSelection SelectBroadcastInterfaces(const std::vector<InterfaceEntry>& entries,
                                             const std::vector<std::string>* allowed) {
    // One verdict per interface, in the order interfaces first appear. An
    // address label ("eth0:1") is one more address of its interface.
    std::vector<unsigned> indexes;
    for (const InterfaceEntry& e : entries)
        if (std::find(indexes.begin(), indexes.end(), e.index) == indexes.end())
            indexes.push_back(e.index);

    InterfaceSelection selection;
    for (unsigned index : indexes) {
        const InterfaceEntry* first = nullptr;
        const InterfaceEntry* withAddress = nullptr;
        for (const InterfaceEntry& e : entries) {
            if (e.index != index)
                continue;
            if (!first)
                first = &e;
            if (e.ipv4 && !withAddress)
                withAddress = &e;
        }
        const std::string name = first->name.substr(0, first->name.find(':'));
        if (allowed && std::find(allowed->begin(), allowed->end(), name) == allowed->end()) {
            selection.skipped.push_back({name, InterfaceSkipReason::NotAllowed});
            continue;
        }
        if (const auto reason = flagsRuleOut(first->flags)) {
            selection.skipped.push_back({name, *reason});
            continue;
        }
        if (!withAddress) {
            selection.skipped.push_back({name, InterfaceSkipReason::NoIpv4Address});
            continue;
        }
        selection.usable.push_back({name, index, *withAddress->ipv4});
    }
    return selection;
}

std::vector<std::uint32_t> DirectedBroadcasts(const std::vector<InterfaceEntry>& entries) {
    std::vector<std::uint32_t> broadcasts;
    for (const InterfaceEntry& e : entries)
        if (e.ipv4Broadcast &&
            std::find(broadcasts.begin(), broadcasts.end(), *e.ipv4Broadcast) == broadcasts.end())
            broadcasts.push_back(*e.ipv4Broadcast);
    return broadcasts;
}

std::vector<InterfaceEntry> ReadInterfaceEntries() {
    std::vector<InterfaceEntry> entries;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return entries;
    for (const ifaddrs* i = list; i; i = i->ifa_next) {
        if (!i->ifa_name)
            continue;
        InterfaceEntry e;
        e.name = i->ifa_name;
        e.index = ::if_nametoindex(i->ifa_name);
        e.flags = i->ifa_flags;
        if (i->ifa_addr && i->ifa_addr->sa_family == AF_INET)
            e.ipv4 = ntohl(reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr);
        if (e.ipv4 && (i->ifa_flags & IFF_BROADCAST) && i->ifa_broadaddr &&
            i->ifa_broadaddr->sa_family == AF_INET)
            e.ipv4Broadcast =
                ntohl(reinterpret_cast<const sockaddr_in*>(i->ifa_broadaddr)->sin_addr.s_addr);
        // An interface that went away since the list was made has no index.
        if (e.index != 0)
            entries.push_back(std::move(e));
    }
    ::freeifaddrs(list);
    return entries;
}

int SendOnEach(const std::vector<BroadcastInterface>& interfaces,
               const std::function<int(const BroadcastInterface&)>& send) {
    int error = ENETUNREACH;
    bool sent = false;
    for (const BroadcastInterface& i : interfaces) {
        const int result = send(i);
        if (result == 0)
            sent = true;
        else
            error = result;
    }
    return sent ? 0 : error;
}

std::string InterfaceName(unsigned index) {
    char name[IF_NAMESIZE] = {};
    if (index == 0 || !::if_indextoname(index, name))
        return {};
    return name;
}

} // namespace quorvel
