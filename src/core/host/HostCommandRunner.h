#pragma once

#include "core/host/AddressClash.h"
#include "core/host/HostCommand.h"
#include "core/host/NeighbourClaims.h"
#include "protocol/Addresses.h"

namespace quorvel {

// Where host commands go: the real processes, or a test recorder. Only a
// hidden command reports how it ended, to `onEnd`, later; a missing program
// or missing rights just mean the step does not happen.
class HostCommandRunner {
public:
    virtual ~HostCommandRunner() = default;
    virtual void runHidden(const HostCommand& command, OutcomeHandler onEnd = {}) = 0;
    virtual void runInTerminal(const HostCommand& command) = 0;
    virtual void openUrl(const HostCommand& command) = 0;
    // What keeps a command with a `tool` from being seen: an empty text when
    // nothing, else the missing program's name.
    virtual QString missingFor(const HostCommand& command) = 0;
    // The network interface the host would send to `ip` through; empty when
    // no route is known.
    virtual QString interfaceRoutingTo(const Ipv4Address& ip) = 0;
    // The host's own addresses, gateways and neighbours, for the address
    // checks; none known here.
    virtual HostAddressFacts hostAddressFacts() { return {}; }
    // A permanent neighbour entry about to be added, and one removed again
    // (or never added): kept where a later run looks if this one dies first.
    virtual void claimNeighbour(const NeighbourClaim&) {}
    virtual void releaseNeighbour(const NeighbourClaim&) {}
};

// The runner installed now (null before start-up installs one).
HostCommandRunner* CurrentHostCommandRunner();
// Installs `runner` (null: commands are dropped); returns the previous one.
// Nothing runs until start-up installs the real runner, so code driven by
// tests can never touch the host's neighbour table by accident.
HostCommandRunner* SetHostCommandRunner(HostCommandRunner* runner);

} // namespace quorvel
