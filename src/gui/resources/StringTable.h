#pragma once

#include <QString>

namespace quorvel {

enum StringId {
    IDS_ABOUTBOX = 101,
    IDS_SOCKETS_INIT_FAILED = 103,
};

// The text of a string resource in the user's language; empty when there is
// none with that id.
QString LoadResourceString(int id);

} // namespace quorvel
