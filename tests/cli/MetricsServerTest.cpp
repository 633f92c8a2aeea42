// The endpoint on 127.0.0.1 with clients in the same event loop: one request
// answered at a time and in order, the probe's plumbing and the client
// certificate policies. TLS with basic auth against a real Prometheus, and
// peers that take every slot, are in the end-to-end test.
#include "cli/MetricsServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QSslKey>
#include <QSslSocket>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using namespace quorvel;

namespace {

const QByteArray kHost = " HTTP/1.1\r\nHost: m\r\n";

bool spinUntil(const std::function<bool()>& done, int milliseconds = 5000) {
    const QDeadlineTimer deadline(milliseconds);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

// A plain client, or a TLS one presenting the fixture `certificate` (none when empty).
struct Client {
    std::unique_ptr<QSslSocket> socket = std::make_unique<QSslSocket>();
    QByteArray received;
    bool closed = false;

    explicit Client(quint16 port, bool tls = false, const QString& certificate = {}) {
        QObject::connect(socket.get(), &QTcpSocket::readyRead,
                         [this] { received += socket->readAll(); });
        QObject::connect(socket.get(), &QTcpSocket::disconnected, [this] { closed = true; });
        if (!tls) {
            socket->connectToHost(QHostAddress::LocalHost, port);
            return;
        }
        socket->setPeerVerifyMode(QSslSocket::VerifyNone);
        QFile key(QStringLiteral(QUORVEL_TLS_FIXTURES "/%1.key").arg(certificate));
        if (key.open(QIODevice::ReadOnly)) {
            socket->setPrivateKey(QSslKey(key.readAll(), QSsl::Ec));
            socket->setLocalCertificate(
                QStringLiteral(QUORVEL_TLS_FIXTURES "/%1.crt").arg(certificate));
        }
        socket->connectToHostEncrypted("127.0.0.1", port);
    }
    // What arrives until `count` answers are in (a moment for none) or the peer closes.
    QByteArray ask(const QByteArray& request, int count = 1) {
        received.clear();
        socket->write(request);
        spinUntil([&] { return closed || received.count("HTTP/1.1 ") >= count; },
                  count ? 5000 : 300);
        spinUntil([] { return false; }, 50);
        return received;
    }
};

struct Server {
    int renders = 0;
    std::vector<std::function<void(HttpAnswer)>> probes;
    std::vector<std::optional<double>> timeouts;
    MetricsServer server{[this] { return ++renders, QByteArray("quorvel_monitor_boards 3\n"); },
                         [this](const QUrlQuery& query, std::optional<double> timeout,
                                std::function<void(HttpAnswer)> answer) {
                             EXPECT_EQ(query.queryItemValue("target"), "198.18.0.20");
                             timeouts.push_back(timeout);
                             probes.push_back(std::move(answer));
                         }};
    quint16 port = 0;
    Server() {
        EXPECT_EQ(server.listen(QHostAddress::LocalHost, 0), "");
        port = server.port();
    }
};

} // namespace

TEST(MetricsServer, pipelinedRequestsAreAnsweredOneAtATimeInOrder) {
    Server s;
    Client client(s.port);
    const QByteArray probe = "GET /probe?target=198.18.0.20" + kHost;
    EXPECT_EQ(client.ask(probe + "X-Prometheus-Scrape-Timeout-Seconds: 9.5\r\n\r\n" +
                             "GET /metrics" + kHost + "\r\n" + "HEAD /" + kHost +
                             "Connection: close\r\n\r\n",
                         0),
              "");
    // The probe waits for its answer, and what came after it waits unread.
    ASSERT_EQ(s.probes.size(), 1u);
    EXPECT_EQ(s.timeouts[0], 9.5);
    EXPECT_EQ(s.renders, 0);
    s.probes[0]({200, "text/plain", "quorvel_probe_success 1\n"});
    s.probes[0]({500, "text/plain", "a second answer is dropped\n"});
    EXPECT_TRUE(spinUntil([&] { return client.closed; }));
    const QByteArray answers = client.received;
    EXPECT_EQ(answers.count("HTTP/1.1 200 OK\r\n"), 3) << answers.constData();
    EXPECT_LT(answers.indexOf("probe_success 1"), answers.indexOf("quorvel_monitor_boards 3"));
    EXPECT_TRUE(answers.contains("Content-Type: text/html; charset=utf-8\r\n"));
    EXPECT_TRUE(answers.endsWith("Connection: close\r\n\r\n")); // HEAD: no body
    EXPECT_FALSE(answers.contains("dropped"));
    EXPECT_EQ(s.renders, 1);

    // A bad time-out is refused; a probe whose peer has gone answers into nothing.
    Client other(s.port);
    EXPECT_TRUE(other.ask(probe + "X-Prometheus-Scrape-Timeout-Seconds: nan\r\n\r\n")
                    .startsWith("HTTP/1.1 400"));
    other.ask(probe + "\r\n", 0);
    other.socket->abort();
    spinUntil([&] { return s.server.connections() == 0; });
    s.probes.back()({200, "text/plain", "late\n"});
    EXPECT_EQ(s.probes.size(), 2u);
}

TEST(MetricsServer, clientCertificatePolicies) {
    const struct {
        const char* policy;
        bool none, signedByCa, stranger; // whether each client gets an answer
    } cases[] = {
        {"NoClientCert", true, true, true},
        {"RequestClientCert", true, true, true},
        {"RequireAnyClientCert", false, true, true},
        {"VerifyClientCertIfGiven\n  client_ca_file: ca.crt", true, true, false},
        {"RequireAndVerifyClientCert\n  client_ca_file: ca.crt", false, true, false},
        // The CA-signed client's certificate names scraper.example.
        {"VerifyClientCertIfGiven\n  client_ca_file: ca.crt\n  client_allowed_sans: "
         "[scraper.example]",
         true, true, false},
        {"RequireAndVerifyClientCert\n  client_ca_file: ca.crt\n  client_allowed_sans: [x.example]",
         false, false, false},
    };
    QTemporaryDir dir;
    for (const char* name : {"server.crt", "server.key", "ca.crt"})
        QFile::copy(QStringLiteral(QUORVEL_TLS_FIXTURES "/") + name, dir.filePath(name));
    for (const auto& c : cases) {
        QFile file(dir.filePath("web.yml"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray("tls_server_config:\n  cert_file: server.crt\n  key_file: "
                              "server.key\n  client_auth_type: ") +
                   c.policy + "\n");
        file.close();
        auto loaded = LoadEndpointSettings(file.fileName());
        ASSERT_TRUE(std::get_if<0>(&loaded)) << std::get<WebConfigError>(loaded).message;
        Server s;
        s.server.setSettings(std::get<0>(loaded));
        const std::pair<const char*, bool> clients[] = {
            {"", c.none}, {"client", c.signedByCa}, {"stranger", c.stranger}};
        for (const auto& [certificate, answered] : clients)
            EXPECT_EQ(Client(s.port, true, certificate)
                          .ask("GET /metrics" + kHost + "\r\n")
                          .startsWith("HTTP/1.1 200 OK"),
                      answered)
                << c.policy << " " << certificate;
    }
}

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
