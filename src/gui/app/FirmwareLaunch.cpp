#include "FirmwareLaunch.h"

#include "CMySocket.h"
#include "CQuorvelApp.h"
#include "CQuorvelDlg.h"
#include "core/firmware/BoardReturnWatch.h"
#include "core/firmware/FirmwareImage.h"
#include "core/firmware/FirmwarePush.h"
#include "core/firmware/FirmwareText.h"
#include "core/net/TftpSocket.h"
#include "gui/dialogs/FirmwarePushDlg.h"
#include "gui/frame/AppMessageBox.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

namespace quorvel {

namespace {

std::unique_ptr<DatagramSocket> openTftpSocket() {
    if (CQuorvelApp* app = CQuorvelApp::instance(); app && app->openTftpSocket)
        return app->openTftpSocket();
    auto socket = std::make_unique<TftpSocket>();
    return socket->open() ? std::move(socket) : nullptr;
}

std::unique_ptr<DatagramSocket> openWatchSocket() {
    if (CQuorvelApp* app = CQuorvelApp::instance(); app && app->openMonitorSocket)
        return app->openMonitorSocket();
    auto socket = std::make_unique<CMySocket>();
    return socket->open() == SocketOpenResult::Opened ? std::move(socket) : nullptr;
}

} // namespace

void RunFirmwarePush(CQuorvelDlg& window, const DeviceRecord& board, const QString& path) {
    const FirmwareImage image = ReadFirmwareImage(path);
    if (image.problem != FirmwareImageProblem::None) {
        AppMessageBox(FirmwareImageProblemText(image, QDir::toNativeSeparators(path)));
        return;
    }
    errno = 0;
    std::unique_ptr<DatagramSocket> tftp = openTftpSocket();
    std::unique_ptr<DatagramSocket> watchSocket = tftp ? openWatchSocket() : nullptr;
    if (!watchSocket) {
        AppMessageBox(CQuorvelDlg::tr("无法升级固件：本程序不能再打开一个 UDP 套接字（%1）。"
                                      "请关闭不用的程序后再试。")
                          .arg(QString::fromLocal8Bit(std::strerror(errno))),
                      MessageIcon::Error);
        return;
    }
    SocketDispatch watchDispatch(std::move(watchSocket));
    BoardReturnWatch watch(watchDispatch, CQuorvelApp::instance()->ports);
    FirmwarePush push({board.ip, board.mac, board.interfaceIndex}, image.bytes, std::move(tftp),
                      &watch);
    FirmwarePushDlg dialog(push, QFileInfo(path).fileName(), &window);
    push.start();
    dialog.exec();
}

} // namespace quorvel
