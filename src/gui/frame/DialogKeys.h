#pragma once

class QDialog;

namespace quorvel {

class TemplateControls;

enum class DialogKeyMode {
    // Enter presses the focused push button, else the template's default
    // push button (OK where it names none); Escape is Cancel (id 2).
    Dialog,
    // The main window keeps its list: Enter presses only a focused push
    // button, Escape does nothing. "退出" and the close request end it.
    MainWindow,
};

// Gives a template dialog the keyboard of the platform's dialog manager. The
// keys arrive here only after the focused control has passed them on, so an
// edit field or list keeps what it handles itself.
void InstallDialogKeys(QDialog& dialog, const TemplateControls& controls, DialogKeyMode mode);

} // namespace quorvel
