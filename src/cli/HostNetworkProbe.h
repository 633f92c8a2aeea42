#pragma once

#include "SearchExplanation.h"

#include <cstdint>
#include <optional>

namespace quorvel {

// Reads what an unprivileged user may read about the host's network: the
// reverse-path settings of each interface, the default route and which
// firewalls are active (only when asked: that runs host tools). Best effort:
// what cannot be read is left out.
void ProbeHostNetwork(SearchEnvironment& environment, bool firewalls);

// The host's martian-source count now (nothing where the kernel hides it).
std::optional<std::uint64_t> ReadMartianSourceCount();

} // namespace quorvel
