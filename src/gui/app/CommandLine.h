#pragma once

#include <QString>
#include <QStringList>

namespace quorvel {

// The program's name and version as Qt reports them (--version, About).
void SetApplicationIdentity();

// The window program's command line: --help and --version, nothing else.
// Any argument ends the process: printed help or version (0), or one line
// of error (2). Needs a QCoreApplication (for the help's program name).
struct CommandLineOutcome {
    bool start = true; // no arguments: open the window
    int exitCode = 0;
    QString output; // for standard output
    QString error;  // for standard error
};
CommandLineOutcome ParseCommandLine(const QStringList& arguments);

} // namespace quorvel
