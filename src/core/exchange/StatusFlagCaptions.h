#pragma once

#include "protocol/PrinterStatusDatagrams.h"

#include <QString>
#include <array>

namespace quorvel {

// The caption people read for each status flag, in bit order: the status
// dialog's check boxes and the command line's status lines. These are the
// source texts; the translation keys on them in the context the dialog
// templates use.
const std::array<const char*, kPrinterStatusFlagCount>& StatusFlagCaptions();

// The caption of flag `flag`, translated.
QString StatusFlagCaption(std::size_t flag);

} // namespace quorvel
