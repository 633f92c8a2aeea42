#pragma once

#include "core/exchange/DeviceTable.h"
#include "core/exchange/RemotePortList.h"
#include "core/net/SocketDispatch.h"

#include <functional>
#include <memory>

namespace quorvel {

// The application: the shared socket and who owns its datagrams, the remote
// port list and the boards found. One instance per process.
class CQuorvelApp {
public:
    // A null socket means the real one, opened by InitInstance.
    explicit CQuorvelApp(std::unique_ptr<DatagramSocket> socket = nullptr);
    ~CQuorvelApp();
    CQuorvelApp(const CQuorvelApp&) = delete;
    CQuorvelApp& operator=(const CQuorvelApp&) = delete;

    static CQuorvelApp* instance();

    // Start-up: opens the socket, seeds the generator, runs the main window
    // modally, closes the socket. Returns the process exit code.
    int InitInstance();

    // Opens the printer overview's socket (and the one a firmware push waits
    // for its board on): a real one unless set (tests hand in an in-memory
    // one). Nothing when it cannot be opened.
    std::function<std::unique_ptr<DatagramSocket>()> openMonitorSocket;
    // Opens a firmware transfer's socket, likewise.
    std::function<std::unique_ptr<DatagramSocket>()> openTftpSocket;

    SocketDispatch dispatch;
    RemotePortList ports;
    DeviceTable devices;
};

} // namespace quorvel
