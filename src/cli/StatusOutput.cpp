#include "StatusOutput.h"

#include "TerminalText.h"
#include "core/exchange/StatusFlagCaptions.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace quorvel {

namespace {

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

std::string flagLabel(std::size_t i) {
    const StatusFlagName& flag = StatusFlagNames()[i];
    return std::string(flag.name) + " (" + std::string(flag.text) + ")";
}

} // namespace

const std::array<StatusFlagName, kPrinterStatusFlagCount>& StatusFlagNames() {
    static const std::array<StatusFlagName, kPrinterStatusFlagCount> names = [] {
        std::array<StatusFlagName, kPrinterStatusFlagCount> made;
        for (std::size_t i = 0; i < made.size(); ++i)
            made[i] = {PrinterStatusFlagNames()[i].name, StatusFlagCaptions()[i]};
        return made;
    }();
    return names;
}

std::string StatusText(const PrinterStatusFlags& flags) {
    std::size_t nameWidth = 0, textWidth = 0;
    for (const StatusFlagName& flag : StatusFlagNames()) {
        nameWidth = std::max(nameWidth, flag.name.size());
        textWidth = std::max(textWidth, DisplayWidth(flag.text));
    }
    std::string out;
    for (std::size_t i = 0; i < flags.size(); ++i) {
        const StatusFlagName& flag = StatusFlagNames()[i];
        out += flag.name;
        out.append(nameWidth - flag.name.size() + 2, ' ');
        out += flag.text;
        out.append(textWidth - DisplayWidth(flag.text) + 2, ' ');
        out += flags[i] ? "yes\n" : "no\n";
    }
    return out;
}

QByteArray StatusJson(std::string_view mac, std::string_view ip,
                      const std::optional<PrinterStatusFlags>& flags, std::string_view time) {
    QJsonObject object{{"mac", qs(mac)}, {"ip", qs(ip)}, {"answered", flags.has_value()}};
    if (!time.empty())
        object.insert("time", qs(time));
    if (flags) {
        QJsonArray array;
        for (std::size_t i = 0; i < flags->size(); ++i)
            array.append(QJsonObject{{"name", qs(StatusFlagNames()[i].name)},
                                     {"text", qs(StatusFlagNames()[i].text)},
                                     {"set", (*flags)[i]}});
        object.insert("flags", array);
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

std::vector<std::string> StatusChanges(const std::optional<PrinterStatusFlags>& before,
                                       bool lookedBefore,
                                       const std::optional<PrinterStatusFlags>& now) {
    std::vector<std::string> lines;
    if (!now) {
        if (!lookedBefore || before)
            lines.push_back("no answer");
        return lines;
    }
    if (lookedBefore && !before)
        lines.push_back("answered");
    const PrinterStatusFlags previous = before.value_or(PrinterStatusFlags{});
    for (std::size_t i = 0; i < now->size(); ++i) {
        if ((*now)[i] && (!previous[i] || !before))
            lines.push_back(flagLabel(i) + " set");
        else if (!(*now)[i] && previous[i])
            lines.push_back(flagLabel(i) + " cleared");
    }
    if (!lookedBefore && lines.empty())
        lines.push_back("no flag set");
    return lines;
}

} // namespace quorvel
