// Draws the manual's pictures: the search dialog while the example boards
// answer, the main window with them listed, the assign dialog and the printer
// status dialog for the selected board, and the printer overview in Chinese
// and English. The boards' replies are fed to the real reply handlers through
// an in-memory socket; nothing is sent.
//   manual_screenshots BOARDS.csv OUTDIR   (under the offscreen platform)

#include "BoardFile.h"
#include "BoardReplies.h"
#include "core/AssignExchange.h"
#include "core/DeviceTable.h"
#include "core/SearchExchange.h"
#include "core/StatusExchange.h"
#include "gui/app/CQuorvelApp.h"
#include "gui/app/CQuorvelDlg.h"
#include "gui/app/FontSetup.h"
#include "gui/app/Translations.h"
#include "gui/dialogs/CAssignDlg.h"
#include "gui/dialogs/CSearchDlg.h"
#include "gui/dialogs/PrinterOverviewDlg.h"
#include "gui/dialogs/PrtStatDlg.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QTableView>
#include <QTranslator>
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

bool save(QWidget& widget, const QString& path) {
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

// Replaces the translations with those for `language`.
void useLanguage(QApplication& application, const QString& language) {
    for (QTranslator* translator : application.findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
    InstallTranslations(application, {language},
                        TranslationDirectories() << QStringLiteral(QUORVEL_BUILD_TRANSLATIONS_DIR));
}

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

    useLanguage(application, QStringLiteral("zh-CN"));
    if (!saveOverview(window, loaded.boards, out.filePath(QStringLiteral("printer-overview.png"))))
        return 1;
    useLanguage(application, QStringLiteral("en-US"));
    if (!saveOverview(window, loaded.boards,
                      out.filePath(QStringLiteral("printer-overview-en.png"))))
        return 1;
    return 0;
}
