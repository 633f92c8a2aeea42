#include "CQuorvelApp.h"
#include "CommandLine.h"
#include "DesktopHostCommandRunner.h"
#include "DisplayCheck.h"
#include "FontSetup.h"
#include "Translations.h"
#include "core/host/TerminationSignals.h"

#include <QApplication>
#include <cstdio>

namespace {

QString environment(const char* name) {
    return QString::fromLocal8Bit(qgetenv(name));
}

// Help, the version or a mistake is answered without a display and before
// any window opens; Qt's own options wait for the application object.
// Returns the exit status, or -1 to go on.
int answerCommandLine(int argc, char** argv, QString& displayProblem) {
    QCoreApplication core(argc, argv);
    quorvel::SetApplicationIdentity();
    const quorvel::CommandLineOutcome outcome = quorvel::ParseCommandLine(core.arguments());
    std::fputs(outcome.output.toLocal8Bit().constData(), stdout);
    std::fputs(outcome.error.toLocal8Bit().constData(), stderr);
    if (!outcome.start)
        return outcome.exitCode;
    // Checked here: without a display, Qt's own fatal error aborts the process.
    const QStringList arguments = core.arguments();
    const QString platform = quorvel::QtOptionValue(arguments, QStringLiteral("platform"));
    const QString display = quorvel::QtOptionValue(arguments, QStringLiteral("display"));
    displayProblem =
        quorvel::DisplayProblem(platform.isEmpty() ? environment("QT_QPA_PLATFORM") : platform,
                                display.isEmpty() ? environment("DISPLAY") : display,
                                environment("WAYLAND_DISPLAY"), environment("XDG_RUNTIME_DIR"));
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    QString displayProblem;
    if (const int answered = answerCommandLine(argc, argv, displayProblem); answered >= 0)
        return answered;
    if (!displayProblem.isEmpty()) {
        std::fputs((displayProblem + u'\n').toLocal8Bit().constData(), stderr);
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
    // What a killed run left in the neighbour table goes before this one adds to it.
    hostCommands.removeAbandonedNeighbours([](const QString& line) {
        std::fprintf(stderr, "Quorvel: %s\n", line.toLocal8Bit().constData());
    });
    // A signal closes the windows as a quit would: the assign dialog's
    // neighbour entries go with it.
    quorvel::TerminationSignals signals;
    QObject::connect(&signals, &quorvel::TerminationSignals::received, &application,
                     [](int signalNumber) { QCoreApplication::exit(128 + signalNumber); });
    quorvel::CQuorvelApp app;
    const int exitCode = app.InitInstance();
    return signals.caught() ? 128 + signals.caught() : exitCode;
}
