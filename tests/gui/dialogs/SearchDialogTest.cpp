// The search dialog as the view of its exchange: what it shows, and how each
// way of closing it ends the run. The timetable itself is tested on the
// exchange (tests/core/SearchExchangeTest.cpp).
#include "FakeDatagramSocket.h"
#include "RecordingMessageSink.h"
#include "SearchReplyBytes.h"
#include "core/exchange/DeviceTable.h"
#include "gui/dialogs/CSearchDlg.h"

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

// The socket, the ports and the table a search runs on, and its exchange.
struct Fixture {
    Fixture() : fake(new FakeDatagramSocket), dispatch(std::unique_ptr<DatagramSocket>(fake)) {}

    void answer(std::uint8_t macLast) {
        fake->push(SearchReplyBytes(*search.randomNumber(), macLast, {"P", "d", "Up", "Link"}));
        fake->deliverAll();
    }

    FakeDatagramSocket* fake;
    SocketDispatch dispatch;
    RemotePortList ports;
    DeviceTable table;
    SearchExchange search{dispatch, ports, table};
};

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
    void opensStartingTheRunWithNothingSent() {
        Fixture f;
        CSearchDlg dialog(f.search);
        QCOMPARE(f.dispatch.mode(), ExchangeSearch);
        QCOMPARE(f.dispatch.lastClaimedBy(ExchangeSearch), &f.search);
        QVERIFY(f.fake->sent.empty());
        QCOMPARE(text(dialog, SearchControl::RemainingText), QStringLiteral("剩余 10 秒"));
        QCOMPARE(text(dialog, SearchControl::FoundText), QStringLiteral("找到 0 个设备"));
        QVERIFY(enabled(dialog, 2));
        QVERIFY(!enabled(dialog, 1));
        QVERIFY(!checkBox(dialog, SearchControl::Repeat)->isChecked());
        QVERIFY(checkBox(dialog, SearchControl::CloseWhenComplete)->isChecked());
        auto* bar = qobject_cast<QProgressBar*>(dialog.control(SearchControl::Countdown));
        QCOMPARE(bar->maximum(), 10000);
        QCOMPARE(bar->value(), 10000);
        QVERIFY(f.search.isTicking());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("搜索设备..."));
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
        CSearchDlg dialog(f.search);
        checkBox(dialog, SearchControl::CloseWhenComplete)->setChecked(false);
        for (int i = 0; i < ticks; ++i)
            f.search.OnTimer();
        QCOMPARE(text(dialog, SearchControl::RemainingText), remaining);
        QCOMPARE(dialog.remainingText(), remaining);
        QCOMPARE(qobject_cast<QProgressBar*>(dialog.control(SearchControl::Countdown))->value(),
                 10000 - 250 * ticks);
    }

    void closesByItselfAfterTenSeconds() {
        Fixture f;
        CSearchDlg dialog(f.search);
        QSignalSpy accepted(&dialog, &QDialog::accepted);
        for (int i = 0; i < 39; ++i)
            f.search.OnTimer();
        QCOMPARE(accepted.count(), 0);
        f.search.OnTimer();
        QCOMPARE(accepted.count(), 1);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(f.dispatch.mode(), ExchangeNone);
    }

    void aFailedSendCancelsTheDialog() {
        RecordingMessageSink sink;
        Fixture f;
        f.fake->failSendOnAttempt = 1;
        CSearchDlg dialog(f.search);
        QSignalSpy rejected(&dialog, &QDialog::rejected);
        f.search.OnTimer();
        QCOMPARE(sink.messages.size(), std::size_t(1));
        QCOMPARE(rejected.count(), 1);
    }

    void staysOpenWhenAutoCloseIsCleared() {
        RecordingMessageSink sink;
        Fixture f;
        CSearchDlg dialog(f.search);
        QSignalSpy finished(&dialog, &QDialog::finished);
        checkBox(dialog, SearchControl::CloseWhenComplete)->click();
        QVERIFY(!f.search.autoClose());
        checkBox(dialog, SearchControl::Repeat)->click();
        QVERIFY(f.search.repeat());
        checkBox(dialog, SearchControl::Repeat)->click();
        for (int i = 0; i < 40; ++i)
            f.search.OnTimer();
        QCOMPARE(finished.count(), 0);
        QVERIFY(!f.search.isTicking());
        QVERIFY(enabled(dialog, 1));
        QVERIFY(!enabled(dialog, 2));

        f.answer(7);
        QCOMPARE(text(dialog, SearchControl::FoundText), QStringLiteral("找到 1 个设备"));
        QCOMPARE(dialog.foundText(), QStringLiteral("找到 1 个设备"));

        qobject_cast<QPushButton*>(dialog.control(SearchControl::Ok))->click();
        QCOMPARE(finished.count(), 1);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(f.dispatch.mode(), ExchangeNone);
        QVERIFY(sink.messages.empty());
    }

    void everyWayOfClosingKeepsTheBoardsAndReleasesTheSocket_data() {
        QTest::addColumn<QString>("how");
        for (const char* how : {"stop button", "Escape", "close box", "OK when complete",
                                "Escape when complete", "window destroyed"})
            QTest::newRow(how) << QString::fromUtf8(how);
    }
    void everyWayOfClosingKeepsTheBoardsAndReleasesTheSocket() {
        QFETCH(QString, how);
        RecordingMessageSink sink;
        Fixture f;
        auto dialog = std::make_unique<CSearchDlg>(f.search);
        dialog->show();
        for (int i = 0; i < 3; ++i)
            f.search.OnTimer();
        f.answer(1);
        if (how == "stop button") {
            qobject_cast<QPushButton*>(dialog->control(SearchControl::Stop))->click();
        } else if (how == "Escape") {
            QTest::keyClick(dialog.get(), Qt::Key_Escape);
        } else if (how == "close box") {
            dialog->close();
            QVERIFY(dialog->isHidden());
        } else if (how.endsWith(QLatin1String("when complete"))) {
            checkBox(*dialog, SearchControl::CloseWhenComplete)->setChecked(false);
            for (int i = 3; i < 40; ++i)
                f.search.OnTimer();
            if (how.startsWith(u'O'))
                qobject_cast<QPushButton*>(dialog->control(SearchControl::Ok))->click();
            else
                QTest::keyClick(dialog.get(), Qt::Key_Escape);
            QVERIFY(dialog->isHidden());
        } else {
            dialog.reset();
        }
        if (dialog)
            QCOMPARE(dialog->result(),
                     how == "OK when complete" ? int(QDialog::Accepted) : int(QDialog::Rejected));
        QVERIFY(!f.search.isTicking());
        QCOMPARE(f.dispatch.mode(), ExchangeNone);
        QCOMPARE(f.table.GetRecordCount(), 1u);

        // From now on a reply is out of place, not a board.
        f.fake->push(SearchReplyBytes(0x1234, 9));
        f.fake->deliverAll();
        QCOMPARE(sink.texts(),
                 QStringList{QStringLiteral("Recevied an out-of-place Packet -- Discarding")});
        QCOMPARE(f.table.GetRecordCount(), 1u);
    }
};

QTEST_MAIN(SearchDialogTest)
#include "SearchDialogTest.moc"
