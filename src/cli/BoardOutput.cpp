#include "BoardOutput.h"

#include "TerminalText.h"
#include "protocol/BoardColumns.h"
#include "protocol/SafeText.h"
#include "protocol/TextDecoding.h"

#include <QString>
#include <algorithm>
#include <vector>

namespace quorvel {

std::string BoardTable(std::span<const FoundBoard> boards) {
    if (boards.empty())
        return {}; // no heading over nothing: the explanation goes to standard error
    using Row = std::array<std::string, kBoardColumnCount>;
    std::vector<Row> rows;
    rows.reserve(boards.size() + 1);
    Row& heading = rows.emplace_back();
    for (std::size_t c = 0; c < kBoardColumnCount; ++c)
        heading[c] = BoardColumns()[c].title;
    for (const FoundBoard& board : boards) {
        Row row = BoardColumnValues(board.record, board.interfaceName);
        for (std::string& cell : row)
            cell = SafeText(cell, TextUse::Terminal);
        rows.push_back(std::move(row));
    }

    std::array<std::size_t, kBoardColumnCount> widths{};
    std::vector<std::array<std::size_t, kBoardColumnCount>> cellWidths(rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t c = 0; c < kBoardColumnCount; ++c) {
            cellWidths[r][c] = DisplayWidth(rows[r][c]);
            widths[c] = std::max(widths[c], cellWidths[r][c]);
        }

    std::string table;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < kBoardColumnCount; ++c) {
            table += rows[r][c];
            if (c + 1 < kBoardColumnCount)
                table.append(widths[c] - cellWidths[r][c] + 2, ' ');
        }
        table += '\n';
    }
    return table;
}

namespace {

// What is handed to the writer at a time.
constexpr std::size_t kJsonPieceBytes = 64 * 1024;

void appendJsonString(std::string& out, std::string_view utf8) {
    out += '"';
    AppendSafeText(out, utf8, TextUse::JsonString);
    out += '"';
}

// Each board's object: the columns, and the elapsed times as numbers too,
// for scripts that compute with them.
constexpr std::size_t kJsonFieldCount = kBoardColumnCount + 2;
constexpr std::size_t kLeftSecondsField = kBoardColumnCount,
                      kRightSecondsField = kBoardColumnCount + 1;

std::string_view fieldKey(std::size_t field) {
    return field == kLeftSecondsField    ? "left_elapsed_seconds"
           : field == kRightSecondsField ? "right_elapsed_seconds"
                                         : BoardColumns()[field].key;
}

// The fields in the order a JSON object keeps its keys: sorted.
std::array<std::size_t, kJsonFieldCount> keyOrder() {
    std::array<std::size_t, kJsonFieldCount> order;
    for (std::size_t f = 0; f < kJsonFieldCount; ++f)
        order[f] = f;
    std::sort(order.begin(), order.end(),
              [](std::size_t a, std::size_t b) { return fieldKey(a) < fieldKey(b); });
    return order;
}

void appendBoardObject(std::string& out, const FoundBoard& board,
                       const std::array<std::size_t, kJsonFieldCount>& order) {
    const auto values = BoardColumnValues(board.record, board.interfaceName);
    const DeviceRecord& r = board.record;
    out += '{';
    for (std::size_t i = 0; i < kJsonFieldCount; ++i) {
        const std::size_t f = order[i];
        if (i > 0)
            out += ',';
        appendJsonString(out, fieldKey(f));
        out += ':';
        if (f == kLeftSecondsField)
            out += std::to_string(std::int64_t(r.leftDays) * 86400 + r.leftHours * 3600 +
                                  r.leftMinutes * 60 + r.leftSeconds);
        else if (f == kRightSecondsField)
            out += std::to_string(std::int64_t(r.rightDays) * 86400 + r.rightHours * 3600 +
                                  r.rightMinutes * 60 + r.rightSeconds);
        else if (BoardColumns()[f].kind == BoardColumnKind::Number)
            out += std::to_string(std::stoi(values[f]));
        else if (IsValidUtf8(values[f]))
            appendJsonString(out, values[f]);
        else // as Qt reads it: each bad sequence a replacement character
            appendJsonString(out, QString::fromStdString(values[f]).toStdString());
    }
    out += '}';
}

} // namespace

void WriteBoardJson(std::span<const FoundBoard> boards,
                    const std::function<void(std::string_view)>& write) {
    const auto order = keyOrder();
    std::string piece = "[";
    piece.reserve(kJsonPieceBytes + 4096);
    for (std::size_t i = 0; i < boards.size(); ++i) {
        if (i > 0)
            piece += ',';
        appendBoardObject(piece, boards[i], order);
        if (piece.size() >= kJsonPieceBytes) {
            write(piece);
            piece.clear();
        }
    }
    piece += "]\n";
    write(piece);
}

QByteArray BoardJson(std::span<const FoundBoard> boards) {
    QByteArray json;
    WriteBoardJson(boards, [&](std::string_view piece) {
        json.append(piece.data(), qsizetype(piece.size()));
    });
    return json;
}

std::string BoardCsv(std::span<const FoundBoard> boards, bool forTerminal) {
    std::string csv = BoardCsvHeader();
    for (const FoundBoard& board : boards) {
        if (!forTerminal) {
            csv += BoardCsvRecord(board.record, board.interfaceName);
            continue;
        }
        const auto values = BoardColumnValues(board.record, board.interfaceName);
        for (std::size_t c = 0; c < values.size(); ++c)
            csv += (c ? "," : "") + CsvField(SafeText(values[c], TextUse::Terminal));
        csv += "\r\n";
    }
    return csv;
}

} // namespace quorvel
