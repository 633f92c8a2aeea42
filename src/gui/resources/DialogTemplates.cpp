#include "DialogTemplates.h"

#include "core/StatusFlagCaptions.h"

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
        {1, K::DefaultPushButton, QT_TRANSLATE_NOOP("DialogTemplates", "确定"), 178, 7, 50, 14, Shown, Tab, NoStyle},
        {kStaticId, K::Static, QT_TRANSLATE_NOOP("DialogTemplates", "Patent Pending"), 40, 40, 155, 8, Shown, NoTab, NoStyle},
    }});

    t.push_back({IDD_MAIN, QT_TRANSLATE_NOOP("DialogTemplates", "Tarnex网络打印机设置程序 v1.0 "), 480, 280, kSongTi, 9, {
        {2, K::PushButton, QT_TRANSLATE_NOOP("DialogTemplates", "退出"), 416, 30, 50, 14, Shown, Tab, NoStyle},
        {1003, K::PushButton, QT_TRANSLATE_NOOP("DialogTemplates", "Add Entry"), 416, 243, 50, 9, Hidden, Tab, NoStyle},
        {1004, K::PushButton, QT_TRANSLATE_NOOP("DialogTemplates", "Clear"), 416, 256, 50, 10, Hidden, Tab, NoStyle},
        {1005, K::PushButton, QT_TRANSLATE_NOOP("DialogTemplates", "搜索"), 416, 62, 50, 14, Shown, Tab, NoStyle},
        {1006, K::AutoCheckBox, QT_TRANSLATE_NOOP("DialogTemplates", "显示 MAC 地址"), 7, 10, 79, 10, Hidden, Tab, NoStyle},
        {1007, K::AutoCheckBox, QT_TRANSLATE_NOOP("DialogTemplates", "Show Left Column"), 120, 10, 100, 10, Hidden, Tab, NoStyle},
        {1008, K::AutoCheckBox, QT_TRANSLATE_NOOP("DialogTemplates", "Show Right Column"), 220, 10, 95, 10, Hidden, Tab, NoStyle},
        {1009, K::DropDownList, "", 381, 8, 80, 55, Hidden, Tab, NoStyle},
        {kStaticId, K::Static, QT_TRANSLATE_NOOP("DialogTemplates", "排序："), 351, 11, 28, 9, Hidden, NoTab, AlignRight},
        {1013, K::PushButton, QT_TRANSLATE_NOOP("DialogTemplates", "设置端口"), 416, 134, 49, 14, Hidden, Tab, NoStyle},
        {1025, K::PushButton, QT_TRANSLATE_NOOP("DialogTemplates", "修改IP"), 416, 86, 50, 14, Shown, Tab, NoStyle},
        {1010, K::PushButton, QT_TRANSLATE_NOOP("DialogTemplates", "浏览器"), 416, 191, 50, 14, Hidden, Tab, NoStyle},
        {kStaticId, K::Static, QT_TRANSLATE_NOOP("DialogTemplates", "Quick Launch:"), 416, 177, 55, 12, Hidden, NoTab, NoStyle},
        {1011, K::PushButton, QT_TRANSLATE_NOOP("DialogTemplates", "Bootloader"), 416, 227, 50, 14, Hidden, Tab, NoStyle},
        {1012, K::PushButton, QT_TRANSLATE_NOOP("DialogTemplates", "超级终端"), 416, 209, 50, 14, Hidden, Tab, NoStyle},
        {1001, K::Custom, "Custom1", 7, 30, 400, 243, Shown, Tab, NoStyle},
        {1027, K::PushButton, QT_TRANSLATE_NOOP("DialogTemplates", "打印机状态"), 416, 110, 50, 14, Shown, Tab, NoStyle},
    }});

    t.push_back({IDD_SEARCH, QT_TRANSLATE_NOOP("DialogTemplates", "搜索设备..."), 448, 118, kSongTi, 9, {
        {1, K::DefaultPushButton, QT_TRANSLATE_NOOP("DialogTemplates", "确定"), 378, 97, 50, 14, Shown, Tab, NoStyle},
        {2, K::PushButton, QT_TRANSLATE_NOOP("DialogTemplates", "终止"), 315, 97, 50, 14, Shown, Tab, NoStyle},
        {1014, K::ProgressBar, "Progress1", 7, 14, 434, 14, Shown, NoTab, NoStyle},
        {1015, K::Edit, "", 7, 28, 434, 13, Shown, Tab, ReadOnly | AlignCenter},
        {1016, K::Edit, "", 33, 55, 110, 13, Shown, Tab, ReadOnly | AlignCenter},
        {1017, K::AutoCheckBox, QT_TRANSLATE_NOOP("DialogTemplates", "循环定时"), 291, 53, 135, 10, Shown, Tab, NoStyle},
        {1018, K::AutoCheckBox, QT_TRANSLATE_NOOP("DialogTemplates", "搜索完成后自动关闭本窗口"), 291, 65, 150, 10, Shown, Tab, NoStyle},
    }});

    t.push_back({IDD_ASSIGN, QT_TRANSLATE_NOOP("DialogTemplates", "分配IP地址"), 260, 134, kSongTi, 9, {
        {kStaticId, K::Static, QT_TRANSLATE_NOOP("DialogTemplates", "IP地址："), 12, 14, 52, 10, Shown, NoTab, AlignRight},
        {1018, K::IpAddress, "", 68, 12, 100, 14, Shown, Tab, NoStyle},
        {kStaticId, K::Static, QT_TRANSLATE_NOOP("DialogTemplates", "子网掩码："), 12, 32, 52, 10, Shown, NoTab, AlignRight},
        {1019, K::IpAddress, "", 68, 30, 100, 14, Shown, Tab, NoStyle},
        {kStaticId, K::Static, QT_TRANSLATE_NOOP("DialogTemplates", "默认网关："), 12, 50, 52, 10, Shown, NoTab, AlignRight},
        {1020, K::IpAddress, "", 68, 48, 100, 14, Shown, Tab, NoStyle},
        {1026, K::AutoCheckBox, QT_TRANSLATE_NOOP("DialogTemplates", "使用DHCP"), 180, 14, 72, 10, Shown, Tab, NoStyle},
        {1023, K::AutoCheckBox, QT_TRANSLATE_NOOP("DialogTemplates", "循环定时"), 180, 32, 72, 10, Shown, Tab, NoStyle},
        {1022, K::AutoCheckBox, QT_TRANSLATE_NOOP("DialogTemplates", "成功后关闭窗口"), 180, 50, 76, 10, Shown, Tab, NoStyle},
        {1024, K::AutoCheckBox, QT_TRANSLATE_NOOP("DialogTemplates", "Use Ping Gleaning"), 180, 62, 76, 10, Hidden, Tab, NoStyle},
        {1021, K::ProgressBar, "", 12, 72, 236, 12, Shown, NoTab, Bordered},
        {1011, K::Edit, "", 12, 88, 236, 13, Shown, Tab, ReadOnly | AlignCenter},
        {1, K::DefaultPushButton, QT_TRANSLATE_NOOP("DialogTemplates", "确定"), 138, 112, 50, 14, Shown, Tab, NoStyle},
        {2, K::PushButton, QT_TRANSLATE_NOOP("DialogTemplates", "取消"), 198, 112, 50, 14, Shown, Tab, NoStyle},
    }});

    t.push_back({IDD_FRAME_DEFAULT, QT_TRANSLATE_NOOP("DialogTemplates", "对话框"), 186, 95, kSongTi, 9, {
        {1, K::DefaultPushButton, QT_TRANSLATE_NOOP("DialogTemplates", "确定"), 129, 7, 50, 14, Shown, Tab, NoStyle},
        {2, K::PushButton, QT_TRANSLATE_NOOP("DialogTemplates", "取消"), 129, 24, 50, 14, Shown, Tab, NoStyle},
    }});

    t.push_back({IDD_PORTS, QT_TRANSLATE_NOOP("DialogTemplates", "设置端口"), 170, 128, kSongTi, 9, {
        {kStaticId, K::Static, QT_TRANSLATE_NOOP("DialogTemplates", "远程UDP端口："), 7, 7, 80, 9, Shown, NoTab, NoStyle},
        {1010, K::ListBox, "", 7, 18, 80, 102, Shown, Tab, Sorted | Bordered},
        {1011, K::Edit, "", 95, 18, 68, 13, Shown, Tab, DigitsOnly},
        {1012, K::DefaultPushButton, QT_TRANSLATE_NOOP("DialogTemplates", "添加"), 95, 36, 68, 14, Shown, Tab, NoStyle},
        {1013, K::PushButton, QT_TRANSLATE_NOOP("DialogTemplates", "删除"), 95, 54, 68, 14, Shown, Tab, NoStyle},
        {1, K::PushButton, QT_TRANSLATE_NOOP("DialogTemplates", "确定"), 95, 88, 68, 14, Shown, Tab, NoStyle},
        {2, K::PushButton, QT_TRANSLATE_NOOP("DialogTemplates", "取消"), 95, 106, 68, 14, Shown, Tab, NoStyle},
    }});

    const auto& flag = StatusFlagCaptions();
    t.push_back({IDD_PRINTER_STATUS, QT_TRANSLATE_NOOP("DialogTemplates", "打印机状态"), 230, 170, kShellDlg, 8, {
        {1, K::DefaultPushButton, QT_TRANSLATE_NOOP("DialogTemplates", "确定"), 173, 149, 50, 14, Shown, Tab, NoStyle},
        {1026, K::CheckBox, flag[0], 42, 20, 53, 10, Shown, Tab, NoStyle},
        {1028, K::CheckBox, flag[1], 42, 36, 32, 10, Shown, Tab, NoStyle},
        {1029, K::CheckBox, flag[2], 42, 52, 64, 10, Shown, Tab, NoStyle},
        {1030, K::CheckBox, flag[3], 42, 68, 32, 10, Shown, Tab, NoStyle},
        {1031, K::CheckBox, flag[4], 42, 84, 50, 10, Shown, Tab, NoStyle},
        {1032, K::CheckBox, flag[5], 42, 100, 36, 10, Shown, Tab, NoStyle},
        {1033, K::CheckBox, flag[6], 42, 116, 72, 10, Shown, Tab, NoStyle},
        {1034, K::CheckBox, flag[7], 42, 132, 48, 10, Shown, Tab, NoStyle},
        {1035, K::CheckBox, flag[8], 118, 20, 56, 10, Shown, Tab, NoStyle},
        {1036, K::CheckBox, flag[9], 118, 36, 72, 10, Shown, Tab, NoStyle},
        {1037, K::CheckBox, flag[10], 118, 52, 64, 10, Shown, Tab, NoStyle},
        {1038, K::CheckBox, flag[11], 118, 68, 72, 10, Shown, Tab, NoStyle},
        {1039, K::CheckBox, flag[12], 118, 84, 40, 10, Shown, Tab, NoStyle},
        {1040, K::CheckBox, flag[13], 118, 100, 32, 10, Shown, Tab, NoStyle},
        {1041, K::PushButton, QT_TRANSLATE_NOOP("DialogTemplates", "刷新"), 118, 149, 50, 14, Shown, Tab, NoStyle},
        {1014, K::ProgressBar, "", 118, 116, 80, 14, Shown, NoTab, Bordered},
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
