#include "RealSocketApp.h"

namespace quorvel::testing {

RealSocketApp::RealSocketApp(bool mayForceReceiveBuffer) {
    auto real = std::make_unique<UdpSocket>();
    opened = real->open(mayForceReceiveBuffer);
    socket = real.get();
    app = std::make_unique<CQuorvelApp>(std::move(real));
    window = std::make_unique<CQuorvelDlg>(*app);
}

QString RealSocketApp::boardsSeeUsAs(int link) const {
    return QStringLiteral("%1:%2")
        .arg(qEnvironmentVariable(link == 2 ? "QUORVEL_RIG_TOOL_ADDRESS_2"
                                            : "QUORVEL_RIG_TOOL_ADDRESS"))
        .arg(socket->localPort());
}

} // namespace quorvel::testing
