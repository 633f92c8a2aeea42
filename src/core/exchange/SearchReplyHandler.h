#pragma once

#include "protocol/SharedText.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_set>
#include <utility>

namespace quorvel {

class DatagramSocket;
class DeviceTable;
struct DeviceRecord;

// What one search run knows while replies come in.
struct SearchRunState {
    std::optional<std::uint16_t> randomNumber; // none until the first request is sent
    std::int32_t foundCount = 0;

    // The MACs of the table's records, so that thousands of replies are not
    // each compared with every listed board. Rebuilt from the table whenever
    // its record count is not the one seen last (something else changed it).
    std::unordered_set<std::uint64_t> listedMacs;
    std::uint32_t indexedRecords = 0;

    // The column labels of the last board listed by this run.
    std::optional<std::pair<SharedText, SharedText>> labels;

    // New boards beyond this many in the table are not listed (0: no bound),
    // so that a flood of forged MACs cannot fill the memory; nor are those
    // `accept` turns away.
    std::uint32_t recordLimit = 0;
    std::uint64_t overLimit = 0;
    std::function<bool(const DeviceRecord&)> accept;
};

struct SearchReplyOutcome {
    bool added = false;         // a new board went into the table
    bool labelsChanged = false; // it brought other labels than run.labels held
};

// Reads one datagram from `socket` and handles it as a search reply: a new
// board is appended to `table`, whose view the caller tells at the end of the
// burst (DeviceTable::ShowAppendedRecords); bad datagrams are reported.
SearchReplyOutcome HandleSearchDatagram(DatagramSocket& socket, DeviceTable& table,
                                        SearchRunState& run);

} // namespace quorvel
