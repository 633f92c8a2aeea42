#include "BoardOutput.h"

#include "TerminalText.h"
#include "protocol/BoardColumns.h"

#include <QJsonDocument>
#include <QJsonObject>
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
            cell = TerminalSafe(cell);
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

QByteArray BoardJson(std::span<const FoundBoard> boards) {
    std::array<QString, kBoardColumnCount> keys;
    for (std::size_t c = 0; c < kBoardColumnCount; ++c)
        keys[c] = QString::fromUtf8(BoardColumns()[c].key.data(),
                                    qsizetype(BoardColumns()[c].key.size()));
    // Each object is written on its own and the array joined here, so only
    // one board's object is held as JSON values at a time.
    QByteArray json = "[";
    for (const FoundBoard& board : boards) {
        const auto values = BoardColumnValues(board.record, board.interfaceName);
        QJsonObject object;
        for (std::size_t c = 0; c < kBoardColumnCount; ++c) {
            if (BoardColumns()[c].kind == BoardColumnKind::Number)
                object.insert(keys[c], std::stoi(values[c]));
            else
                object.insert(keys[c], QString::fromStdString(values[c]));
        }
        // The elapsed times as numbers too, for scripts that compute with them.
        const DeviceRecord& r = board.record;
        object.insert("left_elapsed_seconds", qint64(r.leftDays) * 86400 + r.leftHours * 3600 +
                                                  r.leftMinutes * 60 + r.leftSeconds);
        object.insert("right_elapsed_seconds", qint64(r.rightDays) * 86400 + r.rightHours * 3600 +
                                                   r.rightMinutes * 60 + r.rightSeconds);
        if (json.size() > 1)
            json += ',';
        json += QJsonDocument(object).toJson(QJsonDocument::Compact);
    }
    return json + "]\n";
}

std::string BoardCsv(std::span<const FoundBoard> boards) {
    std::string csv = BoardCsvHeader();
    for (const FoundBoard& board : boards)
        csv += BoardCsvRecord(board.record, board.interfaceName);
    return csv;
}

} // namespace quorvel
