#include "PlanOutput.h"

#include "ExitCode.h"
#include "TerminalText.h"
#include "protocol/SafeText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <array>
#include <vector>

namespace quorvel {

namespace {

std::string plannedText(const PlanRow& row) {
    if (row.dhcp)
        return "dhcp";
    return Ipv4Text(row.ip) + " mask " + Ipv4Text(row.mask) + " gateway " + Ipv4Text(row.gateway);
}

const char* verifiedText(const std::optional<bool>& verified) {
    return !verified ? "" : *verified ? "verified" : "not verified";
}

} // namespace

bool AnswersAsPlanned(const PlanRow& row, const DeviceRecord& record) {
    if (row.mac != record.mac)
        return false;
    if (row.dhcp)
        return record.staticAddress == 0;
    return record.staticAddress != 0 && row.ip == record.ip && row.mask == record.subnetMask &&
           row.gateway == record.gateway;
}

std::string PlanTable(std::span<const PlanOutcome> outcomes) {
    using Row = std::array<std::string, 5>;
    std::vector<Row> rows{{"LINE", "MAC", "PLANNED", "RESULT", "VERIFIED"}};
    for (const PlanOutcome& o : outcomes)
        rows.push_back({std::to_string(o.row.line), MacText(o.row.mac), plannedText(o.row),
                        SafeText(o.text, TextUse::Terminal), verifiedText(o.verified)});
    const bool withVerified =
        std::any_of(outcomes.begin(), outcomes.end(), [](auto& o) { return o.verified; });
    const std::size_t columns = withVerified ? 5 : 4;
    std::array<std::size_t, 5> widths{};
    for (const Row& row : rows)
        for (std::size_t c = 0; c < columns; ++c)
            widths[c] = std::max(widths[c], DisplayWidth(row[c]));
    std::string out;
    for (const Row& row : rows) {
        for (std::size_t c = 0; c < columns; ++c) {
            out += row[c];
            if (c + 1 < columns)
                out.append(widths[c] - DisplayWidth(row[c]) + 2, ' ');
        }
        out += '\n';
    }
    return out;
}

QByteArray PlanJson(std::span<const PlanOutcome> outcomes) {
    QJsonArray array;
    for (const PlanOutcome& o : outcomes) {
        QJsonObject object{
            {"line", o.row.line},
            {"mac", QString::fromStdString(MacText(o.row.mac))},
            {"mode", o.row.dhcp ? "DHCP" : "static"},
            {"ip", o.row.dhcp ? QJsonValue() : QString::fromStdString(Ipv4Text(o.row.ip))},
            {"mask", o.row.dhcp ? QJsonValue() : QString::fromStdString(Ipv4Text(o.row.mask))},
            {"gateway",
             o.row.dhcp ? QJsonValue() : QString::fromStdString(Ipv4Text(o.row.gateway))},
            {"result", QString::fromStdString(o.text)},
            {"succeeded", o.verdict == RowVerdict::Programmed},
        };
        if (o.verified)
            object.insert("verified", *o.verified);
        array.append(object);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact) + '\n';
}

int PlanExitCode(std::span<const PlanOutcome> outcomes) {
    bool allGood = true;
    for (const PlanOutcome& o : outcomes) {
        if (o.verdict == RowVerdict::Refused)
            return ExitRefused;
        allGood = allGood && o.verdict == RowVerdict::Programmed && o.verified.value_or(true);
    }
    return allGood ? ExitSuccess : ExitNothing;
}

} // namespace quorvel
