#include "MonitorCommand.h"

#include "BoardSearch.h"
#include "CliSession.h"
#include "MetricsServer.h"
#include "MonitorOutput.h"
#include "StandardOutput.h"
#include "EndpointSettings.h"
#include "core/MetricsExposition.h"

#include <QSaveFile>
#include <cstring>
#include <unistd.h>

namespace quorvel {

MonitorCommand::MonitorCommand(CliSession& session, QObject* parent)
    : QObject(parent), m_session(session),
      m_monitor(m_socket, qint64(session.line().intervalSeconds) * 1000) {
    const CommandLine& line = session.line();
    if (line.targets.empty() || !line.interfaces.empty())
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
    connect(&m_monitor, &StatusMonitor::roundFinished, this, [this] {
        if (m_terminal)
            m_redraw.start();
        writeTextfile();
    });
}

MonitorCommand::~MonitorCommand() = default;

int MonitorCommand::prepare() {
    if (m_socket.open() != SocketOpenResult::Opened) {
        m_session.progress().line(std::string("cannot open the monitor's UDP socket: ") +
                                  std::strerror(errno));
        return ExitHost;
    }
    if (const auto& listen = m_session.line().listen) {
        std::shared_ptr<const EndpointSettings> settings;
        if (const auto& file = m_session.line().webConfig) {
            auto loaded = LoadEndpointSettings(QString::fromStdString(*file));
            if (const auto* error = std::get_if<WebConfigError>(&loaded)) {
                m_session.progress().line(WebConfigErrorLine(*file, *error));
                return ExitUsage;
            }
            settings = std::get<0>(std::move(loaded));
        }
        m_server = std::make_unique<MetricsServer>(
            [this] { return QByteArray::fromStdString(MetricsExposition(m_monitor)); },
            ProbeHandler());
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
        m_rescan.start(m_session.line().rescanMinutes * 60 * 1000);
        return;
    }
    m_search = std::make_unique<BoardSearch>(m_session);
    m_search->setTarget(m_searches[m_nextSearch++]);
    connect(m_search.get(), &BoardSearch::finished, this, &MonitorCommand::searched);
    m_search->start();
}

void MonitorCommand::searched() {
    m_monitor.addBoards(m_search->records());
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

void MonitorCommand::writeTextfile() {
    const auto& path = m_session.line().textfile;
    if (!path)
        return;
    QSaveFile file(QString::fromStdString(*path));
    const std::string text = MetricsExposition(m_monitor);
    QString problem;
    if (!file.open(QIODevice::WriteOnly) || file.write(text.data(), qint64(text.size())) < 0 ||
        !file.commit())
        problem = file.errorString();
    // Said once, not every round.
    if (problem != m_textfileError && !problem.isEmpty())
        m_session.progress().line("cannot write " + *path + ": " + problem.toStdString());
    m_textfileError = problem;
}

} // namespace quorvel
