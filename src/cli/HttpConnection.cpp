#include "HttpConnection.h"

#include "EndpointSettings.h"

#include <QSslSocket>
#include <sys/socket.h>
#include <unistd.h>

namespace quorvel {

namespace {

// What is handed to the socket at a time: a 10 MB exposition is never
// copied whole into a connection's buffer.
constexpr qint64 kChunkBytes = 64 * 1024;

const char* reasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 413:
        return "Content Too Large";
    case 414:
        return "URI Too Long";
    case 431:
        return "Request Header Fields Too Large";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    case 504:
        return "Gateway Timeout";
    case 505:
        return "HTTP Version Not Supported";
    }
    return "";
}

} // namespace

HttpConnection* HttpConnection::accept(qintptr descriptor, quint64 id,
                                       std::shared_ptr<const EndpointSettings> settings,
                                       RequestHandler onRequest, QObject* parent) {
    QTcpSocket* socket = settings->tls ? new QSslSocket : new QTcpSocket;
    if (!socket->setSocketDescriptor(descriptor)) {
        ::close(int(descriptor));
        delete socket;
        return nullptr;
    }
    return new HttpConnection(socket, id, std::move(settings), std::move(onRequest), parent);
}

HttpConnection::HttpConnection(QTcpSocket* socket, quint64 id,
                               std::shared_ptr<const EndpointSettings> settings,
                               RequestHandler onRequest, QObject* parent)
    : QObject(parent), m_socket(socket), m_id(id), m_settings(std::move(settings)),
      m_onRequest(std::move(onRequest)) {
    m_socket->setParent(this);
    // What Qt reads ahead while a request is answered: beyond it, TCP pushes back.
    m_socket->setReadBufferSize(kHttpHeadBytes);
    touch();
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, &HttpConnection::deadline);
    m_deadline.start(kFirstRequestMilliseconds);
    connect(m_socket, &QTcpSocket::readyRead, this, &HttpConnection::readInput);
    connect(m_socket, &QTcpSocket::bytesWritten, this, [this] {
        touch();
        if (m_phase == Phase::Writing)
            m_deadline.start(kStallMilliseconds);
        pump();
    });
    connect(m_socket, &QTcpSocket::disconnected, this, &HttpConnection::drop);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &HttpConnection::drop);
    if (auto* ssl = qobject_cast<QSslSocket*>(m_socket)) {
        ssl->setSslConfiguration(*m_settings->tls);
        if (m_settings->clientAuth == WebConfig::ClientAuth::VerifyIfGiven)
            ssl->ignoreSslErrors({QSslError(QSslError::NoPeerCertificate)});
        connect(ssl, &QSslSocket::encrypted, this, &HttpConnection::encrypted);
        connect(ssl, &QSslSocket::encryptedBytesWritten, this, &HttpConnection::pump);
        ssl->startServerEncryption();
    }
}

HttpConnection::~HttpConnection() = default;

bool HttpConnection::ready() const {
    const auto* ssl = qobject_cast<const QSslSocket*>(m_socket);
    return !ssl || ssl->isEncrypted();
}

void HttpConnection::encrypted() {
    const auto* ssl = static_cast<QSslSocket*>(m_socket);
    const QSslCertificate peer = ssl->peerCertificate();
    if ((m_settings->clientAuth == WebConfig::ClientAuth::RequireAny && peer.isNull()) ||
        (!peer.isNull() && !m_settings->allowsClient(peer)))
        return drop();
    readInput();
}

void HttpConnection::readInput() {
    if (m_phase == Phase::Closing) {
        m_socket->readAll(); // what the peer still sends is not answered
        return;
    }
    if ((m_phase != Phase::Waiting && m_phase != Phase::Reading) || !ready())
        return;
    if (m_input.size() < kHttpHeadBytes)
        m_input += m_socket->read(kHttpHeadBytes - m_input.size());
    if (m_input.isEmpty())
        return;
    const HttpHeadReading reading = ReadHttpRequestHead(m_input);
    switch (reading.state) {
    case HttpHeadReading::State::Incomplete:
        if (m_phase == Phase::Waiting && !m_firstRequest)
            m_deadline.start(kHeadMilliseconds);
        m_phase = Phase::Reading;
        return;
    case HttpHeadReading::State::Bad: {
        m_input.clear();
        m_request = {};
        m_phase = Phase::Answering;
        HttpResponse refusal(reading.status, "text/plain; charset=utf-8",
                             QByteArray(reading.problem) + "\n", true);
        if (reading.status == 405)
            refusal.headers.append(qMakePair(QByteArray("Allow"), QByteArray("GET, HEAD")));
        respond(std::move(refusal));
        return;
    }
    case HttpHeadReading::State::Complete:
        m_input.remove(0, reading.length);
        m_request = reading.request;
        ++m_serial;
        m_firstRequest = false;
        m_awaited = false;
        m_phase = Phase::Answering;
        m_deadline.start(kAnswerMilliseconds);
        touch();
        m_onRequest(this, m_request);
        return;
    }
}

