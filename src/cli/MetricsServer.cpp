#include "MetricsServer.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <memory>
#include <unistd.h>

namespace quorvel {

class MetricsServer::BoundedServer : public QTcpServer {
public:
    using QTcpServer::QTcpServer;

protected:
    void incomingConnection(qintptr descriptor) override {
        if (m_open >= kConnections) {
            ::close(int(descriptor));
            return;
        }
        auto* socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        ++m_open;
        connect(socket, &QObject::destroyed, this, [this] { --m_open; });
        // Connected before the HTTP server's own reader, so this sees each
        // read's bytes before it takes them.
        auto* idle = new QTimer(socket);
        auto* received = new qint64(0);
        connect(socket, &QObject::destroyed, [received] { delete received; });
        idle->setSingleShot(true);
        idle->start(kIdleMilliseconds);
        connect(idle, &QTimer::timeout, socket, &QTcpSocket::abort);
        connect(socket, &QTcpSocket::readyRead, socket, [socket, received] {
            *received += socket->bytesAvailable();
            if (*received > kRequestBytes)
                socket->abort();
        });
        connect(socket, &QTcpSocket::bytesWritten, socket, [idle, received] {
            *received = 0;
            idle->start(kIdleMilliseconds);
        });
        addPendingConnection(socket);
    }

private:
    int m_open = 0;
};

MetricsServer::MetricsServer(std::function<QByteArray()> metrics, ProbeHandler probe,
                             QObject* parent)
    : QAbstractHttpServer(parent), m_render(std::move(metrics)), m_probe(std::move(probe)),
      m_server(new BoundedServer(this)) {}

MetricsServer::~MetricsServer() = default;

QString MetricsServer::listen(const QHostAddress& address, quint16 port) {
    if (!m_server->listen(address, port))
        return m_server->errorString();
    bind(m_server);
    return {};
}

quint16 MetricsServer::port() const {
    return m_server->serverPort();
}

namespace {

// Qt's server keeps every connection open: a client that asked for it to be
// closed (a script, curl -0) would otherwise wait for the idle time-out.
void closeIfAsked(const QHttpServerRequest& request, QTcpSocket* socket) {
    if (request.value("connection").toLower().contains("close"))
        socket->disconnectFromHost();
}

} // namespace

bool MetricsServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    const QString path = request.url().path();
    if (path == QLatin1String("/probe") && m_probe &&
        request.method() == QHttpServerRequest::Method::Get) {
        auto responder = std::make_shared<QHttpServerResponder>(makeResponder(request, socket));
        QPointer<QTcpSocket> alive(socket);
        const bool close = request.value("connection").toLower().contains("close");
        std::optional<double> timeout;
        bool ok = false;
        const double seconds = request.value("x-prometheus-scrape-timeout-seconds").toDouble(&ok);
        if (ok)
            timeout = seconds;
        m_probe(QUrlQuery(request.url()), timeout, [responder, alive, close](HttpAnswer answer) {
            if (!alive)
                return;
            responder->write(answer.body, {{"Content-Type", answer.contentType}},
                             QHttpServerResponder::StatusCode(answer.status));
            if (close)
                alive->disconnectFromHost();
        });
        return true;
    }
    if (path != QLatin1String("/metrics") && path != QLatin1String("/"))
        return false;
    QHttpServerResponder responder = makeResponder(request, socket);
    if (request.method() != QHttpServerRequest::Method::Get) {
        responder.write(QByteArrayLiteral("method not allowed\n"),
                        {{"Content-Type", "text/plain; charset=utf-8"}, {"Allow", "GET"}},
                        QHttpServerResponder::StatusCode::MethodNotAllowed);
        closeIfAsked(request, socket);
        return true;
    }
    if (path == QLatin1String("/"))
        responder.write(QByteArrayLiteral("quorvel monitor: the metrics are at /metrics\n"),
                        {{"Content-Type", "text/plain; charset=utf-8"}});
    else
        responder.write(m_render(), {{"Content-Type", "text/plain; version=0.0.4; charset=utf-8"}});
    closeIfAsked(request, socket);
    return true;
}

void MetricsServer::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
    makeResponder(request, socket)
        .write(QByteArrayLiteral("not found\n"), {{"Content-Type", "text/plain; charset=utf-8"}},
               QHttpServerResponder::StatusCode::NotFound);
    closeIfAsked(request, socket);
}

} // namespace quorvel
