// The metrics endpoint over loopback: what it serves, what it refuses, and
// the bounds on a request.
#include "cli/MetricsServer.h"

#include <QTcpSocket>
#include <QTest>

using namespace quorvel;

namespace {

// Sends raw bytes and returns all that came back before the server closed
// or stopped answering.
QByteArray exchange(quint16 port, const QByteArray& request) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(5000))
        return "no connection";
    socket.write(request);
    QByteArray reply;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 5000 && socket.state() == QAbstractSocket::ConnectedState) {
        QCoreApplication::processEvents();
        socket.waitForReadyRead(50);
        reply += socket.readAll();
        if (reply.contains("\r\n\r\n") && !request.contains("keep"))
            break;
    }
    return socket.isOpen() ? reply + socket.readAll() : reply;
}

} // namespace

class MetricsServerTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void servesMetricsAndRefusesTheRest() {
        MetricsServer server([] { return QByteArrayLiteral("quorvel_monitor_boards 3\n"); });
        QCOMPARE(server.listen(QHostAddress::LocalHost, 0), QString());
        const struct {
            QByteArray request, statusLine, has;
        } cases[] = {
            {"GET /metrics HTTP/1.1\r\nHost: x\r\n\r\n", "HTTP/1.1 200",
             "quorvel_monitor_boards 3"},
            {"GET / HTTP/1.1\r\nHost: x\r\n\r\n", "HTTP/1.1 200", "/metrics"},
            {"POST /metrics HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\n\r\n", "HTTP/1.1 405",
             "Allow: GET"},
            {"DELETE / HTTP/1.1\r\nHost: x\r\n\r\n", "HTTP/1.1 405", ""},
            {"GET /metrics/../etc HTTP/1.1\r\nHost: x\r\n\r\n", "HTTP/1.1 404", ""},
            // Longer than a request may be: the connection is dropped unanswered.
            {"GET /metrics HTTP/1.1\r\nX-Pad: " + QByteArray(40000, 'a') + "\r\n\r\n", "", ""},
        };
        for (const auto& c : cases) {
            const QByteArray reply = exchange(server.port(), c.request);
            QVERIFY2(reply.startsWith(c.statusLine), reply.left(200).constData());
            QVERIFY2(reply.contains(c.has), reply.constData());
            if (c.statusLine.isEmpty())
                QVERIFY2(reply.isEmpty(), reply.left(200).constData());
        }
        MetricsServer second([] { return QByteArray(); }); // the address is taken
        QVERIFY(!second.listen(QHostAddress::LocalHost, server.port()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(MetricsServerTest)
#include "MetricsServerTest.moc"
