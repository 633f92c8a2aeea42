#pragma once

#include "protocol/DeviceRecord.h"

#include <QString>
#include <cstdint>

namespace quorvel {

// The texts of one device cell, built apart from any painting.

// Only the largest nonzero unit and those below it are printed.
QString ElapsedTimeText(std::uint32_t days, std::uint8_t hours, std::uint8_t minutes,
                        std::uint8_t seconds);

// The label is printed straight against the time: it carries its own separator.
QString LeftColumnText(const DeviceRecord& record);
QString RightColumnText(const DeviceRecord& record);

QString IpLineText(const DeviceRecord& record);
QString MacLineText(const DeviceRecord& record);

} // namespace quorvel
