#pragma once

#include "gui/app/CQuorvelApp.h"
#include "gui/app/CQuorvelDlg.h"
#include "core/net/UdpSocket.h"

#include <QString>
#include <memory>

namespace quorvel::testing {

// The application as the tool runs it, over the real socket, with its main
// window: what the end-to-end tests drive inside the rig.
struct RealSocketApp {
    // Without `mayForceReceiveBuffer`, the receive buffer an ordinary user gets.
    explicit RealSocketApp(bool mayForceReceiveBuffer = true);

    // How the boards of a link see this socket: "198.18.0.1:PORT", as in the
    // simulator's log.
    QString boardsSeeUsAs(int link = 1) const;

    SocketOpenResult opened = SocketOpenResult::CannotOpen;
    UdpSocket* socket = nullptr; // owned by app
    std::unique_ptr<CQuorvelApp> app;
    std::unique_ptr<CQuorvelDlg> window;
};

} // namespace quorvel::testing
