#pragma once

#include "core/firmware/FirmwareImage.h"
#include "core/firmware/FirmwarePush.h"

#include <QString>

namespace quorvel {

// Why the image at `path` cannot be sent; empty when it can.
QString FirmwareImageProblemText(const FirmwareImage& image, const QString& path);
// How a transfer to `address` ended, in the user's words.
QString TftpOutcomeText(const TftpOutcome& outcome, const QString& address);
// The verdict on one board: sent (and back or not), or what went wrong.
QString FirmwareVerdictText(const FirmwarePush& push);

} // namespace quorvel
