#include "CQuorvelApp.h"

#include "CQuorvelDlg.h"
#include "MessageBoxSink.h"
#include "gui/frame/AppMessageBox.h"
#include "CMySocket.h"
#include "gui/resources/StringTable.h"

#include <QCoreApplication>
#include <cstdlib>
#include <ctime>

namespace quorvel {

namespace {

CQuorvelApp* g_instance = nullptr;

// The program's messages are boxes, unless someone (a test) already takes them.
class MessageBoxesInstalled {
public:
    MessageBoxesInstalled() : m_previous(SetMessageSink(nullptr)) {
        SetMessageSink(m_previous ? m_previous : &m_boxes);
    }
    ~MessageBoxesInstalled() { SetMessageSink(m_previous); }
    MessageBoxesInstalled(const MessageBoxesInstalled&) = delete;
    MessageBoxesInstalled& operator=(const MessageBoxesInstalled&) = delete;

private:
    MessageBoxSink m_boxes;
    MessageSink* m_previous;
};

} // namespace

CQuorvelApp::CQuorvelApp(std::unique_ptr<DatagramSocket> socket) : dispatch(std::move(socket)) {
    g_instance = this;
}

CQuorvelApp::~CQuorvelApp() {
    if (g_instance == this)
        g_instance = nullptr;
}

CQuorvelApp* CQuorvelApp::instance() {
    return g_instance;
}

int CQuorvelApp::InitInstance() {
    const MessageBoxesInstalled boxes;
    if (!dispatch.socket()) {
        auto socket = std::make_unique<CMySocket>();
        const SocketOpenResult opened = socket->open();
        if (opened == SocketOpenResult::PlatformUnavailable) {
            AppMessageBox(LoadResourceString(IDS_SOCKETS_INIT_FAILED));
            return 1;
        }
        if (opened == SocketOpenResult::CannotOpen)
            AppMessageBox(QCoreApplication::translate("CQuorvelApp", "Cannot Open Socket"));
        dispatch.setSocket(std::move(socket));
    }
    std::srand(static_cast<unsigned>(static_cast<std::uint32_t>(std::time(nullptr))));
    {
        CQuorvelDlg dialog(*this);
        dialog.exec();
    }
    dispatch.socket()->close();
    return 0;
}

} // namespace quorvel
