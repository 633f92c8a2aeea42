#include "CsvReader.h"

namespace quorvel {

CsvText ReadCsv(std::string_view bytes) {
    CsvText text;
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    CsvRecord record;
    std::string field;
    bool inQuotes = false, fieldQuoted = false;
    int line = 1, quoteLine = 0;
    record.line = 1;
    const auto endField = [&] {
        if (record.fields.empty())
            record.quoted = fieldQuoted;
        record.fields.push_back(std::move(field));
        field.clear();
        fieldQuoted = false;
    };
    const auto endRecord = [&] {
        endField();
        if (record.fields.size() > 1 || !record.fields.front().empty() || record.quoted)
            text.records.push_back(std::move(record));
        record = CsvRecord{};
        record.line = line;
    };
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (inQuotes) {
            if (c == '"' && i + 1 < bytes.size() && bytes[i + 1] == '"')
                field += '"', ++i;
            else if (c == '"')
                inQuotes = false;
            else
                field += c, line += c == '\n';
        } else if (c == '"' && field.empty()) {
            inQuotes = fieldQuoted = true;
            quoteLine = line;
        } else if (c == ',') {
            endField();
        } else if (c == '\n' || (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')) {
            i += c == '\r';
            ++line;
            endRecord();
        } else {
            field += c;
        }
    }
    if (inQuotes)
        text.unterminatedQuoteLine = quoteLine;
    if (!field.empty() || !record.fields.empty() || fieldQuoted)
        endRecord();
    return text;
}

} // namespace quorvel
