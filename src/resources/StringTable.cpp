#include "StringTable.h"

namespace quorvel {

QString LoadResourceString(int id) {
    switch (id) {
    case IDS_ABOUTBOX:
        return QStringLiteral("&About quorvel...");
    case IDS_SOCKETS_INIT_FAILED:
        return QStringLiteral("Windows sockets initialization failed.");
    default:
        return {};
    }
}

} // namespace quorvel
