#include "DesktopHostCommandRunner.h"

#include <QDesktopServices>
#include <QGuiApplication>

namespace quorvel {

void DesktopHostCommandRunner::openUrl(const HostCommand& command) {
    QDesktopServices::openUrl(command.url);
}

// Under the offscreen platform or without a display a terminal would die at
// once and take the command with it.
bool DesktopHostCommandRunner::canShowTerminal() const {
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return false;
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace quorvel
