// The search settings dialog's values and checks, and the summary that marks
// settings off the defaults.
#include "gui/dialogs/SearchSettingsDlg.h"

#include "RecordingMessageSink.h"
#include "gui/app/SearchOptions.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

using namespace quorvel;
using namespace quorvel::testing;

class SearchSettingsDlgTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void targetsAreAddressesOrRefused() {
        const struct {
            const char* text;
            std::optional<QStringList> targets;
        } cases[] = {
            {"", QStringList{}},
            {" 198.18.5.255, 198.18.7.1;198.18.5.255 ", QStringList{"198.18.5.255", "198.18.7.1"}},
            {"198.18.5", std::nullopt},
            {"0.0.0.0", std::nullopt},
            {"printer.local", std::nullopt},
        };
        for (const auto& c : cases)
            QCOMPARE(SearchSettingsDlg::parseTargets(QString::fromUtf8(c.text)), c.targets);
    }

    void theDialogKeepsWhatItWasGivenAndRefusesWhatCannotWork() {
        RecordingMessageSink sink;
        SearchSettings given{{"eth9"}, {"198.18.5.255"}, 47000};
        SearchSettingsDlg dialog(given);
        QCOMPARE(dialog.settings(), given); // a chosen interface that is gone stays chosen
        QCOMPARE(SearchSettingsSummary(given),
                 QStringLiteral("搜索设置已更改：仅接口 eth9；另搜 198.18.5.255；本地端口 47000"));

        dialog.findChild<QLineEdit*>("targets")->setText("198.18.5.256");
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(sink.texts(), QStringList{"“198.18.5.256”不是 IPv4 地址。"});

        for (QPushButton* b : dialog.findChildren<QPushButton*>())
            if (b->text() == "恢复默认")
                b->click();
        QCOMPARE(dialog.settings(), SearchSettings{});
        QVERIFY(SearchSettingsSummary(dialog.settings()).isEmpty());
    }
};

QTEST_MAIN(SearchSettingsDlgTest)
#include "SearchSettingsDlgTest.moc"
