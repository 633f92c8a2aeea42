#include "SearchReplyHandler.h"

#include "app/AppMessageBox.h"
#include "app/CQuorvelApp.h"
#include "app/CQuorvelDlg.h"
#include "devices/DeviceTable.h"
#include "protocol/SearchDatagrams.h"

#include <algorithm>

namespace quorvel {

namespace {

bool alreadyListed(const DeviceTable& table, const std::array<std::uint8_t, 6>& mac) {
    std::uint8_t listed[6];
    for (std::uint32_t i = 0; i < table.GetRecordCount(); ++i)
        if (table.GetMacAt(i, listed) && std::equal(mac.begin(), mac.end(), listed))
            return true;
    return false;
}

} // namespace

bool HandleSearchDatagram(CQuorvelApp& app, SearchRunState& run) {
    ReceiveBuffer buffer;
    ReadOutcome outcome;
    const ReadBytes datagram = buffer.read(app.socket(), &outcome);
    switch (ClassifySearchDatagram(datagram, run.randomNumber)) {
    case SearchDatagramKind::ReadError:
        AppMessageBox(QStringLiteral("Error receiving data"));
        return false;
    case SearchDatagramKind::Invalid:
        AppMessageBox(QStringLiteral("Invalid Search Packet Received or Random Number Mismatch"));
        return false;
    case SearchDatagramKind::OwnRequest:
        return false;
    case SearchDatagramKind::Reply:
        break;
    }
    CQuorvelDlg* mainWindow = app.mainDialog;
    if (!mainWindow)
        return false;
    DeviceTable& table = mainWindow->deviceTable();
    if (alreadyListed(table, SearchReplyMac(*datagram)))
        return false;

    ParsedSearchReply parsed = ParseSearchReply(*datagram, outcome.sourcePort);
    mainWindow->relabelColumns(QString::fromStdString(parsed.leftLabel),
                               QString::fromStdString(parsed.rightLabel));
    parsed.record.leftLabel += ": ";
    parsed.record.rightLabel += ": ";
    table.AddRecord(parsed.record);
    ++run.foundCount;
    return true;
}

} // namespace quorvel
