#pragma once

#include "EndpointSettings.h"

#include <QHostAddress>
#include <QObject>
#include <QSet>
#include <QThreadPool>
#include <QUrlQuery>
#include <functional>
#include <memory>
#include <optional>

namespace quorvel {

class HttpConnection;
struct HttpRequestHead;

struct HttpAnswer {
    int status = 200;
    QByteArray contentType = "text/plain; version=0.0.4; charset=utf-8";
    QByteArray body;
};

// Called for GET /probe; `answer` may be called at once or later, exactly
// once, on this thread, and is safe to call after the connection has gone
// (the answer is then dropped).
using ProbeHandler =
    std::function<void(const QUrlQuery& query, std::optional<double> scrapeTimeoutSeconds,
                       std::function<void(HttpAnswer)> answer)>;

// The monitor's HTTP endpoint: GET (and HEAD) /metrics, /probe and a landing
// page at /, over plain HTTP or TLS, with basic auth, as the web configuration
// says. Hostile peers are expected: each connection has a deadline for its
// request, one request is answered at a time, and when all slots are taken
// the oldest idle connection makes room for a newcomer.
class MetricsServer : public QObject {
public:
    static constexpr int kConnections = 64;

    // `metrics` hands over the current exposition (shared, not copied);
    // without `probe`, /probe is not found.
    MetricsServer(std::function<QByteArray()> metrics, ProbeHandler probe,
                  QObject* parent = nullptr);
    ~MetricsServer() override;

    // Plain HTTP without authentication until told otherwise; new settings
    // apply to the connections accepted from then on.
    void setSettings(std::shared_ptr<const EndpointSettings> settings);
    // Empty when listening, else why not.
    QString listen(const QHostAddress& address, quint16 port);
    quint16 port() const;
    int connections() const { return int(m_connections.size()); }

private:
    class Listener;
    void accept(qintptr descriptor);
    bool makeRoom();
    void handle(HttpConnection* connection, const HttpRequestHead& request);
    void serve(HttpConnection* connection, const HttpRequestHead& request);
    void passwordChecked(quint64 connectionId, quint64 serial, const QByteArray& digest,
                         bool accepted);

    std::function<QByteArray()> m_metrics;
    ProbeHandler m_probe;
    std::shared_ptr<const EndpointSettings> m_settings;
    Listener* m_listener;
    std::vector<HttpConnection*> m_connections;
    quint64 m_nextId = 1;
    // bcrypt is slow on purpose: off the event loop, one at a time; the
    // credentials that passed are remembered (as digests) until a reload.
    QThreadPool m_passwordChecks;
    QSet<QByteArray> m_accepted;
};

} // namespace quorvel
