#include "FakeDatagramSocket.h"
#include "RecordingMessageSink.h"
#include "SearchReplyBytes.h"
#include "app/CQuorvelApp.h"
#include "app/CQuorvelDlg.h"
#include "devices/DeviceTable.h"
#include "dialogs/CSearchDlg.h"
#include "protocol/SearchDatagrams.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <memory>

using namespace quorvel;
using namespace quorvel::testing;

namespace {

const QString kSendFailureTail =
    QStringLiteral(" Unable To Send Packet. Please Check Network Connection.");

// The app on the fake socket with its main window, the way a search sees them.
struct Fixture {
    Fixture() : fake(new FakeDatagramSocket), app(std::unique_ptr<DatagramSocket>(fake)) {}

    void setPorts(const QList<std::uint32_t>& ports) {
        app.remotePortCount = 0;
        for (std::uint32_t port : ports)
            app.remotePorts[app.remotePortCount++] = port;
    }
    // A board answering the running search; its MAC ends in `macLast`.
    void answer(const CSearchDlg& dialog, std::uint8_t macLast) {
        fake->push(SearchReplyBytes(*dialog.randomNumber(), macLast, {"P", "d", "Up", "Link"}));
        fake->deliverAll();
    }

    FakeDatagramSocket* fake;
    CQuorvelApp app;
    CQuorvelDlg window;
};

// Steps `ticks` ticks; returns the ticks (counted from 1 at opening) on which
// something was sent.
QList<int> stepAndRecordRequests(CSearchDlg& dialog, FakeDatagramSocket& fake, int firstTick,
                                 int lastTick, const std::function<void(int)>& afterTick = {}) {
    QList<int> requestTicks;
    for (int tick = firstTick; tick <= lastTick; ++tick) {
        const std::size_t before = fake.sent.size();
        dialog.OnTimer();
        if (fake.sent.size() != before)
            requestTicks << tick;
        if (afterTick)
            afterTick(tick);
    }
    return requestTicks;
}

QString text(const CSearchDlg& dialog, int id) {
    return qobject_cast<QLineEdit*>(dialog.control(id))->text();
}

bool enabled(const CSearchDlg& dialog, int id) {
    return dialog.control(id)->isEnabled();
}

QCheckBox* checkBox(const CSearchDlg& dialog, int id) {
    return qobject_cast<QCheckBox*>(dialog.control(id));
}

} // namespace

class SearchDialogTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void opensOwningTheSocketWithNothingSent() {
        Fixture f;
        CSearchDlg dialog;
        QCOMPARE(f.app.ExchangeMode, ExchangeSearch);
        QCOMPARE(f.app.searchDialog, &dialog);
        QVERIFY(f.fake->sent.empty());
        QVERIFY(!dialog.randomNumber());
        QCOMPARE(text(dialog, 1015), QStringLiteral("剩余 10 秒"));
        QCOMPARE(text(dialog, 1016), QStringLiteral("找到 0 个设备"));
        QVERIFY(enabled(dialog, 2));
        QVERIFY(!enabled(dialog, 1));
        QVERIFY(!checkBox(dialog, 1017)->isChecked());
        QVERIFY(checkBox(dialog, 1018)->isChecked());
        auto* bar = qobject_cast<QProgressBar*>(dialog.control(1014));
        QCOMPARE(bar->maximum(), 10000);
        QCOMPARE(bar->value(), 10000);
        QVERIFY(dialog.isTicking());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("搜索设备..."));
    }

    void requestsFollowTheSchedule_data() {
        QTest::addColumn<int>("answerAfterTick"); // 0: nobody answers
        QTest::addColumn<QList<int>>("requestTicks");
        QTest::newRow("nobody answers") << 0 << QList<int>{1, 8, 16, 20, 24, 28, 32, 36};
        QTest::newRow("a board answers at once") << 1 << QList<int>{1, 8, 16};
        QTest::newRow("first answer just before 5 s") << 19 << QList<int>{1, 8, 16};
        QTest::newRow("first answer after the 5 s repeat") << 20 << QList<int>{1, 8, 16, 20};
        QTest::newRow("first answer at 6.5 s") << 26 << QList<int>{1, 8, 16, 20, 24};
    }
    void requestsFollowTheSchedule() {
        QFETCH(int, answerAfterTick);
        QFETCH(QList<int>, requestTicks);
        RecordingMessageSink sink;
        Fixture f;
        CSearchDlg dialog;
        const QList<int> ticks = stepAndRecordRequests(dialog, *f.fake, 1, 40, [&](int tick) {
            if (tick == answerAfterTick)
                f.answer(dialog, 1);
        });
        QCOMPARE(ticks, requestTicks);
        QCOMPARE(f.fake->sent.size(), std::size_t(requestTicks.size()));
        const auto request = BuildSearchRequest(*dialog.randomNumber());
        for (const FakeDatagramSocket::Sent& sent : f.fake->sent) {
            QVERIFY(
                std::equal(sent.bytes.begin(), sent.bytes.end(), request.begin(), request.end()));
            QCOMPARE(sent.ip, 0xFFFFFFFFu);
            QCOMPARE(sent.port, 3040);
        }
        QCOMPARE(dialog.foundCount(), answerAfterTick ? 1 : 0);
        QCOMPARE(f.window.deviceTable().GetRecordCount(), answerAfterTick ? 1u : 0u);
        QVERIFY(sink.messages.empty());
    }

    void countsDownInTheText_data() {
        QTest::addColumn<int>("ticks");
        QTest::addColumn<QString>("remaining");
        QTest::newRow("opening") << 0 << "剩余 10 秒";
        QTest::newRow("tick 1") << 1 << "剩余 9 秒";
        QTest::newRow("tick 4") << 4 << "剩余 9 秒";
        QTest::newRow("tick 5") << 5 << "剩余 8 秒";
        QTest::newRow("tick 36") << 36 << "剩余 1 秒";
        QTest::newRow("tick 37") << 37 << "剩余 0 秒";
        QTest::newRow("tick 40") << 40 << "剩余 0 秒";
    }
    void countsDownInTheText() {
        QFETCH(int, ticks);
        QFETCH(QString, remaining);
        Fixture f;
        CSearchDlg dialog;
        checkBox(dialog, 1018)->setChecked(false);
        for (int i = 0; i < ticks; ++i)
            dialog.OnTimer();
        QCOMPARE(text(dialog, 1015), remaining);
        QCOMPARE(dialog.remainingText(), remaining);
        QCOMPARE(qobject_cast<QProgressBar*>(dialog.control(1014))->value(), 10000 - 250 * ticks);
    }

    void closesByItselfAfterTenSeconds() {
        Fixture f;
        CSearchDlg dialog;
        QSignalSpy accepted(&dialog, &QDialog::accepted);
        for (int i = 0; i < 39; ++i)
            dialog.OnTimer();
        QCOMPARE(accepted.count(), 0);
        QCOMPARE(f.app.ExchangeMode, ExchangeSearch);
        dialog.OnTimer();
        QCOMPARE(accepted.count(), 1);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(f.app.ExchangeMode, ExchangeNone);
        QVERIFY(!dialog.isTicking());
    }

    // A burst of replies is counted once it has been read, whatever came last.
    void aBurstShowsItsCountOnceRead_data() {
        QTest::addColumn<bool>("repeatLast");
        QTest::newRow("a new board last") << false;
        QTest::newRow("a board already listed last") << true;
    }

    void aBurstShowsItsCountOnceRead() {
        QFETCH(bool, repeatLast);
        Fixture f;
        CSearchDlg dialog;
        dialog.OnTimer();
        for (std::uint8_t mac = 1; mac <= 5; ++mac)
            f.fake->push(SearchReplyBytes(*dialog.randomNumber(), mac));
        if (repeatLast)
            f.fake->push(SearchReplyBytes(*dialog.randomNumber(), 3));
        QStringList shown;
        connect(qobject_cast<QLineEdit*>(dialog.control(1016)), &QLineEdit::textChanged, this,
                [&](const QString& t) { shown << t; });
        f.fake->deliverAll();
        QCOMPARE(dialog.foundCount(), 5);
        QCOMPARE(shown, QStringList{QStringLiteral("找到 5 个设备")});
    }

    void staysOpenWhenAutoCloseIsCleared() {
        RecordingMessageSink sink;
        Fixture f;
        CSearchDlg dialog;
        QSignalSpy finished(&dialog, &QDialog::finished);
        checkBox(dialog, 1018)->click();
        for (int i = 0; i < 40; ++i)
            dialog.OnTimer();
        QCOMPARE(finished.count(), 0);
        QVERIFY(!dialog.isTicking());
        QVERIFY(enabled(dialog, 1));
        QVERIFY(!enabled(dialog, 2));
        QCOMPARE(f.app.ExchangeMode, ExchangeSearch);

        // The run still owns the socket: a late board is listed.
        f.answer(dialog, 7);
        QCOMPARE(f.window.deviceTable().GetRecordCount(), 1u);
        QCOMPARE(text(dialog, 1016), QStringLiteral("找到 1 个设备"));

        qobject_cast<QPushButton*>(dialog.control(1))->click();
        QCOMPARE(finished.count(), 1);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(f.app.ExchangeMode, ExchangeNone);
        QVERIFY(sink.messages.empty());
    }

    void repeatModeStartsOverWithTheSameNumber() {
        Fixture f;
        CSearchDlg dialog;
        QSignalSpy finished(&dialog, &QDialog::finished);
        checkBox(dialog, 1017)->click();
        stepAndRecordRequests(dialog, *f.fake, 1, 40);
        const std::uint16_t number = *dialog.randomNumber();
        QCOMPARE(text(dialog, 1015), QStringLiteral("剩余 0 秒"));
        QVERIFY(dialog.isTicking());
        QVERIFY(enabled(dialog, 2));

        f.fake->sent.clear();
        QList<int> second = stepAndRecordRequests(dialog, *f.fake, 41, 41);
        QCOMPARE(text(dialog, 1015), QStringLiteral("剩余 9 秒"));
        QCOMPARE(dialog.countdown(), 9750);
        second += stepAndRecordRequests(dialog, *f.fake, 42, 50);
        // A board found in this cycle stops the repeats after 6 s again.
        f.answer(dialog, 1);
        second += stepAndRecordRequests(dialog, *f.fake, 51, 85);
        QCOMPARE(second, (QList<int>{48, 56}));
        QCOMPARE(*dialog.randomNumber(), number);
        for (const FakeDatagramSocket::Sent& sent : f.fake->sent)
            QCOMPARE(sent.bytes, (std::vector<std::uint8_t>{0, 0, std::uint8_t(number >> 8),
                                                            std::uint8_t(number & 0xFF)}));
        QCOMPARE(finished.count(), 0);

        // Unchecked, the run ends the next time the countdown reaches 0.
        checkBox(dialog, 1017)->click();
        stepAndRecordRequests(dialog, *f.fake, 86, 119);
        QCOMPARE(finished.count(), 0);
        dialog.OnTimer();
        QCOMPARE(finished.count(), 1);
        QCOMPARE(f.app.ExchangeMode, ExchangeNone);
    }

    void aFailedSendCancelsAndSkipsTheRemainingPorts_data() {
        QTest::addColumn<QList<std::uint32_t>>("ports");
        QTest::addColumn<int>("failingAttempt");
        QTest::addColumn<int>("failingTick");
        QTest::addColumn<QList<int>>("portsReached");
        QTest::newRow("second of three ports")
            << QList<std::uint32_t>{3040, 3041, 3042} << 2 << 1 << QList<int>{3040};
        QTest::newRow("the repeat at 2 s")
            << QList<std::uint32_t>{3040} << 2 << 8 << QList<int>{3040};
    }
    void aFailedSendCancelsAndSkipsTheRemainingPorts() {
        QFETCH(QList<std::uint32_t>, ports);
        QFETCH(int, failingAttempt);
        QFETCH(int, failingTick);
        QFETCH(QList<int>, portsReached);
        RecordingMessageSink sink;
        Fixture f;
        f.setPorts(ports);
        f.fake->failSendOnAttempt = failingAttempt;
        f.fake->sendError = 10051;
        CSearchDlg dialog;
        QSignalSpy rejected(&dialog, &QDialog::rejected);

        // While the box is open the clock runs on, but nothing more is sent
        // and the run still owns the socket.
        int modeWhileOpen = -1;
        int attemptsWhileOpen = -1;
        sink.whileOpen = [&] {
            modeWhileOpen = f.app.ExchangeMode;
            dialog.OnTimer();
            dialog.OnTimer();
            attemptsWhileOpen = f.fake->sendAttempts;
        };
        for (int tick = 1; tick <= failingTick; ++tick)
            dialog.OnTimer();

        QCOMPARE(sink.texts(), QStringList{"Error Code: 10051." + kSendFailureTail});
        QCOMPARE(sink.messages[0].icon, MessageIcon::Warning);
        QCOMPARE(modeWhileOpen, int(ExchangeSearch));
        QCOMPARE(attemptsWhileOpen, failingAttempt);
        QCOMPARE(f.fake->sendAttempts, failingAttempt);
        QList<int> reached;
        for (const FakeDatagramSocket::Sent& sent : f.fake->sent)
            if (!reached.contains(sent.port))
                reached << sent.port;
        QCOMPARE(reached, portsReached);
        QVERIFY(dialog.sendAborted());
        QCOMPARE(rejected.count(), 1);
        QCOMPARE(f.app.ExchangeMode, ExchangeNone);
        QVERIFY(!dialog.isTicking());
    }

    void sendsToEveryPortInOrder() {
        Fixture f;
        f.setPorts({9100, 3040, 161});
        CSearchDlg dialog;
        dialog.OnTimer();
        QCOMPARE(f.fake->sent.size(), std::size_t(3));
        QCOMPARE(f.fake->sent[0].port, 9100);
        QCOMPARE(f.fake->sent[1].port, 3040);
        QCOMPARE(f.fake->sent[2].port, 161);
    }

    void anEmptyPortListSendsNothingAndRunsOut() {
        RecordingMessageSink sink;
        Fixture f;
        f.setPorts({});
        CSearchDlg dialog;
        QSignalSpy accepted(&dialog, &QDialog::accepted);
        for (int i = 0; i < 40; ++i)
            dialog.OnTimer();
        QCOMPARE(f.fake->sendAttempts, 0);
        QVERIFY(sink.messages.empty());
        QCOMPARE(accepted.count(), 1);
        QCOMPARE(text(dialog, 1015), QStringLiteral("剩余 0 秒"));
    }

    void everyWayOfClosingKeepsTheBoardsAndReleasesTheSocket_data() {
        QTest::addColumn<QString>("how");
        for (const char* how :
             {"stop button", "Escape", "close box", "OK when complete", "window destroyed"})
            QTest::newRow(how) << QString::fromUtf8(how);
    }
    void everyWayOfClosingKeepsTheBoardsAndReleasesTheSocket() {
        QFETCH(QString, how);
        RecordingMessageSink sink;
        Fixture f;
        auto dialog = std::make_unique<CSearchDlg>();
        dialog->show();
        for (int i = 0; i < 3; ++i)
            dialog->OnTimer();
        f.answer(*dialog, 1);
        if (how == "stop button") {
            qobject_cast<QPushButton*>(dialog->control(2))->click();
        } else if (how == "Escape") {
            QTest::keyClick(dialog.get(), Qt::Key_Escape);
        } else if (how == "close box") {
            dialog->close();
            QVERIFY(dialog->isHidden());
        } else if (how == "OK when complete") {
            checkBox(*dialog, 1018)->setChecked(false);
            for (int i = 3; i < 40; ++i)
                dialog->OnTimer();
            qobject_cast<QPushButton*>(dialog->control(1))->click();
        } else {
            dialog.reset();
        }
        if (dialog) {
            QCOMPARE(dialog->result(),
                     how == "OK when complete" ? int(QDialog::Accepted) : int(QDialog::Rejected));
            QVERIFY(!dialog->isTicking());
        }
        QCOMPARE(f.app.ExchangeMode, ExchangeNone);
        QCOMPARE(f.window.deviceTable().GetRecordCount(), 1u);

        // From now on a reply is out of place, not a board.
        f.fake->push(SearchReplyBytes(0x1234, 9));
        f.fake->deliverAll();
        QCOMPARE(sink.texts(),
                 QStringList{QStringLiteral("Recevied an out-of-place Packet -- Discarding")});
        QCOMPARE(f.window.deviceTable().GetRecordCount(), 1u);
    }
};

QTEST_MAIN(SearchDialogTest)
#include "SearchDialogTest.moc"
