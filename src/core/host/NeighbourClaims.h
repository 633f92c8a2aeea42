#pragma once

#include "protocol/Addresses.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// The routing protocol number the tool's own neighbour entries carry
// (`ip neigh add ... protocol 147`, shown as "proto 147"): none of the
// kernel's or iproute2's named ones, so an entry with it is ours.
constexpr int kNeighbourProtocol = 147;

// A permanent neighbour entry the tool added: `ip` at `mac` on a link.
struct NeighbourClaim {
    Ipv4Address ip{};
    MacAddress mac{};
    std::string interfaceName;
    bool operator==(const NeighbourClaim&) const = default;
};

// The process that holds claims: its number and start time (a number reused
// by a later process is not the same owner) and its network namespace (an
// entry lives in one; the runtime directory is shared by all).
struct ClaimOwner {
    long pid = 0;
    unsigned long long startTime = 0;        // clock ticks after boot, /proc/PID/stat
    unsigned long long networkNamespace = 0; // the inode of /proc/PID/ns/net
    bool operator==(const ClaimOwner&) const = default;
};

struct ClaimFile {
    ClaimOwner owner;
    std::vector<NeighbourClaim> claims;
};

// A claim file names at most this many entries.
constexpr std::size_t kMaxClaims = 1024;

// The file as the owner writes it, and read back; nothing when the text is
// not such a file, or is one that breaks a bound.
std::string ClaimFileText(const ClaimFile& file);
std::optional<ClaimFile> ParseClaimFile(std::string_view text);

// Field 22 of /proc/PID/stat, for a process that still runs (a zombie has
// ended, whether or not its parent has seen it); the command name before it
// may hold anything.
std::optional<unsigned long long> ProcessStartTime(std::string_view procPidStat);

// The entries `ip -4 neigh show nud permanent proto 147` lists, those that
// show the tag (a filter the tool did not take would list others too).
std::vector<NeighbourClaim> ParseTaggedEntries(std::string_view ipNeighShow);

// What may go: the claims of owners that are gone, made in `networkNamespace`,
// that the table still holds with the tag for the same MAC on the same link.
// An entry without the tag is someone else's, whatever a file says.
std::vector<NeighbourClaim> AbandonedEntries(const std::vector<ClaimFile>& files,
                                             const std::function<bool(const ClaimOwner&)>& alive,
                                             unsigned long long networkNamespace,
                                             const std::vector<NeighbourClaim>& tagged);

} // namespace quorvel
