#pragma once

#include "protocol/Addresses.h"

#include <QByteArray>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace quorvel {

// What became of one board of a firmware run.
struct FirmwareReport {
    enum class Result { Sent, Failed, Interrupted };
    std::optional<MacAddress> mac; // unknown when no board answered at the address
    std::optional<Ipv4Address> ip; // unknown when no board with the MAC answered
    std::string file;
    std::uint64_t bytesSent = 0; // acknowledged by the board
    std::uint64_t size = 0;
    double seconds = 0; // the transfer's
    Result result = Result::Failed;
    std::optional<bool> back; // whether it answered a search again; unknown without the wait
    std::string text;         // the verdict in words
};

// "MAC  IP  TEXT (BYTES bytes in SECONDS s)", one line.
std::string FirmwareLine(const FirmwareReport& report);
// One JSON object and a line feed.
QByteArray FirmwareJsonLine(const FirmwareReport& report);
// One board in flight on the progress block: its bytes so far, or the wait.
std::string FirmwareProgressLine(const FirmwareReport& report, bool waiting);
// 0 when every board got the whole image and, with `waited`, answered again.
int FirmwareExitCode(std::span<const FirmwareReport> reports, bool waited);

} // namespace quorvel
