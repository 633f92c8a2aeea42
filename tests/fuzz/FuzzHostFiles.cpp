// The readers of what the host hands the tool (claim files, `ip neigh show`,
// /proc/PID/stat, /proc/net/arp), the first byte picking one: any bytes are
// taken, and a claim file that is accepted reads back the same when written.
#include "core/host/HostNetworkFacts.h"
#include "core/host/NeighbourClaims.h"

#include <cstdint>
#include <string>

using namespace quorvel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] % 4) {
    case 0:
        if (const auto file = ParseClaimFile(text)) {
            const auto again = ParseClaimFile(ClaimFileText(*file));
            if (!again || again->owner != file->owner || again->claims != file->claims)
                __builtin_trap();
        }
        break;
    case 1:
        (void)ParseTaggedEntries(text);
        break;
    case 2:
        (void)ProcessStartTime(text);
        break;
    case 3:
        (void)ParseNeighbourTable(text);
        break;
    }
    return 0;
}
