#include "MonitorCommand.h"

#include "BoardSearch.h"
#include "CliSession.h"
#include "EndpointSettings.h"
#include "MonitorOutput.h"
#include "ProbeQuery.h"
#include "StandardOutput.h"
#include "Textfile.h"
#include "core/monitor/MetricsExposition.h"
#include "core/net/NetworkInterfaces.h"

#include <cstring>
#include <unistd.h>

namespace quorvel {

namespace {

MonitorLimits limitsOf(const CommandLine& line) {
    return {std::size_t(line.maxBoards), line.forgetAfterSeconds * 1000};
}

} // namespace

MonitorCommand::MonitorCommand(CliSession& session, QObject* parent)
    : QObject(parent), m_session(session),
      m_monitor(m_socket, qint64(session.line().intervalSeconds) * 1000, limitsOf(session.line())) {
    const CommandLine& line = session.line();
    if (!line.probeOnly && (line.targets.empty() || !line.interfaces.empty()))
        m_searches.push_back(std::nullopt);
    for (const Ipv4Address& target : line.targets)
        m_searches.push_back(target);
    m_terminal = line.format != OutputFormat::Json && isatty(STDOUT_FILENO);
    m_redraw.setSingleShot(true);
    m_redraw.setInterval(200);
    connect(&m_redraw, &QTimer::timeout, this, &MonitorCommand::drawTable);
    m_rescan.setSingleShot(true);
    connect(&m_rescan, &QTimer::timeout, this, &MonitorCommand::searchNext);
    connect(&m_monitor, &StatusMonitor::changed, this, &MonitorCommand::show);
    connect(&m_monitor, &StatusMonitor::boardsChanged, this, &MonitorCommand::render);
    connect(&m_monitor, &StatusMonitor::roundFinished, this, [this] {
        if (m_terminal)
            m_redraw.start();
        render();
        writeTextfile();
    });
    render();
}

MonitorCommand::~MonitorCommand() = default;

int MonitorCommand::prepare() {
    const CommandLine& line = m_session.line();
    if (line.textfile && IsSymbolicLink(QString::fromStdString(*line.textfile))) {
        m_session.progress().line("--textfile " + *line.textfile +
                                  " is a symbolic link; give the file's own path");
        return ExitUsage;
    }
    if (m_socket.open() != SocketOpenResult::Opened) {
        m_session.progress().line(std::string("cannot open the monitor's UDP socket: ") +
                                  std::strerror(errno));
        return ExitHost;
    }
    if (const auto& listen = line.listen) {
        std::shared_ptr<const EndpointSettings> settings;
        if (const auto& file = line.webConfig) {
            auto loaded = LoadEndpointSettings(QString::fromStdString(*file));
            if (const auto* error = std::get_if<WebConfigError>(&loaded)) {
                m_session.progress().line(WebConfigErrorLine(*file, *error));
                return ExitUsage;
            }
            settings = std::get<0>(std::move(loaded));
        }
        m_server = std::make_unique<MetricsServer>([this] { return m_exposition; },
                                                   [this](const QUrlQuery& query,
                                                          std::optional<double> timeout,
                                                          std::function<void(HttpAnswer)> answer) {
                                                       probe(query, timeout, std::move(answer));
                                                   });
        if (settings)
            m_server->setSettings(settings);
        const QString address = QString::fromStdString(Ipv4Text(listen->first));
        const std::string endpoint = address.toStdString() + ":" + std::to_string(listen->second);
        const QString problem = m_server->listen(QHostAddress(address), listen->second);
        if (!problem.isEmpty()) {
            m_session.progress().line("cannot listen on " + endpoint + ": " +
                                      problem.toStdString());
            return ExitHost;
        }
        if (listen->first[0] != 127 && (!settings || (!settings->tls && settings->users.empty())))
            m_session.progress().line(
                "warning: the metrics on " + endpoint +
                " are served to anyone who can reach them, without TLS or a password (see "
                "--web-config)");
    }
    return ExitSuccess;
}

void MonitorCommand::reload() {
    const auto& file = m_session.line().webConfig;
    if (!file) {
        m_session.progress().line("SIGHUP: no --web-config to read again");
        return;
    }
    auto loaded = LoadEndpointSettings(QString::fromStdString(*file));
    if (const auto* error = std::get_if<WebConfigError>(&loaded)) {
        m_session.progress().line(WebConfigErrorLine(*file, *error) +
                                  "; the endpoint keeps its previous settings");
        return;
    }
    m_server->setSettings(std::get<0>(std::move(loaded)));
    m_session.progress().line("--web-config " + *file + " read again: new connections follow it");
}

void MonitorCommand::start() {
    if (m_session.line().probeOnly) {
        m_started = true;
        m_monitor.start();
        return;
    }
    searchNext();
}

void MonitorCommand::stop() {
    m_monitor.stop();
    m_rescan.stop();
    m_search.reset();
}

void MonitorCommand::searchNext() {
    // Not from inside the last search's own signal.
    if (m_search)
        m_search.release()->deleteLater();
    if (m_nextSearch == m_searches.size()) {
        m_nextSearch = 0;
        m_rescan.start(int(m_session.line().rescanSeconds * 1000));
        return;
    }
    m_search = std::make_unique<BoardSearch>(m_session);
    m_search->setTarget(m_searches[m_nextSearch++]);
    // The monitor's rules already sort the replies as they come, so that
    // forged boards fill no room in the search's table.
    m_search->setRecordLimit(std::uint32_t(m_session.line().maxBoards));
    m_search->setRecordFilter(
        [this, broadcasts = DirectedBroadcasts(ReadInterfaceEntries())](const DeviceRecord& r) {
            return m_monitor.screen(r, broadcasts);
        });
    connect(m_search.get(), &BoardSearch::finished, this, &MonitorCommand::searched);
    ++m_searchesRun;
    m_search->start();
}

void MonitorCommand::searched() {
    m_monitor.countOverLimit(m_search->overLimit());
    m_monitor.addBoards(m_search->records());
    if (const std::uint64_t refused = m_monitor.counters().boardLimit; refused && !m_limitTold) {
        m_limitTold = true;
        m_session.progress().line(std::to_string(refused) + " boards found beyond --max-boards " +
                                  std::to_string(m_session.line().maxBoards) +
                                  " are not watched (counted in "
                                  "quorvel_monitor_replies_ignored_total{reason=\"board_limit\"})");
    }
    const bool passDone = m_nextSearch == m_searches.size();
    searchNext();
    // The first round waits for the first pass, so that it asks every board.
    if (passDone && !m_started) {
        m_started = true;
        m_monitor.start();
        if (m_terminal)
            drawTable();
    }
}

void MonitorCommand::show(int boardIndex, const StatusChange& change) {
    const MonitoredBoard& board = m_monitor.boards()[std::size_t(boardIndex)];
    if (m_terminal) {
        if (!m_redraw.isActive())
            m_redraw.start();
        return;
    }
    if (m_session.line().format == OutputFormat::Json) {
        const QByteArray json = MonitorChangeJson(board, change);
        WriteOut(std::string_view(json.constData(), std::size_t(json.size())));
    } else {
        WriteOut(MonitorChangeText(board, change));
    }
    if (OutputFailure()) {
        stop();
        Q_EMIT done(ExitOutput);
    }
}

void MonitorCommand::drawTable() {
    // Home, clear, then the table.
    WriteOut("\x1b[H\x1b[2J" + MonitorTable(m_monitor.boards()));
}

void MonitorCommand::render() {
    const MonitorFacts facts{!m_session.line().probeOnly, m_searchesRun, QUORVEL_VERSION,
                             qVersion()};
    m_exposition = QByteArray::fromStdString(MetricsExposition(m_monitor, facts));
}

void MonitorCommand::writeTextfile() {
    const auto& path = m_session.line().textfile;
    if (!path)
        return;
    const QString problem = WriteTextfile(QString::fromStdString(*path), m_exposition);
    // Said once, not every round.
    if (problem != m_textfileError && !problem.isEmpty())
        m_session.progress().line("cannot write " + *path + ": " + problem.toStdString());
    m_textfileError = problem;
}

void MonitorCommand::probe(const QUrlQuery& query, std::optional<double> scrapeTimeoutSeconds,
                           std::function<void(HttpAnswer)> answer) {
    const auto broadcasts = DirectedBroadcasts(ReadInterfaceEntries());
    const auto target = ParseProbeQuery(query, broadcasts);
    if (const auto* problem = std::get_if<QString>(&target)) {
        answer({400, "text/plain; charset=utf-8", problem->toUtf8() + '\n'});
        return;
    }
    const ProbeTarget board = std::get<ProbeTarget>(target);
    const bool started = m_monitor.probe(board.ip, board.port, ProbeBudgetMs(scrapeTimeoutSeconds),
                                         [answer](const ProbeResult& result) {
                                             HttpAnswer reply;
                                             reply.body =
                                                 QByteArray::fromStdString(ProbeExposition(result));
                                             answer(std::move(reply));
                                         });
    if (!started)
        answer({503, "text/plain; charset=utf-8",
                "too many probes at once; try again when fewer are in flight\n"});
}

} // namespace quorvel
