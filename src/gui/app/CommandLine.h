#pragma once

#include <QString>
#include <QStringList>

namespace quorvel {

// The program's name and version as Qt reports them (--version, About).
void SetApplicationIdentity();

// The window program's command line: --help and --version, and Qt's own
// options (-platform NAME, -style NAME, -reverse, ...), which the application
// object takes itself. Any other argument ends the process: printed help or
// version (0), or one line of error (2). Needs a QCoreApplication (for the
// help's program name).
struct CommandLineOutcome {
    bool start = true; // no arguments: open the window
    int exitCode = 0;
    QString output; // for standard output
    QString error;  // for standard error
};
CommandLineOutcome ParseCommandLine(const QStringList& arguments);

// The value of one of Qt's options (-platform, -display) in `arguments`.
QString QtOptionValue(const QStringList& arguments, const QString& name);

} // namespace quorvel
