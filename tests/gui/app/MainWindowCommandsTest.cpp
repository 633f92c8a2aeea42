#include "FakeDatagramSocket.h"
#include "ModalDriver.h"
#include "RecordingMessageSink.h"
#include "SearchReplyBytes.h"
#include "core/exchange/DeviceTable.h"
#include "gui/app/CAboutDlg.h"
#include "gui/app/CQuorvelApp.h"
#include "gui/app/CQuorvelDlg.h"
#include "gui/app/HelpLocation.h"
#include "gui/dialogs/CSearchDlg.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace quorvel;
using namespace quorvel::testing;

namespace {

const QString kSearchDialog = QStringLiteral("quorvel::CSearchDlg");
const QString kAboutDialog = QStringLiteral("quorvel::CAboutDlg");

struct Fixture {
    Fixture() : fake(new FakeDatagramSocket), app(std::unique_ptr<DatagramSocket>(fake)) {}

    void click(int id) { qobject_cast<QPushButton*>(window.control(id))->click(); }

    FakeDatagramSocket* fake;
    CQuorvelApp app;
    CQuorvelDlg window{app};
};

// Ticks an open search until it ends by itself.
void runOut(CSearchDlg& search) {
    for (int tick = 0; tick < 100 && search.isVisible(); ++tick)
        search.exchange().OnTimer();
}

} // namespace

class MainWindowCommandsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The search's new labels reach the column controls and the sort list.
    void searchEmptiesTheListThenRunsTheDialogModally() {
        RecordingMessageSink sink;
        Fixture f;
        f.click(MainControl::AddEntry);
        f.click(MainControl::AddEntry);
        ModalDriver driver;
        std::uint32_t listedWhenOpened = 99;
        int modeWhileOpen = -1;
        bool modal = false;
        driver.drive = [&](QDialog& dialog) {
            auto& search = dynamic_cast<CSearchDlg&>(dialog);
            listedWhenOpened = f.window.deviceTable().GetRecordCount();
            modeWhileOpen = f.app.dispatch.mode();
            modal = search.isModal() &&
                    f.app.dispatch.lastClaimedBy(ExchangeSearch) == &search.exchange();
            search.exchange().OnTimer();
            f.fake->push(
                SearchReplyBytes(*search.exchange().randomNumber(), 1, {"P1", "", "Up", "Link"}));
            f.fake->deliverAll();
            runOut(search);
        };
        driver.run([&] { f.click(MainControl::Search); });

        QCOMPARE(driver.opened, QStringList{kSearchDialog});
        QCOMPARE(listedWhenOpened, 0u);
        QCOMPARE(modeWhileOpen, int(ExchangeSearch));
        QVERIFY(modal);
        QCOMPARE(f.app.dispatch.mode(), ExchangeNone);
        QCOMPARE(f.window.deviceTable().GetRecordCount(), 1u);
        QCOMPARE(f.window.deviceTable().recordList()[0].name, std::string("P1"));
        QVERIFY(sink.messages.empty());
        QCOMPARE(qobject_cast<QCheckBox*>(f.window.control(MainControl::ShowLeftColumn))->text(),
                 QStringLiteral("Show Up"));
        QCOMPARE(qobject_cast<QCheckBox*>(f.window.control(MainControl::ShowRightColumn))->text(),
                 QStringLiteral("Show Link"));
        auto* combo = qobject_cast<QComboBox*>(f.window.control(MainControl::SortOrder));
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        QCOMPARE(items, (QStringList{"Up", "Link", "IP Address", "Unsorted"}));
        QCOMPARE(combo->currentIndex(), 3);
    }

    void everySearchStartsFromAnEmptyTable() {
        RecordingMessageSink sink;
        Fixture f;
        ModalDriver driver;
        driver.drive = [&](QDialog& dialog) {
            auto& search = dynamic_cast<CSearchDlg&>(dialog);
            search.exchange().OnTimer();
            f.fake->push(SearchReplyBytes(*search.exchange().randomNumber(), 1));
            f.fake->deliverAll();
            runOut(search);
        };
        driver.run([&] { f.click(MainControl::Search); });
        QCOMPARE(f.window.deviceTable().GetRecordCount(), 1u);

        // The next search finds nothing and is stopped: the list stays empty.
        QString foundAtOpening;
        bool numberAtOpening = true;
        driver.drive = [&](QDialog& dialog) {
            auto& search = dynamic_cast<CSearchDlg&>(dialog);
            foundAtOpening =
                qobject_cast<QLineEdit*>(search.control(SearchControl::FoundText))->text();
            numberAtOpening = search.exchange().randomNumber().has_value();
            search.exchange().OnTimer();
            qobject_cast<QPushButton*>(search.control(SearchControl::Stop))->click();
        };
        driver.run([&] { f.click(MainControl::Search); });
        QCOMPARE(driver.opened, (QStringList{kSearchDialog, kSearchDialog}));
        QCOMPARE(foundAtOpening, QStringLiteral("找到 0 个设备"));
        QVERIFY(!numberAtOpening);
        QCOMPARE(f.window.deviceTable().GetRecordCount(), 0u);
        QCOMPARE(f.app.dispatch.mode(), ExchangeNone);
    }

    void commandsNeedingABoardRefuseWithoutASelection_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("boards");
        QTest::newRow("修改IP, empty list") << int(MainControl::ModifyIp) << 0;
        QTest::newRow("修改IP, nothing selected") << int(MainControl::ModifyIp) << 3;
        QTest::newRow("打印机状态, empty list") << int(MainControl::PrinterStatus) << 0;
        QTest::newRow("打印机状态, nothing selected") << int(MainControl::PrinterStatus) << 3;
    }
    void commandsNeedingABoardRefuseWithoutASelection() {
        QFETCH(int, button);
        QFETCH(int, boards);
        RecordingMessageSink sink;
        Fixture f;
        for (int i = 0; i < boards; ++i)
            f.click(MainControl::AddEntry);
        ModalDriver driver;
        driver.run([&] { f.click(button); });
        QCOMPARE(sink.texts(), QStringList{QStringLiteral("请先选择一个打印机！")});
        QCOMPARE(sink.messages[0].icon, MessageIcon::Information);
        QVERIFY(driver.opened.isEmpty());
    }

    void systemCommandsOfTheAboutItemOpenTheAboutBox_data() {
        QTest::addColumn<unsigned>("command");
        QTest::addColumn<bool>("opensAbout");
        QTest::newRow("16") << 16u << true;
        QTest::newRow("31") << 31u << true;
        QTest::newRow("15") << 15u << false;
        QTest::newRow("32") << 32u << false;
        QTest::newRow("close") << 0xF060u << false;
    }
    void systemCommandsOfTheAboutItemOpenTheAboutBox() {
        QFETCH(unsigned, command);
        QFETCH(bool, opensAbout);
        Fixture f;
        ModalDriver driver;
        QString title;
        driver.drive = [&](QDialog& dialog) {
            title = dialog.windowTitle();
            qobject_cast<QPushButton*>(dynamic_cast<CAboutDlg&>(dialog).control(AboutControl::Ok))
                ->click();
        };
        driver.run([&] { f.window.OnSysCommand(command); });
        // Let a dialog that should not have opened show up late, if at all.
        QCoreApplication::processEvents();
        QCOMPARE(driver.opened, opensAbout ? QStringList{kAboutDialog} : QStringList{});
        if (opensAbout)
            QCOMPARE(title, QStringLiteral("关于..."));
    }

    void theSystemMenuEndsWithAboutAndHelp() {
        Fixture f;
        const QList<QAction*> actions = f.window.systemMenu()->actions();
        QVERIFY(actions.size() >= 3);
        QVERIFY(actions[actions.size() - 3]->isSeparator());
        QCOMPARE(actions[actions.size() - 2]->text(), QStringLiteral("&About quorvel..."));
        QCOMPARE(actions.last()->text(), QStringLiteral("帮助 (F1)"));
        ModalDriver driver;
        driver.run([&] { actions[actions.size() - 2]->trigger(); });
        QCOMPARE(driver.opened, QStringList{kAboutDialog});
    }

    // Which file wins is HelpLocationTest's; here F1 reaches the lookup and
    // hands its URL to the opener, or says where it looked.
    void f1OpensTheHelpOrSaysWhereItLooked() {
        RecordingMessageSink sink;
        Fixture f;
        QTemporaryDir dir;
        // The manual lies beside bin, as when installed.
        const QString bin = dir.filePath(QStringLiteral("bin"));
        f.window.setHelpProgramDir(bin);
        QList<QUrl> opened;
        bool viewerStarts = true;
        f.window.setHelpOpener([&](const QUrl& url) { return opened << url, viewerStarts; });
        f.window.show();

        QTest::keyClick(f.window.control(MainControl::Exit), Qt::Key_F1);
        QVERIFY(opened.isEmpty());
        QCOMPARE(sink.messages.size(), std::size_t{1});
        QCOMPARE(sink.messages[0].icon, MessageIcon::Information);
        for (const QString& place : LocateHelp(bin, QLocale().language()).searched)
            QVERIFY2(sink.messages[0].text.contains(place), qPrintable(place));

        const QString manual = ManualPagePath(bin, ManualLanguage(QLocale().language()));
        QVERIFY(QDir().mkpath(QFileInfo(manual).path()));
        QFile page(manual);
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.close();
        QTest::keyClick(f.window.control(MainControl::Exit), Qt::Key_F1);
        QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(manual)});
        QCOMPARE(sink.messages.size(), std::size_t{1});

        // No browser: a box names the manual, whose path is on the clipboard.
        viewerStarts = false;
        QTest::keyClick(f.window.control(MainControl::Exit), Qt::Key_F1);
        QCOMPARE(sink.messages.size(), std::size_t{2});
        QVERIFY2(sink.messages[1].text.contains(manual), qPrintable(sink.messages[1].text));
        QCOMPARE(QGuiApplication::clipboard()->text(), manual);
    }

    void opensWithTheIconAndAVisibleFocusOnSearch() {
        Fixture f;
        f.window.show();
        QVERIFY(QTest::qWaitForWindowActive(&f.window));
        QWidget* search = f.window.control(MainControl::Search);
        QCOMPARE(QApplication::focusWidget(), search);
        const QImage focused = search->grab().toImage(); // marked without any Tab
        f.window.control(MainControl::Exit)->setFocus(Qt::MouseFocusReason);
        QVERIFY(search->grab().toImage() != focused);

        const QImage icon = f.window.windowIcon().pixmap(32, 32).toImage();
        QCOMPARE(icon.size(), QSize(32, 32));
        QSet<QRgb> colours;
        for (int y = 0; y < icon.height(); ++y)
            for (int x = 0; x < icon.width(); ++x)
                if (qAlpha(icon.pixel(x, y)) != 0)
                    colours.insert(icon.pixel(x, y));
        QVERIFY(colours.size() > 4);
        QVERIFY(colours.size() <= 16);
    }
};

QTEST_MAIN(MainWindowCommandsTest)
#include "MainWindowCommandsTest.moc"
