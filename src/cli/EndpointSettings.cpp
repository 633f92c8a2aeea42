#include "EndpointSettings.h"

#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <memory>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

namespace quorvel {

namespace {

// More than any configuration, certificate chain or key needs.
constexpr qint64 kFileBytes = 1024 * 1024;

struct Failure {
    WebConfigError error;
};

[[noreturn]] void fail(const std::string& key, const std::string& message) {
    throw Failure{{key, message}};
}

QByteArray readFile(const std::string& path, const std::string& key) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        fail(key, "cannot read " + path + ": " + file.errorString().toStdString());
    if (file.size() > kFileBytes)
        fail(key, path + " is larger than 1 MiB");
    const QByteArray bytes = file.read(kFileBytes + 1);
    if (bytes.size() > kFileBytes || (bytes.isEmpty() && file.error() != QFile::NoError))
        fail(key, "cannot read " + path + ": " + file.errorString().toStdString());
    return bytes;
}

// The PEM text given inline or in a file, and how to name it in an error.
struct Pem {
    QByteArray bytes;
    std::string key, what;
};

Pem pem(const std::string& file, const std::string& inline_, const char* name) {
    const std::string key = std::string("tls_server_config.") + name;
    if (!file.empty())
        return {readFile(file, key + "_file"), key + "_file", file};
    return {QByteArray::fromStdString(inline_), key, "the inline " + std::string(name)};
}

template <typename T, void (*Free)(T*)> struct Freer {
    void operator()(T* p) const { Free(p); }
};
using Bio = std::unique_ptr<BIO, Freer<BIO, BIO_free_all>>;
using X509Cert = std::unique_ptr<X509, Freer<X509, X509_free>>;
using PrivateKey = std::unique_ptr<EVP_PKEY, Freer<EVP_PKEY, EVP_PKEY_free>>;

Bio memoryBio(const QByteArray& bytes) {
    return Bio(BIO_new_mem_buf(bytes.constData(), int(bytes.size())));
}

// No passphrase: OpenSSL's own callback would prompt on the terminal.
int noPassphrase(char*, int, int, void*) {
    return 0;
}

// Checks with OpenSSL that the key belongs to the certificate (Qt finds out
// only at the first handshake) and says what kind of key it is.
QSsl::KeyAlgorithm checkKeyPair(const Pem& cert, const Pem& key) {
    const X509Cert x509(
        PEM_read_bio_X509(memoryBio(cert.bytes).get(), nullptr, noPassphrase, nullptr));
    if (!x509)
        fail(cert.key, "no PEM certificate in " + cert.what);
    const PrivateKey pkey(
        PEM_read_bio_PrivateKey(memoryBio(key.bytes).get(), nullptr, noPassphrase, nullptr));
    if (!pkey)
        fail(key.key, "no unencrypted PEM private key in " + key.what);
    if (X509_check_private_key(x509.get(), pkey.get()) != 1)
        fail(key.key, "the key in " + key.what + " does not match the certificate in " + cert.what);
    switch (EVP_PKEY_base_id(pkey.get())) {
    case EVP_PKEY_RSA:
        return QSsl::Rsa;
    case EVP_PKEY_EC:
        return QSsl::Ec;
    case EVP_PKEY_DSA:
        return QSsl::Dsa;
    default:
        fail(key.key, "the key in " + key.what + " is neither RSA nor ECDSA");
    }
}

QSslConfiguration tlsConfiguration(const WebConfig::Tls& tls) {
    if (!QSslSocket::supportsSsl())
        fail("tls_server_config", "TLS is not available: Qt's OpenSSL backend did not load");
    const Pem cert = pem(tls.certFile, tls.cert, "cert");
    const Pem key = pem(tls.keyFile, tls.key, "key");
    const QSsl::KeyAlgorithm algorithm = checkKeyPair(cert, key);
    const QList<QSslCertificate> chain = QSslCertificate::fromData(cert.bytes, QSsl::Pem);
    const QSslKey privateKey(key.bytes, algorithm, QSsl::Pem, QSsl::PrivateKey);
    if (chain.isEmpty() || privateKey.isNull())
        fail(chain.isEmpty() ? cert.key : key.key,
             "Qt cannot read " + (chain.isEmpty() ? cert.what : key.what));

    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificateChain(chain);
    configuration.setPrivateKey(privateKey);
    const bool only13 = tls.minVersion == WebConfig::TlsVersion::Tls13;
    const bool only12 = tls.maxVersion == WebConfig::TlsVersion::Tls12;
    configuration.setProtocol(only13   ? QSsl::TlsV1_3OrLater
                              : only12 ? QSsl::TlsV1_2
                                       : QSsl::TlsV1_2OrLater);
    configuration.setSslOption(QSsl::SslOptionDisableServerCipherPreference,
                               !tls.preferServerCipherSuites);
    using A = WebConfig::ClientAuth;
    switch (tls.clientAuth) {
    case A::None:
        configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
        break;
    case A::Request:
    case A::RequireAny: // the connection requires one
        configuration.setPeerVerifyMode(QSslSocket::QueryPeer);
        break;
    case A::VerifyIfGiven: // the connection lets a missing one pass
    case A::RequireAndVerify:
        configuration.setPeerVerifyMode(QSslSocket::VerifyPeer);
        break;
    }
    if (!tls.clientCaFile.empty() || !tls.clientCa.empty()) {
        const Pem ca = pem(tls.clientCaFile, tls.clientCa, "client_ca");
        const QList<QSslCertificate> authorities = QSslCertificate::fromData(ca.bytes, QSsl::Pem);
        if (authorities.isEmpty())
            fail(ca.key, "no PEM certificate in " + ca.what);
        // Only these: the system's authorities do not vouch for our clients.
        configuration.setCaCertificates(authorities);
    }
    return configuration;
}

} // namespace

bool EndpointSettings::allowsClient(const QSslCertificate& certificate) const {
    if (allowedSans.isEmpty())
        return true;
    const auto names = certificate.subjectAlternativeNames();
    for (auto name = names.begin(); name != names.end(); ++name) {
        for (const QString& allowed : allowedSans) {
            if (name.key() == QSsl::IpAddressEntry
                    ? QHostAddress(name.value()) == QHostAddress(allowed)
                    : name.value() == allowed)
                return true;
        }
    }
    return false;
}

LoadedSettings LoadEndpointSettings(const QString& path) {
    try {
        const QByteArray text = readFile(path.toStdString(), "");
        const auto parsed =
            ParseWebConfig(std::string_view(text.constData(), std::size_t(text.size())),
                           QFileInfo(path).absolutePath().toStdString());
        if (const auto* error = std::get_if<WebConfigError>(&parsed))
            return *error;
        const WebConfig& config = std::get<WebConfig>(parsed);
        auto settings = std::make_shared<EndpointSettings>();
        if (config.tls) {
            settings->tls = tlsConfiguration(config.tlsServer);
            settings->clientAuth = config.tlsServer.clientAuth;
            for (const std::string& name : config.tlsServer.allowedSans)
                settings->allowedSans << QString::fromStdString(name);
        }
        settings->users = BasicAuthUsers(config.users);
        for (const auto& [name, value] : config.headers)
            settings->headers.append(
                {QByteArray::fromStdString(name), QByteArray::fromStdString(value)});
        return settings;
    } catch (const Failure& failure) {
        return failure.error;
    }
}

} // namespace quorvel
