#include "gui/app/CommandLine.h"

#include "gui/app/DisplayCheck.h"

#include <QCoreApplication>
#include <QTest>

using namespace quorvel;

class CommandLineTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { SetApplicationIdentity(); }

    void answersBeforeAnyWindow_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("start");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output"); // a part of it
        QTest::addColumn<QString>("error");  // a part of it
        const QString version = QStringLiteral("Quorvel " QUORVEL_VERSION "\n");
        QTest::newRow("none: the window") << QStringList{} << true << 0 << ""
                                          << "";
        QTest::newRow("--version") << QStringList{"--version"} << false << 0 << version << "";
        QTest::newRow("-v") << QStringList{"-v"} << false << 0 << version << "";
        QTest::newRow("-V") << QStringList{"-V"} << false << 0 << version << "";
        QTest::newRow("--help") << QStringList{"--help"} << false << 0 << "--version"
                                << "";
        QTest::newRow("-h") << QStringList{"-h"} << false << 0 << "--help"
                            << "";
        QTest::newRow("an unknown option") << QStringList{"--search"} << false << 2 << ""
                                           << "Quorvel: Unknown option 'search'.";
        QTest::newRow("Qt's own options are not taken")
            << QStringList{"--help-all"} << false << 2 << ""
            << "'help-all'";
        QTest::newRow("an argument") << QStringList{"192.168.1.5"} << false << 2 << ""
                                     << "Unexpected argument '192.168.1.5'";
        QTest::newRow("Qt's options: the window")
            << QStringList{"-platform", "offscreen", "--style=fusion", "-reverse"} << true << 0
            << ""
            << "";
        QTest::newRow("Qt's options and a mistake")
            << QStringList{"-reverse", "-p"} << false << 2 << ""
            << "Unknown option 'p'";
        QTest::newRow("help wins over a bad argument")
            << QStringList{"--help", "x"} << false << 0 << "Usage:"
            << "";
    }
    void answersBeforeAnyWindow() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, start);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        QFETCH(QString, error);
        arguments.prepend(QStringLiteral("Quorvel"));
        const CommandLineOutcome outcome = ParseCommandLine(arguments);
        QCOMPARE(outcome.start, start);
        QCOMPARE(outcome.exitCode, exitCode);
        QVERIFY2(outcome.output.contains(output), qPrintable(outcome.output));
        QVERIFY2(outcome.error.contains(error), qPrintable(outcome.error));
        if (output.isEmpty())
            QVERIFY(outcome.output.isEmpty());
        // An error is one line.
        QCOMPARE(outcome.error.count(u'\n'), error.isEmpty() ? 0 : 1);
        if (!error.isEmpty())
            QVERIFY(outcome.error.endsWith(u'\n'));
    }

    // Asked before Qt would abort on it; -display counts.
    void refusesADisplayThatDoesNotAnswer() {
        QCOMPARE(
            QtOptionValue({"Quorvel", "-platform", "xcb", "--display=:5", "-reverse"}, "display"),
            QStringLiteral(":5"));
        const struct {
            const char *platform, *x11, *wayland, *problem;
        } cases[] = {
            {"offscreen", "", "", ""},
            {"", "", "", "neither DISPLAY nor WAYLAND_DISPLAY"},
            {"", ":4091", "no-such", "X display :4091 nor the Wayland display /run/x/no-such"},
            {"xcb", "", "wayland-0", "platform xcb"}};
        for (const auto& c : cases) {
            const QString text = DisplayProblem(c.platform, c.x11, c.wayland, "/run/x");
            QVERIFY2(*c.problem ? text.contains(c.problem) : text.isEmpty(), qPrintable(text));
        }
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "CommandLineTest.moc"
