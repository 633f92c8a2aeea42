#include "CQuorvelApp.h"
#include "DesktopHostCommandRunner.h"
#include "FontSetup.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

namespace {

bool hasDisplay() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform)
        return true;
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

} // namespace

int main(int argc, char** argv) {
    if (!hasDisplay()) {
        std::fputs("Quorvel is a desktop program and needs a graphical display, but neither "
                   "DISPLAY nor WAYLAND_DISPLAY is set.\n",
                   stderr);
        return 2;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvel"));
    quorvel::InstallFontSubstitutions();
    quorvel::DesktopHostCommandRunner hostCommands;
    quorvel::SetHostCommandRunner(&hostCommands);
    quorvel::CQuorvelApp app;
    return app.InitInstance();
}
