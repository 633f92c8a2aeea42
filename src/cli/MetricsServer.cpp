#include "MetricsServer.h"

#include "HttpConnection.h"

#include <QCryptographicHash>
#include <QPointer>
#include <QTcpServer>
#include <algorithm>
#include <cmath>
#include <unistd.h>

namespace quorvel {

namespace {

const QByteArray kPlainText = "text/plain; charset=utf-8";

HttpResponse unauthorized() {
    HttpResponse response(401, kPlainText, "Unauthorized\n");
    response.headers.append(
        qMakePair(QByteArray("WWW-Authenticate"), QByteArray(R"(Basic realm="quorvel monitor")")));
    return response;
}

// Static: nothing a board or a peer sent is ever part of it.
const QByteArray kLandingPage = R"(<!DOCTYPE html>
<html lang="en">
<head><meta charset="utf-8"><title>Quorvel monitor</title></head>
<body>
<h1>Quorvel monitor</h1>
<p>The printer status of the network boards this monitor watches, for Prometheus.</p>
<ul>
<li><a href="metrics">Metrics</a> of every board watched</li>
<li>Probe one board: <code>probe?target=ADDRESS</code> (and <code>&amp;port=N</code>)
<form action="probe"><input name="target" placeholder="board address" required>
<button type="submit">Probe</button></form></li>
</ul>
</body>
</html>
)";

} // namespace

class MetricsServer::Listener : public QTcpServer {
public:
    explicit Listener(MetricsServer* server) : QTcpServer(server), m_server(server) {}

protected:
    void incomingConnection(qintptr descriptor) override { m_server->accept(descriptor); }

private:
    MetricsServer* m_server;
};

MetricsServer::MetricsServer(std::function<QByteArray()> metrics, ProbeHandler probe,
                             QObject* parent)
    : QObject(parent), m_metrics(std::move(metrics)), m_probe(std::move(probe)),
      m_settings(std::make_shared<EndpointSettings>()), m_listener(new Listener(this)) {
    m_passwordChecks.setMaxThreadCount(1);
}

MetricsServer::~MetricsServer() {
    m_passwordChecks.clear();
    m_passwordChecks.waitForDone();
    delete m_listener;
    for (HttpConnection* connection : std::exchange(m_connections, {})) {
        connection->disconnect(this);
        delete connection;
    }
}

void MetricsServer::setSettings(std::shared_ptr<const EndpointSettings> settings) {
    m_settings = std::move(settings);
    m_accepted.clear();
}

QString MetricsServer::listen(const QHostAddress& address, quint16 port) {
    if (!m_listener->listen(address, port))
        return m_listener->errorString();
    return {};
}

quint16 MetricsServer::port() const {
    return m_listener->serverPort();
}

void MetricsServer::accept(qintptr descriptor) {
    if (int(m_connections.size()) >= kConnections && !makeRoom()) {
        ::close(int(descriptor));
        return;
    }
    HttpConnection* connection = HttpConnection::accept(
        descriptor, m_nextId++, m_settings,
        [this](HttpConnection* c, const HttpRequestHead& request) { handle(c, request); }, this);
    if (!connection)
        return;
    m_connections.push_back(connection);
    connect(connection, &QObject::destroyed, this,
            [this, connection] { std::erase(m_connections, connection); });
}

// The oldest idle connection goes, else the oldest that stalled; one busy
// answering is left alone.
bool MetricsServer::makeRoom() {
    HttpConnection* victim = nullptr;
    for (HttpConnection* c : m_connections) {
        if (c->standing() == HttpConnection::Standing::Busy)
            continue;
        if (!victim || std::pair(c->standing(), c->lastProgress()) <
                           std::pair(victim->standing(), victim->lastProgress()))
            victim = c;
    }
    if (!victim)
        return false;
    std::erase(m_connections, victim);
    victim->drop();
    return true;
}

void MetricsServer::handle(HttpConnection* connection, const HttpRequestHead& request) {
    const EndpointSettings& settings = *connection->settings();
    if (settings.users.empty())
        return serve(connection, request);
    const auto credentials =
        request.authorization ? ReadBasicCredentials(*request.authorization) : std::nullopt;
    if (!credentials)
        return connection->respond(unauthorized());
    const QByteArray digest =
        QCryptographicHash::hash(*request.authorization, QCryptographicHash::Sha256);
    if (connection->settings() == m_settings && m_accepted.contains(digest))
        return serve(connection, request);
    m_passwordChecks.start([this, settings = connection->settings(), credentials = *credentials,
                            id = connection->id(), serial = connection->serial(), digest] {
        const bool accepted = settings->users.accepts(credentials);
        QMetaObject::invokeMethod(
            this, [=, this] { passwordChecked(id, serial, digest, accepted); },
            Qt::QueuedConnection);
    });
}

void MetricsServer::passwordChecked(quint64 connectionId, quint64 serial, const QByteArray& digest,
                                    bool accepted) {
    const auto found = std::find_if(m_connections.begin(), m_connections.end(),
                                    [&](HttpConnection* c) { return c->id() == connectionId; });
    if (found == m_connections.end() || !(*found)->answering(serial))
        return;
    if (!accepted)
        return (*found)->respond(unauthorized());
    // Remembered only for the settings in force: a reload since the check
    // may have changed the users.
    if ((*found)->settings() == m_settings) {
        if (m_accepted.size() >= 64)
            m_accepted.clear();
        m_accepted.insert(digest);
    }
    serve(*found, (*found)->request());
}

void MetricsServer::serve(HttpConnection* connection, const HttpRequestHead& request) {
    if (request.path == "/metrics")
        return connection->respond(
            HttpResponse(200, "text/plain; version=0.0.4; charset=utf-8", m_metrics()));
    if (request.path == "/")
        return connection->respond(HttpResponse(200, "text/html; charset=utf-8", kLandingPage));
    if (request.path != "/probe" || !m_probe)
        return connection->respond(HttpResponse(404, kPlainText, "not found\n"));

    std::optional<double> timeout;
    if (request.scrapeTimeout) {
        bool ok = false;
        const double seconds = request.scrapeTimeout->toDouble(&ok);
        if (!ok || !std::isfinite(seconds) || seconds <= 0)
            return connection->respond(
                HttpResponse(400, kPlainText, "a malformed X-Prometheus-Scrape-Timeout-Seconds\n"));
        timeout = seconds;
    }
    connection->awaitAnswer();
    m_probe(QUrlQuery(QString::fromLatin1(request.query)), timeout,
            [connection = QPointer(connection), serial = connection->serial()](HttpAnswer answer) {
                if (connection && connection->answering(serial))
                    connection->respond(
                        HttpResponse(answer.status, answer.contentType, answer.body));
            });
}

} // namespace quorvel