void HttpConnection::respond(HttpResponse response) {
    if (m_phase != Phase::Answering)
        return;
    if (response.status < 100 || response.status > 599)
        response = HttpResponse(500, "text/plain; charset=utf-8", "no valid answer\n");
    m_closeAfter = response.close || !m_request.keepAlive;
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' +
                      reasonPhrase(response.status) + "\r\n";
    if (!response.contentType.isEmpty())
        head += "Content-Type: " + response.contentType + "\r\n";
    head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    for (const auto& [name, value] : m_settings->headers + response.headers)
        head += name + ": " + value + "\r\n";
    head += m_closeAfter ? "Connection: close\r\n\r\n" : "Connection: keep-alive\r\n\r\n";
    m_outHead = head;
    m_outBody = m_request.head ? QByteArray() : response.body;
    m_written = 0;
    m_phase = Phase::Writing;
    m_deadline.start(kStallMilliseconds);
    pump();
}

void HttpConnection::pump() {
    if (m_phase != Phase::Writing)
        return;
    const auto* ssl = qobject_cast<const QSslSocket*>(m_socket);
    qint64 queued = m_socket->bytesToWrite() + (ssl ? ssl->encryptedBytesToWrite() : 0);
    const qsizetype total = m_outHead.size() + m_outBody.size();
    while (queued < kChunkBytes && m_written < total) {
        const bool inHead = m_written < m_outHead.size();
        const QByteArray& part = inHead ? m_outHead : m_outBody;
        const qsizetype offset = inHead ? m_written : m_written - m_outHead.size();
        const qint64 piece = std::min<qint64>(kChunkBytes, part.size() - offset);
        if (m_socket->write(part.constData() + offset, piece) != piece)
            return drop();
        m_written += piece;
        queued += piece;
    }
    if (m_written == total && queued == 0)
        finishResponse();
}

void HttpConnection::finishResponse() {
    m_outHead.clear();
    m_outBody.clear();
    touch();
    if (m_closeAfter)
        return startClosing();
    m_phase = Phase::Waiting;
    m_request = {};
    m_deadline.start(kIdleMilliseconds);
    // Later, not from inside this write: a pipelined request waits its turn
    // behind the other connections' events.
    QMetaObject::invokeMethod(this, &HttpConnection::readInput, Qt::QueuedConnection);
}

void HttpConnection::startClosing() {
    m_phase = Phase::Closing;
    m_deadline.start(2000);
    if (qobject_cast<QSslSocket*>(m_socket)) {
        m_socket->disconnectFromHost();
        return;
    }
    // Our side done, theirs drained until they close: closing with their
    // bytes unread would reset the connection, and the answer could be lost.
    ::shutdown(int(m_socket->socketDescriptor()), SHUT_WR);
    readInput();
}

void HttpConnection::deadline() {
    if (m_phase == Phase::Answering && m_awaited)
        return respond(HttpResponse(503, "text/plain; charset=utf-8", "no answer in time\n", true));
    drop();
}

HttpConnection::Standing HttpConnection::standing() const {
    switch (m_phase) {
    case Phase::Waiting:
        return ready() ? Standing::Idle : Standing::Stalled;
    case Phase::Closing:
    case Phase::Closed:
        return Standing::Idle;
    case Phase::Reading:
        return Standing::Stalled;
    case Phase::Answering:
        return m_awaited ? Standing::Busy : Standing::Stalled;
    case Phase::Writing:
        return std::chrono::steady_clock::now() - m_progress < std::chrono::seconds(1)
                   ? Standing::Busy
                   : Standing::Stalled;
    }
    return Standing::Idle;
}

void HttpConnection::drop() {
    if (m_phase == Phase::Closed)
        return;
    m_phase = Phase::Closed;
    m_deadline.stop();
    m_socket->abort();
    deleteLater();
}

} // namespace quorvel
