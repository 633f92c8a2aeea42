#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

namespace quorvel {

// How a host command shows itself.
enum class HostWindow {
    Hidden,   // no window; output discarded
    Terminal, // a terminal window when the desktop has one, else hidden
    Browser,  // the desktop's handler for the URL
};

// One command for the host: the command line the tool has always shown for
// it, and what actually runs here. `argv` is never handed to a shell, so any
// part of it may hold data from a device or a file.
struct HostCommand {
    QString windowsText;
    HostWindow window = HostWindow::Hidden;
    QStringList argv; // program first; for Hidden and Terminal
    QUrl url;         // for Browser
    // A Terminal command that is no use unseen: the program the user needs
    // and the Debian package that has it. Empty for the rest.
    QString tool = {};
    QString toolPackage = {};
};

// How a hidden command ended.
enum class CommandOutcome { Succeeded, NotPermitted, Failed };
using OutcomeHandler = std::function<void(CommandOutcome)>;

} // namespace quorvel
