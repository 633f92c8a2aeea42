#include "CQuorvelApp.h"

#include "AppMessageBox.h"
#include "CMySocket.h"
#include "CQuorvelDlg.h"
#include "resources/StringTable.h"

#include <cstdlib>
#include <ctime>

namespace quorvel {

namespace {
CQuorvelApp* g_instance = nullptr;
}

CQuorvelApp::CQuorvelApp(std::unique_ptr<DatagramSocket> socket) : udpSocket(std::move(socket)) {
    g_instance = this;
    if (udpSocket)
        attachSocket();
}

CQuorvelApp::~CQuorvelApp() {
    if (udpSocket)
        udpSocket->onReadyRead = nullptr;
    if (g_instance == this)
        g_instance = nullptr;
}

CQuorvelApp* CQuorvelApp::instance() {
    return g_instance;
}

void CQuorvelApp::attachSocket() {
    udpSocket->onReadyRead = [this] { OnReceive(); };
}

int CQuorvelApp::InitInstance() {
    if (!udpSocket) {
        auto socket = std::make_unique<CMySocket>();
        const SocketOpenResult opened = socket->open();
        if (opened == SocketOpenResult::PlatformUnavailable) {
            AppMessageBox(IDS_SOCKETS_INIT_FAILED);
            return 1;
        }
        if (opened == SocketOpenResult::CannotOpen)
            AppMessageBox(QStringLiteral("Cannot Open Socket"));
        udpSocket = std::move(socket);
        attachSocket();
    }
    std::srand(static_cast<unsigned>(static_cast<std::uint32_t>(std::time(nullptr))));
    {
        CQuorvelDlg dialog;
        dialog.exec();
    }
    udpSocket->close();
    return 0;
}

void CQuorvelApp::OnReceive() {
    ExchangeDialog* owner = ExchangeMode == ExchangeSearch          ? searchDialog
                            : ExchangeMode == ExchangeAssign        ? assignDialog
                            : ExchangeMode == ExchangePrinterStatus ? statusDialog
                                                                    : nullptr;
    if (owner) {
        owner->HandleReply();
        return;
    }
    ReceiveBuffer buffer;
    buffer.read(*udpSocket);
    AppMessageBox(QStringLiteral("Recevied an out-of-place Packet -- Discarding"));
}

} // namespace quorvel
