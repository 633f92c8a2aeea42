#include "MonitorOutput.h"

#include "StatusOutput.h"
#include "TerminalText.h"
#include "protocol/SafeText.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace quorvel {

namespace {

std::string timeText(qint64 ms) {
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODateWithMs).toStdString();
}

QString qs(const std::string& text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QJsonValue setFlags(const std::optional<PrinterStatusFlags>& flags) {
    if (!flags)
        return QJsonValue::Null;
    QJsonArray names;
    for (std::size_t i = 0; i < flags->size(); ++i)
        if ((*flags)[i])
            names.append(QString::fromLatin1(PrinterStatusFlagNames()[i].name.data(),
                                             qsizetype(PrinterStatusFlagNames()[i].name.size())));
    return names;
}

std::string padded(std::string text, std::size_t width) {
    const std::size_t shown = DisplayWidth(text);
    return text + std::string(shown < width ? width - shown : 0, ' ') + "  ";
}

} // namespace

std::string MonitorChangeText(const MonitoredBoard& board, const StatusChange& change) {
    std::string out = timeText(change.timeMs) + ' ' + MacText(board.record.mac) + ' ' +
                      Ipv4Text(board.record.ip) + " \"" +
                      SafeText(board.record.name, TextUse::Terminal) + "\":";
    const bool lookedBefore = board.history.size() > 1;
    std::string separator = " ";
    for (const std::string& line : StatusChanges(change.before, lookedBefore, change.after)) {
        out += separator + line;
        separator = "; ";
    }
    return out + '\n';
}

QByteArray MonitorChangeJson(const MonitoredBoard& board, const StatusChange& change) {
    const QJsonObject object{
        {"time", qs(timeText(change.timeMs))},  {"mac", qs(MacText(board.record.mac))},
        {"ip", qs(Ipv4Text(board.record.ip))},  {"name", qs(board.record.name)},
        {"interface", qs(board.interfaceName)}, {"answered", change.after.has_value()},
        {"old", setFlags(change.before)},       {"new", setFlags(change.after)}};
    const std::string json = QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
    return QByteArray::fromStdString(SafeText(json, TextUse::JsonDocument)) + '\n';
}

const std::vector<std::pair<const char*, const char*>>& MonitorJsonKeys() {
    static const std::vector<std::pair<const char*, const char*>> keys = {
        {"time", "when the change was seen, ISO 8601 in UTC"},
        {"mac", "the board's MAC address"},
        {"ip", "its address"},
        {"name", "its name"},
        {"interface", "the host interface it answers on"},
        {"answered", "boolean: whether it answered this time"},
        {"old", "the flags set before, an array of names; null when unknown or silent"},
        {"new", "the flags set now, null when it did not answer"},
    };
    return keys;
}

std::string MonitorTable(const std::vector<MonitoredBoard>& boards) {
    std::size_t nameWidth = 4;
    std::vector<std::string> names;
    names.reserve(boards.size());
    for (const MonitoredBoard& board : boards) {
        names.push_back(SafeText(board.record.name, TextUse::Terminal));
        nameWidth = std::max(nameWidth, std::min<std::size_t>(DisplayWidth(names.back()), 24));
    }
    std::string out = padded("MAC", 17) + padded("IP", 15) + padded("NAME", nameWidth) +
                      padded("STATE", 9) + padded("LAST ANSWER", 11) + "FLAGS\n";
    for (std::size_t i = 0; i < boards.size(); ++i) {
        const MonitoredBoard& board = boards[i];
        std::string flags;
        if (board.flags)
            for (std::size_t f = 0; f < kPrinterStatusFlagCount; ++f)
                if ((*board.flags)[f])
                    flags +=
                        (flags.empty() ? "" : ",") + std::string(PrinterStatusFlagNames()[f].name);
        const std::string state = board.up ? "ok" : board.reported ? "silent" : "waiting";
        const std::string last = board.lastAnswerMs
                                     ? QDateTime::fromMSecsSinceEpoch(board.lastAnswerMs)
                                           .toString(QStringLiteral("HH:mm:ss"))
                                           .toStdString()
                                     : "-";
        out += padded(MacText(board.record.mac), 17) + padded(Ipv4Text(board.record.ip), 15) +
               padded(names[i], nameWidth) + padded(state, 9) + padded(last, 11) +
               (flags.empty() ? "-" : flags) + '\n';
    }
    return out;
}

} // namespace quorvel
