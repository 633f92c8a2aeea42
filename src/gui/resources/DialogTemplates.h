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

// A title or control text of a template in the user's language.
QString TemplateText(const char* text);

// The dialog template with this id; throws std::out_of_range for an unknown id.
const DialogTemplate& FindDialogTemplate(int id);

} // namespace quorvel
