#pragma once

#include <QAbstractHttpServer>
#include <QHostAddress>
#include <QUrlQuery>
#include <functional>
#include <optional>

class QTcpServer;

namespace quorvel {

struct HttpAnswer {
    int status = 200;
    QByteArray contentType = "text/plain; version=0.0.4; charset=utf-8";
    QByteArray body;
};
// Called for GET /probe; `answer` may be called at once or later, exactly
// once, and is safe to call after the connection has gone (the answer is
// then dropped).
using ProbeHandler =
    std::function<void(const QUrlQuery& query, std::optional<double> scrapeTimeoutSeconds,
                       std::function<void(HttpAnswer)> answer)>;

// GET /metrics (and a pointer to it at GET /); 404 for other paths, 405 for
// other methods. Each request is bounded in size and each connection in idle
// time, and only a few connections are held at once.
class MetricsServer : public QAbstractHttpServer {
public:
    static constexpr qint64 kRequestBytes = 16 * 1024;
    static constexpr int kIdleMilliseconds = 15000;
    static constexpr int kConnections = 16;

    MetricsServer(std::function<QByteArray()> metrics, ProbeHandler probe,
                  QObject* parent = nullptr);
    ~MetricsServer() override;

    // Empty when listening, else why not.
    QString listen(const QHostAddress& address, quint16 port);
    quint16 port() const;

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    class BoundedServer;
    std::function<QByteArray()> m_render;
    ProbeHandler m_probe;
    BoundedServer* m_server;
};

} // namespace quorvel
