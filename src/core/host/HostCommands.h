#pragma once

#include "core/host/HostCommand.h"
#include "core/host/HostCommandRunner.h"
#include "protocol/Addresses.h"

namespace quorvel {

// Every command the tool hands to the host: built here, run through the
// installed runner.
class HostCommands {
public:
    // "arp -d *": empties the IPv4 neighbour cache of the board's link; the
    // other links' entries and every permanent entry stay.
    static HostCommand clearArpCache(const QString& interfaceName);
    // "arp -s IP MAC": a permanent neighbour entry, on `interfaceName` when
    // known, else wherever the kernel puts it. It is added, never replaced:
    // an entry already there (the administrator's) stays as it is. On a
    // known link it carries the tool's tag (kNeighbourProtocol).
    static HostCommand staticArpEntry(const Ipv4Address& ip, const MacAddress& mac,
                                      const QString& interfaceName);
    // "arp -d IP": removes the entry that staticArpEntry made.
    static HostCommand removeNeighbourEntry(const Ipv4Address& ip, const QString& interfaceName);
    // "ping -n 6 IP ": six echo requests in a window the user can watch, out
    // of `interfaceName` when given.
    static HostCommand ping(const Ipv4Address& ip, const QString& interfaceName = {});
    // "http://IP/": the board's web page in the default browser.
    static HostCommand webPage(const Ipv4Address& ip);
    // "explorer telnet://IP": a telnet session on the default port, in a
    // terminal.
    static HostCommand telnet(const Ipv4Address& ip);

    static void run(const HostCommand& command, OutcomeHandler onEnd = {});
    // Runs a command with a `tool` only where the user will see it; else a
    // message box names what is missing.
    static void runWhereSeen(const HostCommand& command);
};

} // namespace quorvel
