#include "StringTable.h"

#include <QCoreApplication>

namespace quorvel {

namespace {

const char* sourceText(int id) {
    switch (id) {
    case IDS_ABOUTBOX:
        return QT_TRANSLATE_NOOP("StringTable", "&About quorvel...");
    case IDS_SOCKETS_INIT_FAILED:
        return QT_TRANSLATE_NOOP("StringTable", "Windows sockets initialization failed.");
    default:
        return nullptr;
    }
}

} // namespace

QString LoadResourceString(int id) {
    const char* text = sourceText(id);
    return text ? QCoreApplication::translate("StringTable", text) : QString();
}

} // namespace quorvel
