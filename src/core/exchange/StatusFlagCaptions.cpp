#include "core/exchange/StatusFlagCaptions.h"

#include <QCoreApplication>

namespace quorvel {

const std::array<const char*, kPrinterStatusFlagCount>& StatusFlagCaptions() {
    static const std::array<const char*, kPrinterStatusFlagCount> captions{{
        QT_TRANSLATE_NOOP("DialogTemplates", "钱箱pin3高"),
        QT_TRANSLATE_NOOP("DialogTemplates", "脱机"),
        QT_TRANSLATE_NOOP("DialogTemplates", "等待在线恢复"),
        QT_TRANSLATE_NOOP("DialogTemplates", "走纸"),
        QT_TRANSLATE_NOOP("DialogTemplates", "上盖打开"),
        QT_TRANSLATE_NOOP("DialogTemplates", "走纸"),
        QT_TRANSLATE_NOOP("DialogTemplates", "因缺纸打印中断"),
        QT_TRANSLATE_NOOP("DialogTemplates", "错误发生"),
        QT_TRANSLATE_NOOP("DialogTemplates", "可恢复故障"),
        QT_TRANSLATE_NOOP("DialogTemplates", "自动切纸刀故障"),
        QT_TRANSLATE_NOOP("DialogTemplates", "不可恢复故障"),
        QT_TRANSLATE_NOOP("DialogTemplates", "可自动恢复故障"),
        QT_TRANSLATE_NOOP("DialogTemplates", "纸将尽"),
        QT_TRANSLATE_NOOP("DialogTemplates", "缺纸"),
    }};
    return captions;
}

QString StatusFlagCaption(std::size_t flag) {
    return QCoreApplication::translate("DialogTemplates", StatusFlagCaptions().at(flag));
}

} // namespace quorvel
