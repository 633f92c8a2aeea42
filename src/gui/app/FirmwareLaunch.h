#pragma once

#include <QString>

namespace quorvel {

class CQuorvelDlg;
struct DeviceRecord;

// The boot loader command once a file is chosen: the image checked and read,
// then pushed to `board` in the firmware dialog, which waits for the board on
// a socket of its own, never the shared one.
void RunFirmwarePush(CQuorvelDlg& window, const DeviceRecord& board, const QString& path);

} // namespace quorvel
