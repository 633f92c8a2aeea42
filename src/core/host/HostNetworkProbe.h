#pragma once

#include "core/host/SearchExplanation.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

// Reads what an unprivileged user may read about the host's network: the
// reverse-path settings of each interface, the default route and which
// firewalls are active (only when asked: that runs host tools). Best effort:
// what cannot be read is left out.
void ProbeHostNetwork(SearchEnvironment& environment, bool firewalls);

// The host around a search that has just ended: the interfaces it used
// (limited to `allowed` where given) or skipped, those whose broadcast failed
// (`failures`, errno by name), then ProbeHostNetwork's facts. Links with a
// cable in and no address are asked about NetworkManager.
SearchEnvironment GatherSearchEnvironment(const std::vector<std::string>& allowed,
                                          const std::map<std::string, int>& failures,
                                          bool firewalls);

// The host's martian-source count now (nothing where the kernel hides it).
std::optional<std::uint64_t> ReadMartianSourceCount();

} // namespace quorvel
