#include "core/exchange/SearchReplyHandler.h"

#include "core/net/DatagramSocket.h"
#include "core/exchange/DeviceTable.h"
#include "core/messages/Messages.h"
#include "protocol/SearchDatagrams.h"

#include <QCoreApplication>
#include <unordered_map>
#include <utility>

namespace quorvel {

namespace {

std::uint64_t macKey(const MacAddress& mac) {
    std::uint64_t key = 0;
    for (int i = 0; i < 6; ++i)
        key = key << 8 | mac[i];
    return key;
}

bool alreadyListed(const DeviceTable& table, SearchRunState& run, const MacAddress& mac) {
    if (table.GetRecordCount() != run.indexedRecords) {
        run.listedMacs.clear();
        MacAddress listed;
        for (std::uint32_t i = 0; i < table.GetRecordCount(); ++i)
            if (table.GetMacAt(i, listed))
                run.listedMacs.insert(macKey(listed));
        run.indexedRecords = table.GetRecordCount();
    }
    return run.listedMacs.contains(macKey(mac));
}

// The label as the table holds it, ": " appended. Boards of a fleet share a
// few labels, so each is composed once rather than once per board. Keyed by
// the interned string, which the entry keeps alive.
SharedText shownLabel(const SharedText& label) {
    constexpr std::size_t kMaxLabels = 4096;
    thread_local std::unordered_map<const std::string*, std::pair<SharedText, SharedText>> shown;
    if (const auto found = shown.find(&label.str()); found != shown.end())
        return found->second.second;
    if (shown.size() >= kMaxLabels)
        shown.clear();
    SharedText composed(label.str() + ": ");
    shown.emplace(&label.str(), std::make_pair(label, composed));
    return composed;
}

} // namespace

SearchReplyOutcome HandleSearchDatagram(DatagramSocket& socket, DeviceTable& table,
                                        SearchRunState& run) {
    ReceiveBuffer buffer;
    ReadOutcome outcome;
    const ReadBytes datagram = buffer.read(socket, &outcome);
    switch (ClassifySearchDatagram(datagram, run.randomNumber)) {
    case SearchDatagramKind::ReadError:
        ReportIgnoredDatagram(
            QCoreApplication::translate("SearchReplyHandler", "Error receiving data"));
        return {};
    case SearchDatagramKind::Invalid:
        ReportIgnoredDatagram(QCoreApplication::translate(
            "SearchReplyHandler", "Invalid Search Packet Received or Random Number Mismatch"));
        return {};
    case SearchDatagramKind::OwnRequest:
        return {};
    case SearchDatagramKind::Reply:
        break;
    }
    const std::array<std::uint8_t, 6> mac = SearchReplyMac(*datagram);
    if (alreadyListed(table, run, mac))
        return {};
    if (run.recordLimit && table.GetRecordCount() >= run.recordLimit) {
        ++run.overLimit;
        return {};
    }

    ParsedSearchReply parsed = ParseSearchReply(*datagram, outcome.sourcePort);
    parsed.record.interfaceIndex = outcome.interfaceIndex;
    parsed.record.replyAddress = Ipv4FromWord(outcome.sourceIp);
    if (run.accept && !run.accept(parsed.record))
        return {};
    SearchReplyOutcome result;
    result.added = true;
    if (!run.labels || run.labels->first != parsed.leftLabel ||
        run.labels->second != parsed.rightLabel) {
        run.labels.emplace(parsed.leftLabel, parsed.rightLabel);
        result.labelsChanged = true;
    }
    parsed.record.leftLabel = shownLabel(parsed.record.leftLabel);
    parsed.record.rightLabel = shownLabel(parsed.record.rightLabel);
    table.AppendRecord(std::move(parsed.record));
    run.listedMacs.insert(macKey(mac));
    run.indexedRecords = table.GetRecordCount();
    ++run.foundCount;
    return result;
}

} // namespace quorvel
