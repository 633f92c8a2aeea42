#pragma once

#include "protocol/DeviceRecord.h"

#include <QString>

namespace quorvel {

// One board as text to paste elsewhere: a "label: value" line per column of
// the shared board columns (those of the export). The elapsed times carry
// the board's own labels; an unknown interface is left out.
QString BoardClipboardText(const DeviceRecord& record, const QString& interfaceName = {});

} // namespace quorvel
