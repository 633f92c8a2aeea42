#pragma once

#include "DatagramSocket.h"
#include "ExchangeDialog.h"

#include <cstdint>
#include <memory>

namespace quorvel {

class CQuorvelDlg;

constexpr std::uint32_t kMaxRemotePorts = 10;
constexpr std::uint32_t kDefaultRemotePort = 3040;

// The application: the shared socket, who owns its datagrams, the remote
// port list and the main window. One instance per process.
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

    // One waiting datagram: to the owning dialog, or read and reported.
    void OnReceive();

    DatagramSocket& socket() { return *udpSocket; }

    std::unique_ptr<DatagramSocket> udpSocket;
    std::int32_t ExchangeMode = ExchangeNone;
    ExchangeDialog* searchDialog = nullptr;
    ExchangeDialog* assignDialog = nullptr;
    ExchangeDialog* statusDialog = nullptr;
    std::uint32_t remotePorts[kMaxRemotePorts] = {kDefaultRemotePort};
    std::uint32_t remotePortCount = 1;
    CQuorvelDlg* mainDialog = nullptr;

private:
    void attachSocket();
};

} // namespace quorvel
