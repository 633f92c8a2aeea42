// The web configuration as the monitor loads it, with the certificates and
// keys of tests/cli/tls (made once with openssl req -x509; a CA-signed client
// and a self-signed stranger for the client policies).
#include "cli/EndpointSettings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quorvel;

namespace {

// "scrape secret" at bcrypt's lowest cost, so the checks here are quick.
constexpr const char* kHash = "$2y$04$e.0e9nj3JlFbQk7LNv.lD..AhddYcUqz6UPKEMfSMS2euhurKTtSq";

struct Folder {
    QTemporaryDir dir;
    Folder() {
        for (const QString& name : QDir(QUORVEL_TLS_FIXTURES).entryList(QDir::Files))
            QFile::copy(QUORVEL_TLS_FIXTURES "/" + name, dir.filePath(name));
    }
    LoadedSettings load(const QByteArray& text) {
        QFile file(dir.filePath("web.yml"));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
        file.close();
        return LoadEndpointSettings(file.fileName());
    }
};

} // namespace

TEST(WebConfig, everyErrorNamesItsKey) {
    // "~" stands for tls_server_config and "@" for http_server_config, in the
    // text and in the key.
    const QByteArray pair = "~ {cert_file: server.crt, key_file: server.key, ";
    const struct {
        QByteArray text;
        std::string key, says;
    } cases[] = {
        {"just words\nand more", "", "expected a mapping"},
        {"{~ [", "", "not YAML: line 1"},
        {"web_config: {}", "web_config", "unknown key (expected tls_server_config,"},
        {"~ {cert_filse: server.crt}", "~.cert_filse", "unknown key"},
        {"~ {cert_file: server.crt}", "~.key_file", "missing"},
        {pair + "cert: x}", "~.cert_file", "give cert_file or cert, not both"},
        {"~ {cert_file: [a]}", "~.cert_file", "expected a text"},
        {"~ {cert_file: gone.crt, key_file: server.key}", "~.cert_file",
         "cannot read DIR/gone.crt: No such file"},
        {"~ {cert_file: server.key, key_file: server.key}", "~.cert_file",
         "no PEM certificate in DIR/server.key"},
        {"~ {cert_file: server.crt, key_file: server.crt}", "~.key_file",
         "no unencrypted PEM private key"},
        {"~ {cert_file: server.crt, key_file: other.key}", "~.key_file",
         "the key in DIR/other.key does not match the certificate in DIR/server.crt"},
        {"~ {cert_file: ed25519.crt, key_file: ed25519.key}", "~.key_file",
         "neither RSA nor ECDSA"},
        {pair + "client_auth_type: Maybe}", "~.client_auth_type", "unknown policy \"Maybe\""},
        {pair + "client_auth_type: RequireAndVerifyClientCert}", "~.client_ca_file", "missing"},
        {pair + "client_ca_file: ca.crt}", "~.client_auth_type", "without a client policy"},
        {pair + "client_auth_type: RequireAnyClientCert, client_allowed_sans: [a]}",
         "~.client_allowed_sans", "needs client_auth_type"},
        {pair + "min_version: TLS11}", "~.min_version", "not offered"},
        {pair + "min_version: TLS13, max_version: TLS12}", "~.min_version", "above max_version"},
        {pair + "cipher_suites: [TLS_AES_128_GCM_SHA256]}", "~.cipher_suites", "not supported"},
        {"@ {http2: 3}", "@.http2", "expected true or false"},
        {"@ {http2: true, http2: false}", "@.http2", "given twice"},
        {"@ {headers: {Content-Type: x}}", "@.headers.Content-Type", "this header cannot be set"},
        {"@ {headers: {X-Frame-Options: allow}}", "@.headers.X-Frame-Options",
         "\"allow\" is not allowed (expected deny or sameorigin)"},
        {"@ {headers: {X-XSS-Protection: \"1\\r\\nSet-Cookie: a\"}}", "@.headers.X-XSS-Protection",
         "a control character"},
        {"basic_auth_users: {john: doe}", "basic_auth_users.john", "not a bcrypt hash"},
        {"basic_auth_users: {\"a:b\": x}", "basic_auth_users.a:b", "cannot hold ':'"},
        {"basic_auth_users: [a]", "basic_auth_users", "expected a mapping"},
        {"rate_limit: {interval: 1s, burst: 2}", "rate_limit", "not offered"},
    };
    Folder folder;
    for (const auto& c : cases) {
        const auto loaded = folder.load(QByteArray(c.text)
                                            .replace("~", "tls_server_config:")
                                            .replace("@", "http_server_config:"));
        const auto* error = std::get_if<WebConfigError>(&loaded);
        ASSERT_TRUE(error) << c.text.constData();
        EXPECT_EQ(QString::fromStdString(error->key), QString::fromStdString(c.key)
                                                          .replace("~", "tls_server_config")
                                                          .replace("@", "http_server_config"))
            << c.text.constData();
        const std::string says =
            QString::fromStdString(c.says).replace("DIR", folder.dir.path()).toStdString();
        EXPECT_NE(error->message.find(says), std::string::npos)
            << c.text.constData() << " -> " << error->message;
    }

    EXPECT_EQ(WebConfigErrorLine("w", {"k", "a\nb\x1b"}), "--web-config w: k: a?b?");
}

TEST(WebConfig, aGoodFileGivesWhatItSays) {
    Folder folder;
    EXPECT_FALSE(std::get<0>(folder.load(""))->tls);
    QFile example(QUORVEL_WEB_CONFIG_EXAMPLE); // beside server.crt and .key here
    ASSERT_TRUE(example.open(QIODevice::ReadOnly));
    const auto shipped = folder.load(example.readAll());
    EXPECT_TRUE(std::get_if<0>(&shipped));
    const auto loaded = folder.load("tls_server_config: {cert_file: client.crt, key_file: "
                                    "client.key, min_version: TLS13}\nhttp_server_config: "
                                    "{http2: false, headers: {X-Frame-Options: deny, "
                                    "Content-Security-Policy: ''}}\n");
    ASSERT_TRUE(std::get_if<0>(&loaded)) << std::get<WebConfigError>(loaded).message;
    EXPECT_EQ(std::get<0>(loaded)->tls->protocol(), QSsl::TlsV1_3OrLater);
    EXPECT_EQ(std::get<0>(loaded)->headers.size(), 1); // a blank one is left out
}

TEST(BasicAuth, credentialsAndPasswords) {
    const std::pair<QByteArray, const char*> headers[] = {
        {"Basic " + QByteArray("prometheus:scrape secret").toBase64(), "prometheus/scrape secret"},
        {"basic " + QByteArray("a:b:c").toBase64(), "a/b:c"},
        {"Basic " + QByteArray("no colon").toBase64(), "-"},
        {"Basic " + QByteArray("a:b\0c", 5).toBase64(), "-"},
        {"Basic !!!!", "-"},
        {"Bearer " + QByteArray("a:b").toBase64(), "-"},
    };
    for (const auto& [header, expected] : headers) {
        const auto credentials = ReadBasicCredentials(header);
        EXPECT_EQ(credentials ? credentials->user + "/" + credentials->password : "-", expected);
    }
    const BasicAuthUsers users(
        std::vector<std::pair<std::string, std::string>>{{"prometheus", kHash}});
    EXPECT_TRUE(users.accepts({"prometheus", "scrape secret"}));
    EXPECT_FALSE(users.accepts({"prometheus", "scrape secreT"}) ||
                 users.accepts({"prometheus", ""}) ||
                 users.accepts({"Prometheus", "scrape secret"}));
}
