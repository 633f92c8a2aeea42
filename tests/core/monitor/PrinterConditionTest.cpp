// The one-word condition of a printer: which flags name it, and the board's
// own states around an answer.
#include "core/monitor/PrinterCondition.h"

#include "core/monitor/StatusMonitor.h"

#include <QTest>

using namespace quorvel;
using C = PrinterCondition;

namespace {

PrinterStatusFlags flags(std::initializer_list<PrinterStatusFlag> set) {
    PrinterStatusFlags f{};
    for (PrinterStatusFlag flag : set)
        f[flag] = true;
    return f;
}

} // namespace

class PrinterConditionTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void flagsNameTheCause() {
        const struct {
            std::initializer_list<PrinterStatusFlag> set;
            C expected;
        } cases[] = {
            {{}, C::Normal},
            {{DrawerPin3High, PaperFeed, PaperFeed2}, C::Normal},
            {{PaperNearEnd}, C::PaperNearEnd},
            {{PaperOut}, C::PaperOut},
            {{StoppedNoPaper}, C::PaperOut},
            // The consequences a printer reports beside their cause.
            {{PaperOut, PaperNearEnd, Offline, ErrorOccurred}, C::PaperOut},
            {{CoverOpen, Offline, ErrorOccurred, PaperNearEnd}, C::CoverOpen},
            {{CoverOpen, PaperOut}, C::CoverOpen},
            {{Offline}, C::Offline},
            {{WaitingOnlineRecovery, PaperNearEnd}, C::Offline},
            {{ErrorOccurred, Offline}, C::Fault},
            {{CutterError}, C::Fault},
            {{UnrecoverableError, CoverOpen, PaperOut}, C::Fault},
            {{RecoverableError}, C::Fault},
            {{AutoRecoverableError}, C::Fault},
        };
        for (const auto& c : cases)
            QCOMPARE(ConditionOf(flags(c.set)), c.expected);
        QCOMPARE(ConditionOf(std::nullopt), C::NoAnswer);
    }

    void aBoardIsUnknownUntilFirstHeardThenSilentIsNoAnswer() {
        MonitoredBoard board;
        QCOMPARE(ConditionOf(board), std::nullopt);
        board.reported = true;
        QCOMPARE(ConditionOf(board), C::NoAnswer);
        board.up = true;
        board.flags = flags({PaperOut});
        QCOMPARE(ConditionOf(board), C::PaperOut);
        board.up = false; // its last flags stay, but it no longer answers
        QCOMPARE(ConditionOf(board), C::NoAnswer);
    }
};

QTEST_APPLESS_MAIN(PrinterConditionTest)
#include "PrinterConditionTest.moc"
