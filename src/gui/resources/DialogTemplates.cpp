#include "DialogTemplates.h"

#include "core/exchange/StatusFlagCaptions.h"

#include <QCoreApplication>
#include <stdexcept>

namespace quorvel {

namespace {

using K = ControlKind;
constexpr bool Shown = true;
constexpr bool Hidden = false;
constexpr bool Tab = true;
constexpr bool NoTab = false;

const char* const kSongTi = "宋体";
const char* const kShellDlg = "MS Shell Dlg";

std::vector<DialogTemplate> makeTemplates() {
    std::vector<DialogTemplate> t;
    // clang-format off

    t.push_back({IDD_ABOUTBOX, QT_TRANSLATE_NOOP("DialogTemplates", "关于..."), 235, 55, kShellDlg, 8, {
        {kStaticId, K::Static, QT_TRANSLATE_NOOP("DialogTemplates", "Quorvel Version 1.0 "), 40, 10, 119, 8, Shown, NoTab, NoPrefix},
        {AboutControl::Ok, K::DefaultPushButton, QT_TRANSLATE_NOOP("DialogTemplates", "确定"), 178, 7, 50, 14, Shown, Tab, NoStyle},
        {kStaticId, K::Static, QT_TRANSLATE_NOOP("DialogTemplates", "Patent Pending"), 40, 40, 155, 8, Shown, NoTab, NoStyle},
    }});

    t.push_back({IDD_MAIN, QT_TRANSLATE_NOOP("DialogTemplates", "Tarnex网络打印机设置程序 v1.0 "), 480, 280, kSongTi, 9, {
        {MainControl::Exit, K::PushButton, QT_TRANSLATE_NOOP("DialogTemplates", "退出"), 416, 30, 50, 14, Shown, Tab, NoStyle},
        {MainControl::AddEntry, K::PushButton, QT_TRANSLATE_NOOP("DialogTemplates", "Add Entry"), 416, 243, 50, 9, Hidden, Tab, NoStyle},
        {MainControl::Clear, K::PushButton, QT_TRANSLATE_NOOP("DialogTemplates", "Clear"), 416, 256, 50, 10, Hidden, Tab, NoStyle},
        {MainControl::Search, K::PushButton, QT_TRANSLATE_NOOP("DialogTemplates", "搜索"), 416, 62, 50, 14, Shown, Tab, NoStyle},
        {MainControl::ShowMac, K::AutoCheckBox, QT_TRANSLATE_NOOP("DialogTemplates", "显示 MAC 地址"), 7, 10, 79, 10, Hidden, Tab, NoStyle},
        {MainControl::ShowLeftColumn, K::AutoCheckBox, QT_TRANSLATE_NOOP("DialogTemplates", "Show Left Column"), 120, 10, 100, 10, Hidden, Tab, NoStyle},
        {MainControl::ShowRightColumn, K::AutoCheckBox, QT_TRANSLATE_NOOP("DialogTemplates", "Show Right Column"), 220, 10, 95, 10, Hidden, Tab, NoStyle},
        {MainControl::SortOrder, K::DropDownList, "", 381, 8, 80, 55, Hidden, Tab, NoStyle},
        {kStaticId, K::Static, QT_TRANSLATE_NOOP("DialogTemplates", "排序："), 351, 11, 28, 9, Hidden, NoTab, AlignRight},
        {MainControl::SetPorts, K::PushButton, QT_TRANSLATE_NOOP("DialogTemplates", "设置端口"), 416, 134, 49, 14, Hidden, Tab, NoStyle},
        {MainControl::ModifyIp, K::PushButton, QT_TRANSLATE_NOOP("DialogTemplates", "修改IP"), 416, 86, 50, 14, Shown, Tab, NoStyle},
        {MainControl::Browser, K::PushButton, QT_TRANSLATE_NOOP("DialogTemplates", "浏览器"), 416, 191, 50, 14, Hidden, Tab, NoStyle},
        {kStaticId, K::Static, QT_TRANSLATE_NOOP("DialogTemplates", "Quick Launch:"), 416, 177, 55, 12, Hidden, NoTab, NoStyle},
        {MainControl::Bootloader, K::PushButton, QT_TRANSLATE_NOOP("DialogTemplates", "Bootloader"), 416, 227, 50, 14, Hidden, Tab, NoStyle},
        {MainControl::Telnet, K::PushButton, QT_TRANSLATE_NOOP("DialogTemplates", "超级终端"), 416, 209, 50, 14, Hidden, Tab, NoStyle},
        {MainControl::BoardList, K::Custom, "Custom1", 7, 30, 400, 243, Shown, Tab, NoStyle},
        {MainControl::PrinterStatus, K::PushButton, QT_TRANSLATE_NOOP("DialogTemplates", "打印机状态"), 416, 110, 50, 14, Shown, Tab, NoStyle},
    }});

    t.push_back({IDD_SEARCH, QT_TRANSLATE_NOOP("DialogTemplates", "搜索设备..."), 448, 118, kSongTi, 9, {
        {SearchControl::Ok, K::DefaultPushButton, QT_TRANSLATE_NOOP("DialogTemplates", "确定"), 378, 97, 50, 14, Shown, Tab, NoStyle},
        {SearchControl::Stop, K::PushButton, QT_TRANSLATE_NOOP("DialogTemplates", "终止"), 315, 97, 50, 14, Shown, Tab, NoStyle},
        {SearchControl::Countdown, K::ProgressBar, "Progress1", 7, 14, 434, 14, Shown, NoTab, NoStyle},
        {SearchControl::RemainingText, K::Edit, "", 7, 28, 434, 13, Shown, Tab, ReadOnly | AlignCenter},
        {SearchControl::FoundText, K::Edit, "", 33, 55, 110, 13, Shown, Tab, ReadOnly | AlignCenter},
        {SearchControl::Repeat, K::AutoCheckBox, QT_TRANSLATE_NOOP("DialogTemplates", "循环定时"), 291, 53, 135, 10, Shown, Tab, NoStyle},
        {SearchControl::CloseWhenComplete, K::AutoCheckBox, QT_TRANSLATE_NOOP("DialogTemplates", "搜索完成后自动关闭本窗口"), 291, 65, 150, 10, Shown, Tab, NoStyle},
    }});

    t.push_back({IDD_ASSIGN, QT_TRANSLATE_NOOP("DialogTemplates", "分配IP地址"), 260, 134, kSongTi, 9, {
        {kStaticId, K::Static, QT_TRANSLATE_NOOP("DialogTemplates", "IP地址："), 12, 14, 52, 10, Shown, NoTab, AlignRight},
        {AssignControl::IpAddress, K::IpAddress, "", 68, 12, 100, 14, Shown, Tab, NoStyle},
        {kStaticId, K::Static, QT_TRANSLATE_NOOP("DialogTemplates", "子网掩码："), 12, 32, 52, 10, Shown, NoTab, AlignRight},
        {AssignControl::SubnetMask, K::IpAddress, "", 68, 30, 100, 14, Shown, Tab, NoStyle},
        {kStaticId, K::Static, QT_TRANSLATE_NOOP("DialogTemplates", "默认网关："), 12, 50, 52, 10, Shown, NoTab, AlignRight},
        {AssignControl::Gateway, K::IpAddress, "", 68, 48, 100, 14, Shown, Tab, NoStyle},
        {AssignControl::UseDhcp, K::AutoCheckBox, QT_TRANSLATE_NOOP("DialogTemplates", "使用DHCP"), 180, 14, 72, 10, Shown, Tab, NoStyle},
        {AssignControl::Repeat, K::AutoCheckBox, QT_TRANSLATE_NOOP("DialogTemplates", "循环定时"), 180, 32, 72, 10, Shown, Tab, NoStyle},
        {AssignControl::CloseOnSuccess, K::AutoCheckBox, QT_TRANSLATE_NOOP("DialogTemplates", "成功后关闭窗口"), 180, 50, 76, 10, Shown, Tab, NoStyle},
        {AssignControl::PingGleaning, K::AutoCheckBox, QT_TRANSLATE_NOOP("DialogTemplates", "Use Ping Gleaning"), 180, 62, 76, 10, Hidden, Tab, NoStyle},
        {AssignControl::Countdown, K::ProgressBar, "", 12, 72, 236, 12, Shown, NoTab, Bordered},
        {AssignControl::StatusLine, K::Edit, "", 12, 88, 236, 13, Shown, Tab, ReadOnly | AlignCenter},
        {AssignControl::Ok, K::DefaultPushButton, QT_TRANSLATE_NOOP("DialogTemplates", "确定"), 138, 112, 50, 14, Shown, Tab, NoStyle},
        {AssignControl::Cancel, K::PushButton, QT_TRANSLATE_NOOP("DialogTemplates", "取消"), 198, 112, 50, 14, Shown, Tab, NoStyle},
    }});

    t.push_back({IDD_FRAME_DEFAULT, QT_TRANSLATE_NOOP("DialogTemplates", "对话框"), 186, 95, kSongTi, 9, {
        {FrameDefaultControl::Ok, K::DefaultPushButton, QT_TRANSLATE_NOOP("DialogTemplates", "确定"), 129, 7, 50, 14, Shown, Tab, NoStyle},
        {FrameDefaultControl::Cancel, K::PushButton, QT_TRANSLATE_NOOP("DialogTemplates", "取消"), 129, 24, 50, 14, Shown, Tab, NoStyle},
    }});

    t.push_back({IDD_PORTS, QT_TRANSLATE_NOOP("DialogTemplates", "设置端口"), 170, 128, kSongTi, 9, {
        {kStaticId, K::Static, QT_TRANSLATE_NOOP("DialogTemplates", "远程UDP端口："), 7, 7, 80, 9, Shown, NoTab, NoStyle},
        {PortsControl::PortList, K::ListBox, "", 7, 18, 80, 102, Shown, Tab, Sorted | Bordered},
        {PortsControl::PortField, K::Edit, "", 95, 18, 68, 13, Shown, Tab, DigitsOnly},
        {PortsControl::Add, K::DefaultPushButton, QT_TRANSLATE_NOOP("DialogTemplates", "添加"), 95, 36, 68, 14, Shown, Tab, NoStyle},
        {PortsControl::Remove, K::PushButton, QT_TRANSLATE_NOOP("DialogTemplates", "删除"), 95, 54, 68, 14, Shown, Tab, NoStyle},
        {PortsControl::Ok, K::PushButton, QT_TRANSLATE_NOOP("DialogTemplates", "确定"), 95, 88, 68, 14, Shown, Tab, NoStyle},
        {PortsControl::Cancel, K::PushButton, QT_TRANSLATE_NOOP("DialogTemplates", "取消"), 95, 106, 68, 14, Shown, Tab, NoStyle},
    }});

    const auto& flag = StatusFlagCaptions();
    t.push_back({IDD_PRINTER_STATUS, QT_TRANSLATE_NOOP("DialogTemplates", "打印机状态"), 230, 170, kShellDlg, 8, {
        {PrinterStatusControl::Ok, K::DefaultPushButton, QT_TRANSLATE_NOOP("DialogTemplates", "确定"), 173, 149, 50, 14, Shown, Tab, NoStyle},
        {PrinterStatusControl::DrawerPin3High, K::CheckBox, flag[0], 42, 20, 53, 10, Shown, Tab, NoStyle},
        {PrinterStatusControl::Offline, K::CheckBox, flag[1], 42, 36, 32, 10, Shown, Tab, NoStyle},
        {PrinterStatusControl::WaitingOnlineRecovery, K::CheckBox, flag[2], 42, 52, 64, 10, Shown, Tab, NoStyle},
        {PrinterStatusControl::PaperFeed, K::CheckBox, flag[3], 42, 68, 32, 10, Shown, Tab, NoStyle},
        {PrinterStatusControl::CoverOpen, K::CheckBox, flag[4], 42, 84, 50, 10, Shown, Tab, NoStyle},
        {PrinterStatusControl::PaperFeed2, K::CheckBox, flag[5], 42, 100, 36, 10, Shown, Tab, NoStyle},
        {PrinterStatusControl::StoppedNoPaper, K::CheckBox, flag[6], 42, 116, 72, 10, Shown, Tab, NoStyle},
        {PrinterStatusControl::ErrorOccurred, K::CheckBox, flag[7], 42, 132, 48, 10, Shown, Tab, NoStyle},
        {PrinterStatusControl::RecoverableError, K::CheckBox, flag[8], 118, 20, 56, 10, Shown, Tab, NoStyle},
        {PrinterStatusControl::CutterError, K::CheckBox, flag[9], 118, 36, 72, 10, Shown, Tab, NoStyle},
        {PrinterStatusControl::UnrecoverableError, K::CheckBox, flag[10], 118, 52, 64, 10, Shown, Tab, NoStyle},
        {PrinterStatusControl::AutoRecoverableError, K::CheckBox, flag[11], 118, 68, 72, 10, Shown, Tab, NoStyle},
        {PrinterStatusControl::PaperNearEnd, K::CheckBox, flag[12], 118, 84, 40, 10, Shown, Tab, NoStyle},
        {PrinterStatusControl::PaperOut, K::CheckBox, flag[13], 118, 100, 32, 10, Shown, Tab, NoStyle},
        {PrinterStatusControl::Refresh, K::PushButton, QT_TRANSLATE_NOOP("DialogTemplates", "刷新"), 118, 149, 50, 14, Shown, Tab, NoStyle},
        {PrinterStatusControl::WaitProgress, K::ProgressBar, "", 118, 116, 80, 14, Shown, NoTab, Bordered},
    }});

    // clang-format on
    return t;
}

} // namespace

QString TemplateText(const char* text) {
    return QCoreApplication::translate("DialogTemplates", text);
}

const DialogTemplate& FindDialogTemplate(int id) {
    static const std::vector<DialogTemplate> templates = makeTemplates();
    for (const DialogTemplate& dialog : templates)
        if (dialog.id == id)
            return dialog;
    throw std::out_of_range("no dialog template with this id");
}

} // namespace quorvel
