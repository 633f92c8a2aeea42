#pragma once

#include "core/StatusMonitor.h"
#include "core/UdpSocket.h"
#include "protocol/Addresses.h"

#include <QObject>
#include <QTimer>
#include <memory>
#include <optional>
#include <vector>

namespace quorvel {

class BoardSearch;
class CliSession;
class MetricsServer;

// `quorvel monitor`: searches for the boards (again every --rescan minutes)
// and hands them to the status monitor, which asks them on a socket of its
// own; shows the changes, serves or writes the metrics, until a signal.
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
    void writeTextfile();

    CliSession& m_session;
    UdpSocket m_socket;
    StatusMonitor m_monitor;
    std::unique_ptr<MetricsServer> m_server;
    std::unique_ptr<BoardSearch> m_search;
    std::vector<std::optional<Ipv4Address>> m_searches; // nothing: a broadcast
    std::size_t m_nextSearch = 0;
    QTimer m_rescan;
    QTimer m_redraw;
    bool m_terminal = false;
    bool m_started = false;
    QString m_textfileError;
};

} // namespace quorvel
