#pragma once

#include <QAbstractHttpServer>
#include <QHostAddress>
#include <functional>

class QTcpServer;

namespace quorvel {

// GET /metrics (and a pointer to it at GET /); 404 for other paths, 405 for
// other methods. Each request is bounded in size and each connection in idle
// time, and only a few connections are held at once.
class MetricsServer : public QAbstractHttpServer {
public:
    static constexpr qint64 kRequestBytes = 16 * 1024;
    static constexpr int kIdleMilliseconds = 15000;
    static constexpr int kConnections = 16;

    explicit MetricsServer(std::function<QByteArray()> render, QObject* parent = nullptr);
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
    BoundedServer* m_server;
};

} // namespace quorvel
