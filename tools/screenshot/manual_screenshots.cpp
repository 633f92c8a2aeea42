// Draws the manual's pictures: the search dialog while the example boards
// answer, the main window with them listed, the assign dialog and the printer
// status dialog for the selected board, and the printer overview. The boards'
// replies are fed to the real reply handlers through an in-memory socket;
// nothing is sent. Then
// the help for an empty search: its explanation, the search settings and the
// marker they leave above the list, from made-up facts (nothing is probed).
//   manual_screenshots BOARDS.csv OUTDIR   (under the offscreen platform)
// The locale chooses the language, as in the program: LANG=zh_CN.UTF-8 draws
// NAME.png, LANG=en_US.UTF-8 the empty search's help and the overview again
// as NAME-en.png.

#include "BoardFile.h"
#include "BoardReplies.h"
#include "core/exchange/AssignExchange.h"
#include "core/exchange/DeviceTable.h"
#include "core/exchange/SearchExchange.h"
#include "core/exchange/StatusExchange.h"
#include "gui/app/CQuorvelApp.h"
#include "gui/app/CQuorvelDlg.h"
#include "gui/app/FontSetup.h"
#include "gui/app/SearchOptions.h"
#include "gui/app/Translations.h"
#include "gui/dialogs/CAssignDlg.h"
#include "gui/dialogs/CSearchDlg.h"
#include "gui/dialogs/PrinterOverviewDlg.h"
#include "gui/dialogs/PrtStatDlg.h"
#include "gui/dialogs/SearchExplanationDlg.h"
#include "gui/dialogs/SearchSettingsDlg.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <cstdio>
#include <deque>
#include <map>
#include <vector>

using namespace quorvel;

namespace {

// Hands out queued datagrams as if the boards had sent them; sends go nowhere.
class CannedSocket : public DatagramSocket {
public:
    struct Datagram {
        std::vector<std::uint8_t> bytes;
        std::uint32_t source = 0;
    };
    std::deque<Datagram> queue;

