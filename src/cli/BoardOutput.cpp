#include "BoardOutput.h"

#include "TerminalText.h"
#include "protocol/BoardColumns.h"

#include <QJsonArray>
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
    QJsonArray array;
    for (const FoundBoard& board : boards) {
        const auto values = BoardColumnValues(board.record, board.interfaceName);
        QJsonObject object;
        for (std::size_t c = 0; c < kBoardColumnCount; ++c) {
            const BoardColumn& column = BoardColumns()[c];
            const QString key = QString::fromUtf8(column.key.data(), qsizetype(column.key.size()));
            if (column.kind == BoardColumnKind::Number)
                object.insert(key, std::stoi(values[c]));
            else
                object.insert(key, QString::fromStdString(values[c]));
        }
        array.append(object);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact) + '\n';
}

std::string BoardCsv(std::span<const FoundBoard> boards) {
    std::string csv = BoardCsvHeader();
    for (const FoundBoard& board : boards)
        csv += BoardCsvRecord(board.record, board.interfaceName);
    return csv;
}

} // namespace quorvel
