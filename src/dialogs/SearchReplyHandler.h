#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>

namespace quorvel {

class CQuorvelApp;

// What one search run knows while replies come in.
struct SearchRunState {
    std::optional<std::uint16_t> randomNumber; // none until the first request is sent
    std::int32_t foundCount = 0;

    // The MACs of the table's records, so that thousands of replies are not
    // each compared with every listed board. Rebuilt from the table whenever
    // its record count is not the one seen last (something else changed it).
    std::unordered_set<std::uint64_t> listedMacs;
    std::uint32_t indexedRecords = 0;

    // The column labels this run last gave the main window.
    std::optional<std::pair<std::string, std::string>> labels;
};

// Reads one datagram from the shared socket and handles it as a search
// reply: new boards go into the main window's table, which relabels its
// column controls; bad datagrams are reported. Returns true when a board was
// added (the caller then shows the new count).
bool HandleSearchDatagram(CQuorvelApp& app, SearchRunState& run);

} // namespace quorvel
