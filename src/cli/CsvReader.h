#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// One record of RFC 4180 CSV, and the line it starts on.
struct CsvRecord {
    int line = 0;
    std::vector<std::string> fields;
    bool quoted = false; // whether the first field was quoted
};

struct CsvText {
    std::vector<CsvRecord> records; // blank lines left out
    int unterminatedQuoteLine = 0;  // where a quote that never closes opened; 0: none
};

// Quoted fields (commas, doubled quotes and line breaks inside), CRLF or LF
// line ends, and a leading byte order mark.
CsvText ReadCsv(std::string_view bytes);

} // namespace quorvel
