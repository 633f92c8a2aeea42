#include "CellText.h"

#include <QCoreApplication>

namespace quorvel {

QString ElapsedTimeText(std::uint32_t days, std::uint8_t hours, std::uint8_t minutes,
                        std::uint8_t seconds) {
    const unsigned h = hours, m = minutes, s = seconds;
    // Days are unsigned: a device reporting more than 2^31 days still gets a
    // positive count.
    if (days != 0)
        return QCoreApplication::translate("CellText", "%1天 %2小时 %3分 %4秒")
            .arg(days)
            .arg(h)
            .arg(m)
            .arg(s);
    if (hours != 0)
        return QCoreApplication::translate("CellText", "%1小时 %2分 %3秒").arg(h).arg(m).arg(s);
    if (minutes != 0)
        return QCoreApplication::translate("CellText", "%1分 %2秒").arg(m).arg(s);
    return QCoreApplication::translate("CellText", "%1秒").arg(s);
}

QString LeftColumnText(const DeviceRecord& r) {
    return QString::fromStdString(r.leftLabel) +
           ElapsedTimeText(r.leftDays, r.leftHours, r.leftMinutes, r.leftSeconds);
}

QString RightColumnText(const DeviceRecord& r) {
    return QString::fromStdString(r.rightLabel) +
           ElapsedTimeText(r.rightDays, r.rightHours, r.rightMinutes, r.rightSeconds);
}

QString IpLineText(const DeviceRecord& r) {
    const QString address = QString::asprintf("%u.%u.%u.%u", unsigned{r.ip[0]}, unsigned{r.ip[1]},
                                              unsigned{r.ip[2]}, unsigned{r.ip[3]});
    const QString mode = r.staticAddress != 0 ? QCoreApplication::translate("CellText", "静态")
                                              : QCoreApplication::translate("CellText", "动态");
    return QCoreApplication::translate("CellText", "IP Address: %1 [%2]").arg(address, mode);
}

QString MacLineText(const DeviceRecord& r) {
    const QString mac = QString::asprintf(
        "%02X-%02X-%02X-%02X-%02X-%02X", unsigned{r.mac[0]}, unsigned{r.mac[1]}, unsigned{r.mac[2]},
        unsigned{r.mac[3]}, unsigned{r.mac[4]}, unsigned{r.mac[5]});
    return QCoreApplication::translate("CellText", "MAC Address: %1").arg(mac);
}

} // namespace quorvel
