#include "BoardColumns.h"

#include <cstdio>

namespace quorvel {

namespace {

std::string withoutSeparator(const std::string& label) {
    constexpr std::string_view separator = ": ";
    if (label.ends_with(separator))
        return label.substr(0, label.size() - separator.size());
    return label;
}

template <typename Values> std::string csvLine(const Values& values) {
    std::string line;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i != 0)
            line += ',';
        line += CsvField(values[i]);
    }
    line += "\r\n";
    return line;
}

} // namespace

const std::array<BoardColumn, kBoardColumnCount>& BoardColumns() {
    static constexpr std::array<BoardColumn, kBoardColumnCount> columns{{
        {"mac", "MAC", BoardColumnKind::Text},
        {"ip", "IP", BoardColumnKind::Text},
        {"mode", "MODE", BoardColumnKind::Text},
        {"mask", "MASK", BoardColumnKind::Text},
        {"gateway", "GATEWAY", BoardColumnKind::Text},
        {"name", "NAME", BoardColumnKind::Text},
        {"description", "DESCRIPTION", BoardColumnKind::Text},
        {"left_label", "LEFT", BoardColumnKind::Text},
        {"left_elapsed", "LEFT TIME", BoardColumnKind::Text},
        {"right_label", "RIGHT", BoardColumnKind::Text},
        {"right_elapsed", "RIGHT TIME", BoardColumnKind::Text},
        {"reply_port", "PORT", BoardColumnKind::Number},
        {"interface", "INTERFACE", BoardColumnKind::Text},
    }};
    return columns;
}

std::string ElapsedText(std::uint32_t days, unsigned hours, unsigned minutes, unsigned seconds) {
    char text[48];
    std::snprintf(text, sizeof text, "%ud %uh %um %us", unsigned{days}, hours, minutes, seconds);
    return text;
}

std::array<std::string, kBoardColumnCount> BoardColumnValues(const DeviceRecord& r,
                                                             std::string_view interfaceName) {
    return {
        MacText(r.mac),
        Ipv4Text(r.ip),
        r.staticAddress != 0 ? "static" : "DHCP",
        Ipv4Text(r.subnetMask),
        Ipv4Text(r.gateway),
        r.name,
        r.description,
        withoutSeparator(r.leftLabel),
        ElapsedText(r.leftDays, r.leftHours, r.leftMinutes, r.leftSeconds),
        withoutSeparator(r.rightLabel),
        ElapsedText(r.rightDays, r.rightHours, r.rightMinutes, r.rightSeconds),
        std::to_string(r.replyPort),
        std::string(interfaceName),
    };
}

std::string CsvField(std::string_view value) {
    if (value.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(value);
    std::string quoted = "\"";
    for (char c : value) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string BoardCsvHeader() {
    std::array<std::string_view, kBoardColumnCount> keys;
    for (std::size_t i = 0; i < kBoardColumnCount; ++i)
        keys[i] = BoardColumns()[i].key;
    return csvLine(keys);
}

std::string BoardCsvRecord(const DeviceRecord& record, std::string_view interfaceName) {
    return csvLine(BoardColumnValues(record, interfaceName));
}

std::string BoardSpreadsheetRecord(const DeviceRecord& record, std::string_view interfaceName) {
    std::array<std::string, kBoardColumnCount> values = BoardColumnValues(record, interfaceName);
    for (std::size_t i = 0; i < kBoardColumnCount; ++i)
        if (BoardColumns()[i].kind == BoardColumnKind::Text && !values[i].empty() &&
            std::string_view("=+-@\t\r").find(values[i].front()) != std::string_view::npos)
            values[i].insert(0, 1, '\'');
    return csvLine(values);
}

} // namespace quorvel
