#include "CQuorvelApp.h"
#include "CommandLine.h"
#include "DesktopHostCommandRunner.h"
#include "FontSetup.h"
#include "Translations.h"
#include "core/TerminationSignals.h"

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

// Any argument is --help, --version or a mistake: answered without a display
// and before any window opens.
int answerCommandLine(int argc, char** argv) {
    QCoreApplication core(argc, argv);
    quorvel::SetApplicationIdentity();
    const quorvel::CommandLineOutcome outcome = quorvel::ParseCommandLine(core.arguments());
    std::fputs(outcome.output.toLocal8Bit().constData(), stdout);
    std::fputs(outcome.error.toLocal8Bit().constData(), stderr);
    return outcome.exitCode;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1)
        return answerCommandLine(argc, argv);
    if (!hasDisplay()) {
        std::fputs("Quorvel is a desktop program and needs a graphical display, but neither "
                   "DISPLAY nor WAYLAND_DISPLAY is set.\n",
                   stderr);
        return 2;
    }
    QApplication application(argc, argv);
    quorvel::SetApplicationIdentity();
    // Wayland shells find the window's icon through the desktop entry.
    QGuiApplication::setDesktopFileName(QStringLiteral(QUORVEL_APP_ID));
    quorvel::InstallTranslations(application);
    quorvel::InstallFontSubstitutions();
    quorvel::DesktopHostCommandRunner hostCommands;
    quorvel::SetHostCommandRunner(&hostCommands);
    // A signal closes the windows as a quit would: the assign dialog's
    // neighbour entries go with it.
    quorvel::TerminationSignals signals;
    QObject::connect(&signals, &quorvel::TerminationSignals::received, &application,
                     [](int signalNumber) { QCoreApplication::exit(128 + signalNumber); });
    quorvel::CQuorvelApp app;
    const int exitCode = app.InitInstance();
    return signals.caught() ? 128 + signals.caught() : exitCode;
}
