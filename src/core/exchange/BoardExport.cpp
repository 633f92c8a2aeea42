#include "core/exchange/BoardExport.h"

#include "core/net/NetworkInterfaces.h"
#include "protocol/BoardColumns.h"

#include <QSaveFile>

namespace quorvel {

QString ExportBoardsCsv(const QString& path, const std::vector<DeviceRecord>& boards) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    std::string csv = BoardCsvHeader();
    for (const DeviceRecord& board : boards)
        csv += BoardSpreadsheetRecord(board, InterfaceName(board.interfaceIndex));
    if (file.write(csv.data(), static_cast<qint64>(csv.size())) !=
        static_cast<qint64>(csv.size())) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

} // namespace quorvel
