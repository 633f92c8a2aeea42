#include "CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace quorvel {

void SetApplicationIdentity() {
    QCoreApplication::setApplicationName(QStringLiteral("Quorvel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUORVEL_VERSION));
}

CommandLineOutcome ParseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Finds the network boards of receipt printers on the local Ethernet "
                       "segment and sets them up.\nStart it without arguments on a graphical "
                       "display; the manual opens with F1."));
    // Not addHelpOption(): its --help-all lists Qt's own options, which only a
    // QApplication takes, and the answer comes before there is one.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays this help."));
    parser.addOption(help);
    const QCommandLineOption version = parser.addVersionOption();

    const QString name = QCoreApplication::applicationName();
    const QString hint = QStringLiteral(" %1 --help lists the options.\n").arg(name);
    if (!parser.parse(arguments))
        return {false, 2, {}, name + QStringLiteral(": ") + parser.errorText() + hint};
    if (parser.isSet(help))
        return {false, 0, parser.helpText(), {}};
    if (parser.isSet(version))
        return {false, 0, name + u' ' + QCoreApplication::applicationVersion() + u'\n', {}};
    if (!parser.positionalArguments().isEmpty())
        return {false,
                2,
                {},
                QStringLiteral("%1: Unexpected argument '%2'; the program takes none.")
                        .arg(name, parser.positionalArguments().constFirst()) +
                    hint};
    return {};
}

} // namespace quorvel
