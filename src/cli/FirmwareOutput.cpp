#include "FirmwareOutput.h"

#include "ExitCode.h"
#include "TerminalText.h"
#include "protocol/SafeText.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quorvel {

namespace {

std::string macText(const FirmwareReport& r) {
    return r.mac ? MacText(*r.mac) : std::string("-");
}

std::string ipText(const FirmwareReport& r) {
    return r.ip ? Ipv4Text(*r.ip) : std::string("-");
}

std::string padded(std::string text, std::size_t width) {
    text.resize(std::max(text.size(), width), ' ');
    return text;
}

const char* resultName(FirmwareReport::Result result) {
    switch (result) {
    case FirmwareReport::Result::Sent:
        return "sent";
    case FirmwareReport::Result::Interrupted:
        return "interrupted";
    case FirmwareReport::Result::Failed:
        break;
    }
    return "failed";
}

} // namespace

std::string FirmwareLine(const FirmwareReport& r) {
    char figures[96];
    std::snprintf(figures, sizeof figures, " (%llu bytes in %.1f s)",
                  static_cast<unsigned long long>(r.bytesSent), r.seconds);
    return padded(macText(r), 19) + padded(ipText(r), 17) + SafeText(r.text, TextUse::Terminal) +
           (r.size ? figures : "") + "\n";
}

QByteArray FirmwareJsonLine(const FirmwareReport& r) {
    const QJsonObject object{
        {"mac", r.mac ? QJsonValue(QString::fromStdString(MacText(*r.mac))) : QJsonValue()},
        {"ip", r.ip ? QJsonValue(QString::fromStdString(Ipv4Text(*r.ip))) : QJsonValue()},
        {"file", QString::fromStdString(r.file)},
        {"bytes_sent", qint64(r.bytesSent)},
        {"size", qint64(r.size)},
        {"seconds", std::round(r.seconds * 1000) / 1000},
        {"result", resultName(r.result)},
        {"back", r.back ? QJsonValue(*r.back) : QJsonValue()},
        {"text", QString::fromStdString(r.text)},
    };
    // The verdict may quote a TFTP server's error message.
    return QByteArray::fromStdString(
               SafeText(QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString(),
                        TextUse::JsonDocument)) +
           '\n';
}

std::string FirmwareProgressLine(const FirmwareReport& r, bool waiting) {
    std::string state;
    if (waiting) {
        state = "sent; waiting for the board to answer again";
    } else {
        char figures[96];
        std::snprintf(figures, sizeof figures, "sending %3d%%  %llu of %llu bytes",
                      r.size ? int(r.bytesSent * 100 / r.size) : 0,
                      static_cast<unsigned long long>(r.bytesSent),
                      static_cast<unsigned long long>(r.size));
        state = figures;
    }
    return padded(macText(r), 19) + padded(ipText(r), 17) + state;
}

int FirmwareExitCode(std::span<const FirmwareReport> reports, bool waited) {
    const bool all = std::all_of(reports.begin(), reports.end(), [waited](const auto& r) {
        return r.result == FirmwareReport::Result::Sent && (!waited || r.back.value_or(false));
    });
    return all ? ExitSuccess : ExitNothing;
}

} // namespace quorvel
