#pragma once

#include <QString>
#include <vector>

namespace quorvel {

enum class ControlKind {
    PushButton,
    DefaultPushButton,
    AutoCheckBox,
    CheckBox, // not automatic: a click does not change it
    DropDownList,
    Static,
    ProgressBar,
    Edit,
    ListBox,
    IpAddress,
    Custom,
};

enum ControlStyle : unsigned {
    NoStyle = 0,
    AlignRight = 1u << 0,
    AlignCenter = 1u << 1,
    ReadOnly = 1u << 2,
    DigitsOnly = 1u << 3,
    Sorted = 1u << 4,
    NoPrefix = 1u << 5,
    Bordered = 1u << 6,
};

constexpr int kStaticId = -1;

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char* text;        // UTF-8
    int x, y, width, height; // dialog units
    bool visible;
    bool tabStop;
    unsigned style;
};

struct DialogTemplate {
    int id;
    const char* title; // UTF-8
    int width, height; // dialog units
    const char* fontFace;
    int pointSize;
    std::vector<ControlTemplate> controls; // template order is tab order
};

enum TemplateId {
    IDD_ABOUTBOX = 100,
    IDD_MAIN = 102,
    IDD_SEARCH = 104,
    IDD_ASSIGN = 105,
    IDD_FRAME_DEFAULT = 106,
    IDD_PORTS = 131,
    IDD_PRINTER_STATUS = 135,
};

constexpr int IDI_MAINFRAME = 134;

// The controls of each template by id. Every dialog's OK is 1 and its Cancel
// 2: Enter and Escape find them by these ids. Each enumeration is unscoped
// inside its own namespace, so that a name reads as MainControl::Search and
// still passes as the int a template stores.
namespace DialogButton {
enum Id : int { Ok = 1, Cancel = 2 };
}

namespace AboutControl {
enum Id : int { Ok = DialogButton::Ok };
}

namespace MainControl {
enum Id : int {
    Exit = DialogButton::Cancel,
    BoardList = 1001,
    AddEntry = 1003,
    Clear = 1004,
    Search = 1005,
    ShowMac = 1006,
    ShowLeftColumn = 1007,
    ShowRightColumn = 1008,
    SortOrder = 1009,
    Browser = 1010,
    Bootloader = 1011,
    Telnet = 1012,
    SetPorts = 1013,
    ModifyIp = 1025,
    PrinterStatus = 1027,
};
}

namespace SearchControl {
enum Id : int {
    Ok = DialogButton::Ok,
    Stop = DialogButton::Cancel,
    Countdown = 1014,
    RemainingText = 1015,
    FoundText = 1016,
    Repeat = 1017,
    CloseWhenComplete = 1018,
};
}

namespace AssignControl {
enum Id : int {
    Ok = DialogButton::Ok,
    Cancel = DialogButton::Cancel,
    StatusLine = 1011,
    IpAddress = 1018,
    SubnetMask = 1019,
    Gateway = 1020,
    Countdown = 1021,
    CloseOnSuccess = 1022,
    Repeat = 1023,
    PingGleaning = 1024,
    UseDhcp = 1026,
};
}

namespace FrameDefaultControl {
enum Id : int { Ok = DialogButton::Ok, Cancel = DialogButton::Cancel };
}

namespace PortsControl {
enum Id : int {
    Ok = DialogButton::Ok,
    Cancel = DialogButton::Cancel,
    PortList = 1010,
    PortField = 1011,
    Add = 1012,
    Remove = 1013,
};
}

// The flag boxes are named after the status word's bits they show.
namespace PrinterStatusControl {
enum Id : int {
    Ok = DialogButton::Ok,
    WaitProgress = 1014,
    DrawerPin3High = 1026,
    Offline = 1028,
    WaitingOnlineRecovery = 1029,
    PaperFeed = 1030,
    CoverOpen = 1031,
    PaperFeed2 = 1032,
    StoppedNoPaper = 1033,
    ErrorOccurred = 1034,
    RecoverableError = 1035,
    CutterError = 1036,
    UnrecoverableError = 1037,
    AutoRecoverableError = 1038,
    PaperNearEnd = 1039,
    PaperOut = 1040,
    Refresh = 1041,
};
}

// A title or control text of a template in the user's language.
QString TemplateText(const char* text);

// The dialog template with this id; throws std::out_of_range for an unknown id.
const DialogTemplate& FindDialogTemplate(int id);

} // namespace quorvel