    bool isOpen() const override { return true; }
    int sendTo(std::span<const std::uint8_t>, std::uint32_t, std::uint16_t, unsigned) override {
        return 0;
    }
    ReadOutcome receive(std::span<std::uint8_t> buffer) override {
        if (queue.empty())
            return {};
        const Datagram d = std::move(queue.front());
        queue.pop_front();
        std::copy(d.bytes.begin(), d.bytes.end(), buffer.begin());
        return {false, d.bytes.size(), d.source, 3040, 0};
    }
    bool hasPendingDatagram() override { return !queue.empty(); }
    void close() override {}
};

// "" for Chinese, else "-" and the language of the translation in use.
QString g_languageSuffix;

// Both manuals show the Chinese windows and quote their texts; the help for
// an empty search and the overview are drawn in each language. Other
// pictures are drawn only in Chinese.
bool save(QWidget& widget, QString path) {
    if (!g_languageSuffix.isEmpty()) {
        static const QStringList everyLanguage = {
            QStringLiteral("no-devices.png"), QStringLiteral("search-settings.png"),
            QStringLiteral("settings-marker.png"), QStringLiteral("printer-overview.png")};
        if (!everyLanguage.contains(QFileInfo(path).fileName()))
            return true;
        path.insert(path.size() - 4, g_languageSuffix); // before ".png"
    }
    widget.show();
    QApplication::processEvents();
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget.render(&image);
    if (!image.save(path)) {
        std::fprintf(stderr, "Cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s: %d x %d\n", qPrintable(path), image.width(), image.height());
    return true;
}

// A laptop whose search found nothing: a cable in a USB adapter that got no
// address, the office link answered by no board, Wi-Fi with the default
// route, a bridge that is down, and a firewall.
SearchExplanation madeUpEmptySearch() {
    SearchEnvironment env;
    auto use = [&](const char* name, std::optional<InterfaceSkipReason> skipped, bool carrier,
                   int rpFilter) {
        InterfaceUse u;
        u.name = name;
        u.skipped = skipped;
        u.carrier = carrier;
        u.rpFilterAll = rpFilter;
        u.rpFilterOwn = rpFilter;
        u.networkManaged = true;
        env.interfaces.push_back(u);
    };
    use("enp3s0", std::nullopt, true, 1);
    use("wlp2s0", std::nullopt, true, 1);
    use("enx00e04c360a17", InterfaceSkipReason::NoIpv4Address, true, 1);
    use("virbr0", InterfaceSkipReason::Down, false, 0);
    env.defaultRouteInterface = "wlp2s0";
    env.activeFirewalls = {"ufw"};
    env.martiansBefore = 12;
    env.martiansAfter = 15;
    return ExplainSearch(env, 0);
}

// The explanation box with its details open, the search settings, and the
// main window with the marker of changed settings.
bool saveSearchHelp(CQuorvelDlg& window, const QDir& out) {
    {
        SearchExplanationDlg box(madeUpEmptySearch());
        auto* details = box.findChild<QPushButton*>(QStringLiteral("showDetails"));
        details->setChecked(true);
        details->setFocus(); // no text cursor in the summary
        box.resize(box.sizeHint().expandedTo(QSize(640, 0)));
        if (!save(box, out.filePath(QStringLiteral("no-devices.png"))))
            return false;
    }
    const SearchSettings settings{
        {QStringLiteral("enp3s0")}, {QStringLiteral("198.18.5.255")}, 47000};
    {
        SearchSettingsDlg dialog(settings);
        // This machine's own interfaces stay out of the manual.
        auto* list = dialog.findChild<QListWidget*>(QStringLiteral("interfaces"));
        for (int i = list->count() - 1; i >= 0; --i)
            if (list->item(i)->text() != settings.interfaces.front())
                delete list->takeItem(i);
        for (const char* name : {"wlp2s0", "enx00e04c360a17"}) {
            auto* item = new QListWidgetItem(QString::fromLatin1(name), list);
            item->setFlags(list->item(0)->flags());
            item->setCheckState(Qt::Unchecked);
        }
        if (!save(dialog, out.filePath(QStringLiteral("search-settings.png"))))
            return false;
    }
    auto* marker = window.findChild<QLabel*>(QStringLiteral("searchSettingsMarker"));
    marker->setText(SearchSettingsSummary(settings));
    marker->show();
    const bool saved = save(window, out.filePath(QStringLiteral("settings-marker.png")));
    marker->hide();
    return saved;
}

// Answers each status request at once with the board's word, on the
// simulator's schedule; a board left out stays silent.
class StatusBoards : public CannedSocket {
public:
    std::map<std::uint32_t, sim::SimBoard> boards; // by address, host order

    int sendTo(std::span<const std::uint8_t>, std::uint32_t ip, std::uint16_t, unsigned) override {
        const auto board = boards.find(ip);
        if (board == boards.end())
            return 0;
        sim::SimBoard& b = board->second;
        if (b.changeAfter && b.statusAnswered == b.changeAfter)
            b.status = b.laterStatus;
        ++b.statusAnswered;
        const auto reply = sim::EncodePrinterStatusReply(b.status);
        queue.push_back({{reply.begin(), reply.end()}, ip});
        onReadyRead();
        return 0;
    }
};

// The overview after two rounds: the first board's paper ran low after its
// first answer, the last never answers, the rest answer as in the file. The
// board with two flags is selected.
bool saveOverview(CQuorvelDlg& window, const std::vector<sim::SimBoard>& boards,
                  const QString& path) {
    auto owned = std::make_unique<StatusBoards>();
    for (std::size_t i = 0; i + 1 < boards.size(); ++i)
        owned->boards[sim::ToHostOrder(boards[i].ip)] = boards[i];
    sim::SimBoard& first = owned->boards[sim::ToHostOrder(boards.front().ip)];
    first.changeAfter = 1;
    first.laterStatus = 1u << PaperNearEnd;
    PrinterOverviewDlg overview(std::move(owned), &window);
    const qint64 epoch = QDateTime(QDate::currentDate(), QTime(10, 24)).toMSecsSinceEpoch();
    QElapsedTimer clock;
    clock.start();
    overview.monitor().wallClock = [&] { return epoch + clock.elapsed(); };
    overview.addBoards(window.deviceTable().recordList());
    overview.show();
    // Past the second round and the silent board's time-out.
    while (clock.elapsed() < PrinterOverviewDlg::kRefreshMs + StatusMonitor::kTimeoutMs)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    overview.refresh();
    for (int row = 0; row < overview.model().rowCount(); ++row)
        if (overview.model().flagText(row).contains(u'\n'))
            overview.view().selectRow(row);
    const bool saved = save(overview, path);
    overview.done(0);
    return saved;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: manual_screenshots BOARDS.csv OUTDIR\n", stderr);
        return 2;
    }
    const sim::BoardsOrError loaded = sim::LoadBoardFile(argv[1]);
    if (!loaded.error.empty()) {
        std::fprintf(stderr, "%s: %s\n", argv[1], loaded.error.c_str());
        return 1;
    }
    const QDir out(QString::fromLocal8Bit(argv[2]));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    InstallFontSubstitutions();
    QStandardPaths::setTestModeEnabled(true); // not the user's saved settings
    const QString translation = InstallTranslations(
        application, QLocale::system().uiLanguages(),
        TranslationDirectories() << QStringLiteral(QUORVEL_BUILD_TRANSLATIONS_DIR));
    const QString language = QFileInfo(translation).completeBaseName().section(u'_', 1);
    if (!language.isEmpty() && !language.startsWith(QStringLiteral("zh")))
        g_languageSuffix = u'-' + language;

    auto owned = std::make_unique<CannedSocket>();
    CannedSocket& socket = *owned;
    CQuorvelApp app(std::move(owned));
    CQuorvelDlg window{app};
    window.show();

    // Three and a half seconds into a search, every board has answered.
    {
        SearchExchange run(app.dispatch, app.ports, window.deviceTable());
        CSearchDlg search(run);
        run.tickTimer().stop(); // stepped here, not by the clock
        for (int tick = 0; tick < 14; ++tick) {
            run.OnTimer();
            if (tick == 0)
                for (const sim::SimBoard& board : loaded.boards)
                    socket.queue.push_back(
                        {sim::EncodeSearchReply(board, run.randomNumber().value_or(0),
                                                board.leftElapsed, board.rightElapsed),
                         sim::ToHostOrder(board.ip)});
            while (socket.hasPendingDatagram())
                run.HandleSearchReply();
        }
        if (!save(search, out.filePath(QStringLiteral("search.png"))))
            return 1;
        search.OnCancel();
    }

    window.deviceTable().selectedIndex = 1;
    window.deviceTable().SortAndRedraw();
    if (!save(window, out.filePath(QStringLiteral("main-window.png"))))
        return 1;

    {
        AssignExchange exchange(app.dispatch, window.deviceTable().selectedRecord());
        CAssignDlg assign(exchange);
        if (!save(assign, out.filePath(QStringLiteral("assign.png"))))
            return 1;
        assign.OnCancel();
    }
    {
        StatusExchange exchange(app.dispatch, window.deviceTable().selectedRecord());
        PrtStatDlg status(exchange);
        status.OnRefresh();
        // Paper near its end and the cover open.
        const std::uint16_t word = (1u << PaperNearEnd) | (1u << CoverOpen);
        const auto reply = sim::EncodePrinterStatusReply(word);
        socket.queue.push_back({{reply.begin(), reply.end()}, 0});
        exchange.HandleReply();
        if (!save(status, out.filePath(QStringLiteral("printer-status.png"))))
            return 1;
        status.done(0);
    }
    return saveSearchHelp(window, out) &&
                   saveOverview(window, loaded.boards,
                                out.filePath(QStringLiteral("printer-overview.png")))
               ? 0
               : 1;
}
