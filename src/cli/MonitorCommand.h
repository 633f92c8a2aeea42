#pragma once

#include "MetricsServer.h"
#include "core/monitor/StatusMonitor.h"
#include "core/net/UdpSocket.h"
#include "protocol/Addresses.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <memory>
#include <optional>
#include <vector>

namespace quorvel {

class BoardSearch;
class CliSession;

// `quorvel monitor`: searches for the boards (again every --rescan)
// and hands them to the status monitor, which asks them on a socket of its
// own; shows the changes, serves or writes the metrics, and answers probes of
// single boards, until a signal.
class MonitorCommand : public QObject {
    Q_OBJECT
public:
    explicit MonitorCommand(CliSession& session, QObject* parent = nullptr);
    ~MonitorCommand() override;
    // Opens the monitor's socket and the metrics endpoint: 0, or the exit
    // status with its line printed.
    int prepare();
    void start();
    void stop();
    // Reads --web-config again; a bad file leaves the endpoint as it was.
    void reload();

Q_SIGNALS:
    void done(int exitCode);

private:
    void searchNext();
    void searched();
    void show(int boardIndex, const StatusChange& change);
    void drawTable();
    // The exposition is made here, once per round and when the boards
    // change; every scrape and the textfile are served from it.
    void render();
    void writeTextfile();
    void probe(const QUrlQuery& query, std::optional<double> scrapeTimeoutSeconds,
               std::function<void(HttpAnswer)> answer);

    CliSession& m_session;
    UdpSocket m_socket;
    StatusMonitor m_monitor;
    std::unique_ptr<MetricsServer> m_server;
    std::unique_ptr<BoardSearch> m_search;
    std::vector<std::optional<Ipv4Address>> m_searches; // nothing: a broadcast
    std::size_t m_nextSearch = 0;
    std::uint64_t m_searchesRun = 0;
    QByteArray m_exposition;
    QTimer m_rescan;
    QTimer m_redraw;
    bool m_terminal = false;
    bool m_started = false;
    bool m_limitTold = false;
    QString m_textfileError;
};

} // namespace quorvel
