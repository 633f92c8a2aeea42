#include "SearchReplyHandler.h"

#include "app/AppMessageBox.h"
#include "app/CQuorvelApp.h"
#include "app/CQuorvelDlg.h"
#include "devices/DeviceTable.h"
#include "protocol/SearchDatagrams.h"

#include <utility>

namespace quorvel {

namespace {

std::uint64_t macKey(const std::uint8_t* mac) {
    std::uint64_t key = 0;
    for (int i = 0; i < 6; ++i)
        key = key << 8 | mac[i];
    return key;
}

bool alreadyListed(const DeviceTable& table, SearchRunState& run,
                   const std::array<std::uint8_t, 6>& mac) {
    if (table.GetRecordCount() != run.indexedRecords) {
        run.listedMacs.clear();
        std::uint8_t listed[6];
        for (std::uint32_t i = 0; i < table.GetRecordCount(); ++i)
            if (table.GetMacAt(i, listed))
                run.listedMacs.insert(macKey(listed));
        run.indexedRecords = table.GetRecordCount();
    }
    return run.listedMacs.contains(macKey(mac.data()));
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
    const std::array<std::uint8_t, 6> mac = SearchReplyMac(*datagram);
    if (alreadyListed(table, run, mac))
        return false;

    ParsedSearchReply parsed = ParseSearchReply(*datagram, outcome.sourcePort);
    if (!run.labels || run.labels->first != parsed.leftLabel ||
        run.labels->second != parsed.rightLabel) {
        mainWindow->relabelColumns(QString::fromStdString(parsed.leftLabel),
                                   QString::fromStdString(parsed.rightLabel));
        run.labels.emplace(parsed.leftLabel, parsed.rightLabel);
    }
    parsed.record.leftLabel += ": ";
    parsed.record.rightLabel += ": ";
    parsed.record.interfaceIndex = outcome.interfaceIndex;
    table.AddRecord(std::move(parsed.record));
    run.listedMacs.insert(macKey(mac.data()));
    run.indexedRecords = table.GetRecordCount();
    ++run.foundCount;
    return true;
}

} // namespace quorvel
