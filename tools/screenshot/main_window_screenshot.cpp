// Builds the main window with a few boards listed and saves a picture of it.
// Runs under the offscreen platform; it opens no socket and sends nothing.
// The locale chooses the language: LANG=en_US.UTF-8 draws the English window.

#include "core/exchange/DeviceTable.h"
#include "gui/app/CQuorvelApp.h"
#include "gui/app/CQuorvelDlg.h"
#include "gui/app/FontSetup.h"
#include "gui/app/Translations.h"
#include "gui/boardlist/CNetDisplay.h"

#include <QApplication>
#include <QImage>
#include <QLocale>
#include <QPixmap>
#include <cstdio>
#include <cstring>

using namespace quorvel;

namespace {

// A socket that is never open: the picture needs no network.
class InertSocket : public DatagramSocket {
public:
    bool isOpen() const override { return false; }
    int sendTo(std::span<const std::uint8_t>, std::uint32_t, std::uint16_t, unsigned) override {
        return 1;
    }
    ReadOutcome receive(std::span<std::uint8_t>) override { return {}; }
    bool hasPendingDatagram() override { return false; }
    void close() override {}
};

DeviceRecord board(const char* name, const char* description, std::uint8_t lastOctet,
                   std::uint8_t staticAddress, std::uint32_t days, std::uint8_t hours,
                   std::uint8_t minutes, std::uint8_t seconds) {
    DeviceRecord r;
    r.name = name;
    r.description = description;
    r.staticAddress = staticAddress;
    r.ip = {192, 168, 1, lastOctet};
    r.mac = {0x00, 0x1A, 0x0B, 0x3C, 0x10, lastOctet};
    r.leftLabel = "运行时间: ";
    r.rightLabel = "打印时间: ";
    r.leftDays = days;
    r.leftHours = hours;
    r.leftMinutes = minutes;
    r.leftSeconds = seconds;
    r.rightHours = hours / 2;
    r.rightMinutes = minutes;
    r.rightSeconds = static_cast<std::uint8_t>(seconds / 3);
    r.replyPort = 3040;
    return r;
}

} // namespace

int main(int argc, char** argv) {
    const char* output = argc > 1 ? argv[1] : "docs/main-window.png";
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    InstallFontSubstitutions();
    InstallTranslations(application, QLocale::system().uiLanguages(),
                        TranslationDirectories() << QStringLiteral(QUORVEL_BUILD_TRANSLATIONS_DIR));

    CQuorvelApp app(std::make_unique<InertSocket>());
    CQuorvelDlg window{app};
    DeviceTable& table = window.deviceTable();
    table.AddRecord(board("厨房打印机", "热敏票据打印机 80mm", 21, 1, 3, 4, 15, 9));
    table.AddRecord(board("Front Desk", "Receipt printer, LAN board", 35, 0, 0, 6, 2, 48));
    table.AddRecord(board("仓库标签机", "条码标签打印机", 47, 1, 0, 0, 12, 30));
    table.AddRecord(board("Bar", "Receipt printer, LAN board", 58, 0, 0, 0, 0, 41));
    table.selectedIndex = 1;
    window.relabelColumns(QStringLiteral("运行时间: "), QStringLiteral("打印时间: "));
    window.show();
    QApplication::processEvents();

    // The window's own region leaves its two top corners transparent.
    QImage image(window.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    window.render(&image);
    if (!image.save(QString::fromLocal8Bit(output))) {
        std::fprintf(stderr, "Cannot write %s\n", output);
        return 1;
    }
    std::printf("%s: %d x %d\n", output, image.width(), image.height());
    return 0;
}
