#include "CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace quorvel {

void SetApplicationIdentity() {
    QCoreApplication::setApplicationName(QStringLiteral("Quorvel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUORVEL_VERSION));
}

namespace {

// QGuiApplication's and QApplication's options, with one dash or two.
const QStringList kQtOptionsWithValue{"platform",        "platformpluginpath",
                                      "platformtheme",   "plugin",
                                      "qwindowgeometry", "qwindowicon",
                                      "qwindowtitle",    "session",
                                      "display",         "name",
                                      "title",           "visual",
                                      "geometry",        "style",
                                      "stylesheet",      "qmljsdebugger"};
const QStringList kQtFlags{"reverse", "widgetcount", "nograb", "dograb", "sync", "testability"};

// The option's name without its dashes, when the argument is one of Qt's.
QString qtOptionName(const QString& argument) {
    if (!argument.startsWith(u'-'))
        return {};
    const QString name =
        argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1).section(u'=', 0, 0);
    return kQtOptionsWithValue.contains(name) || kQtFlags.contains(name) ? name : QString();
}

// Walks the arguments after the program's name: `visit(name, value)` for each
// of Qt's options, `other(argument)` for the rest.
template <typename QtVisit, typename Other>
void walkArguments(const QStringList& arguments, QtVisit visit, Other other) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const QString name = qtOptionName(argument);
        if (name.isEmpty()) {
            other(argument);
        } else if (argument.contains(u'=')) {
            visit(name, argument.section(u'=', 1));
        } else if (kQtOptionsWithValue.contains(name)) {
            visit(name, i + 1 < arguments.size() ? arguments[++i] : QString());
        } else {
            visit(name, QString());
        }
    }
}

} // namespace

QString QtOptionValue(const QStringList& arguments, const QString& name) {
    QString value;
    walkArguments(
        arguments,
        [&](const QString& option, const QString& v) {
            if (option == name)
                value = v;
        },
        [](const QString&) {});
    return value;
}

CommandLineOutcome ParseCommandLine(const QStringList& allArguments) {
    QStringList arguments = allArguments.mid(0, 1);
    walkArguments(
        allArguments, [](const QString&, const QString&) {},
        [&](const QString& argument) { arguments << argument; });
    if (arguments.size() <= 1)
        return {};

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
    // -V as the command line spells it; -v, Qt's spelling, still works.
    const QCommandLineOption version(
        {QStringLiteral("V"), QStringLiteral("v"), QStringLiteral("version")},
        QStringLiteral("Displays version information."));
    parser.addOption(version);

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
