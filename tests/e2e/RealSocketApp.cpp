#include "RealSocketApp.h"

namespace quorvel::testing {

RealSocketApp::RealSocketApp() {
    auto real = std::make_unique<CMySocket>();
    opened = real->open();
    socket = real.get();
    app = std::make_unique<CQuorvelApp>(std::move(real));
    window = std::make_unique<CQuorvelDlg>(*app);
}

QString RealSocketApp::boardsSeeUsAs() const {
    return QStringLiteral("%1:%2")
        .arg(qEnvironmentVariable("QUORVEL_RIG_TOOL_ADDRESS"))
        .arg(socket->localPort());
}

} // namespace quorvel::testing
