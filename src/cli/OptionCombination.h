#pragma once

#include <optional>
#include <string>

namespace quorvel {

// Which options a command line gave, for the checks that span several.
struct GivenOptions {
    std::string command; // search, assign, status, monitor or firmware
    int positionals = 0;
    bool json = false, csv = false;
    bool ip = false, mask = false, gateway = false, dhcp = false;
    bool plan = false, dryRun = false, verify = false;
    bool noPing = false, repeat = false, force = false;
    bool watch = false;
    bool target = false, interface = false;
    bool wait = false;
    bool monitorOnly = false; // an option of monitor's alone
    bool listen = false, rescan = false, probeOnly = false;
    bool file = false, parallel = false, noWait = false;
};

// The first conflict or missing option, as one line; nothing when they fit.
std::optional<std::string> CheckOptionCombination(const GivenOptions& given);

} // namespace quorvel
