#pragma once

#include "HttpRequestHead.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>

class QTcpSocket;

namespace quorvel {

struct EndpointSettings;

struct HttpResponse {
    HttpResponse(int status, QByteArray contentType, QByteArray body, bool close = false)
        : status(status), contentType(std::move(contentType)), body(std::move(body)), close(close) {
    }

    int status;
    QByteArray contentType;
    QByteArray body; // shared with whoever made it; written out piece by piece
    bool close;      // close after it, whatever the request asked
    QList<QPair<QByteArray, QByteArray>> headers;
};

// One peer of the endpoint, plain or TLS. It reads one request head at a
// time and stops reading until that request is answered, so a peer that
// pipelines requests and never reads the answers holds one answer at most,
// and TCP makes it wait. Every phase has a deadline; the connection deletes
// itself when it ends.
class HttpConnection : public QObject {
public:
    using RequestHandler = std::function<void(HttpConnection*, const HttpRequestHead&)>;

    static constexpr int kFirstRequestMilliseconds = 10000; // from accepting (TLS included)
    static constexpr int kHeadMilliseconds = 10000;         // from a later head's first byte
    static constexpr int kIdleMilliseconds = 60000;         // between requests
    static constexpr int kAnswerMilliseconds = 60000;       // for a probe's answer
    static constexpr int kStallMilliseconds = 10000;        // a peer that stopped reading

    // Nothing when the descriptor cannot be taken (it is closed then).
    static HttpConnection* accept(qintptr descriptor, quint64 id,
                                  std::shared_ptr<const EndpointSettings> settings,
                                  RequestHandler onRequest, QObject* parent);
    ~HttpConnection() override;

    quint64 id() const { return m_id; }
    const std::shared_ptr<const EndpointSettings>& settings() const { return m_settings; }
    // The request being answered (one at a time), and which one it is.
    const HttpRequestHead& request() const { return m_request; }
    quint64 serial() const { return m_serial; }
    bool answering(quint64 serial) const {
        return m_phase == Phase::Answering && m_serial == serial;
    }

    // The request's answer is produced elsewhere and may take a while.
    void awaitAnswer() { m_awaited = true; }
    void respond(HttpResponse response);

    // Who goes first when the endpoint needs a slot.
    enum class Standing { Idle, Stalled, Busy };
    Standing standing() const;
    std::chrono::steady_clock::time_point lastProgress() const { return m_progress; }
    void drop();

private:
    enum class Phase { Waiting, Reading, Answering, Writing, Closing, Closed };

    HttpConnection(QTcpSocket* socket, quint64 id, std::shared_ptr<const EndpointSettings> settings,
                   RequestHandler onRequest, QObject* parent);
    bool ready() const;
    void encrypted();
    void readInput();
    void pump();
    void finishResponse();
    void startClosing();
    void deadline();
    void touch() { m_progress = std::chrono::steady_clock::now(); }

    QTcpSocket* m_socket;
    quint64 m_id;
    std::shared_ptr<const EndpointSettings> m_settings;
    RequestHandler m_onRequest;
    Phase m_phase = Phase::Waiting;
    bool m_firstRequest = true;
    bool m_awaited = false;
    QTimer m_deadline;
    std::chrono::steady_clock::time_point m_progress;
    QByteArray m_input; // at most one head, and what came after it
    HttpRequestHead m_request;
    quint64 m_serial = 0;
    QByteArray m_outHead, m_outBody;
    qsizetype m_written = 0;
    bool m_closeAfter = false;
};

} // namespace quorvel
