#include "gui/app/FontSetup.h"
#include "gui/app/Translations.h"
#include "core/exchange/DeviceTable.h"
#include "gui/boardlist/CNetDisplay.h"
#include "gui/boardlist/CellText.h"
#include "gui/resources/DialogTemplates.h"
#include "gui/frame/TemplateControls.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTest>

using namespace quorvel;

namespace {

// The width a control needs to show its whole text on one line, the way the
// style lays it out; 0 for a control without a text of its own.
int neededWidth(QWidget* widget) {
    const QStyle* style = widget->style();
    const QFontMetrics metrics = widget->fontMetrics();
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
        QString text = button->text();
        text.remove(QLatin1Char('&'));
        return metrics.horizontalAdvance(text) + style->pixelMetric(QStyle::PM_ButtonMargin) +
               2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth);
    }
    if (auto* box = qobject_cast<QCheckBox*>(widget))
        return style->pixelMetric(QStyle::PM_IndicatorWidth) +
               style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing) +
               metrics.horizontalAdvance(box->text());
    if (auto* label = qobject_cast<QLabel*>(widget))
        return metrics.horizontalAdvance(label->text());
    return 0;
}

} // namespace

class TemplateTextFitsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        InstallFontSubstitutions();
        QVERIFY(!InstallTranslations(*qApp, {QStringLiteral("en-US")},
                                     {QStringLiteral(QUORVEL_BUILD_TRANSLATIONS_DIR)})
                     .isEmpty());
    }

    void everyShownTextFitsItsControlInEnglish_data() {
        QTest::addColumn<int>("id");
        for (int id : {IDD_ABOUTBOX, IDD_MAIN, IDD_SEARCH, IDD_ASSIGN, IDD_FRAME_DEFAULT, IDD_PORTS,
                       IDD_PRINTER_STATUS})
            QTest::newRow(qPrintable(QString::number(id))) << id;
    }
    void everyShownTextFitsItsControlInEnglish() {
        QFETCH(int, id);
        const DialogTemplate& tmpl = FindDialogTemplate(id);
        QWidget dialog;
        TemplateControls controls;
        controls.build(&dialog, tmpl);
        QStringList tooWide;
        for (std::size_t i = 0; i < tmpl.controls.size(); ++i) {
            QWidget* widget = controls.inTemplateOrder()[i];
            if (!tmpl.controls[i].visible)
                continue; // never shown
            const int needed = neededWidth(widget);
            if (needed > widget->width())
                tooWide << QStringLiteral("\"%1\" needs %2 px, has %3")
                               .arg(TemplateText(tmpl.controls[i].text))
                               .arg(needed)
                               .arg(widget->width());
        }
        QVERIFY2(tooWide.isEmpty(), qPrintable(tooWide.join(QStringLiteral("; "))));
    }

    // The address line of a cell, at its widest, fits the cell's right half
    // in the main window's list, also with the scroll bar shown.
    void theCellsAddressLineFitsInEnglish() {
        DeviceTable table;
        CNetDisplay list(table);
        list.resize(600, 365); // as the main window's template makes it
        DeviceRecord widest;
        std::fill(std::begin(widest.ip), std::end(widest.ip), 255);
        for (int i = 0; i < 6; ++i)
            table.AddRecord(widest);
        QVERIFY(!list.verticalScrollBar()->isHidden());
        const QRect cell = list.cellRect(0);
        const int room = cell.right() + 1 - (cell.left() + cell.width() / 2);

        QFont title(QStringLiteral("Tahoma"));
        title.setPixelSize(18);
        title.setBold(true);
        const QFontMetrics metrics(title);
        for (std::uint8_t mode : {0, 1}) {
            widest.staticAddress = mode;
            const QString text = IpLineText(widest);
            QVERIFY(text.contains(mode ? QStringLiteral("static") : QStringLiteral("DHCP")));
            QVERIFY2(metrics.horizontalAdvance(text) <= room,
                     qPrintable(QStringLiteral("%1 needs %2 px, has %3")
                                    .arg(text)
                                    .arg(metrics.horizontalAdvance(text))
                                    .arg(room)));
        }
    }
};

QTEST_MAIN(TemplateTextFitsTest)
#include "TemplateTextFitsTest.moc"
