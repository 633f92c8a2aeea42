#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace quorvel {

// The web configuration file Prometheus' exporters take (--web.config.file):
// TLS, client certificates, basic auth users and extra response headers.
// Here only its text is read; the files it names are read by the endpoint's
// settings.
struct WebConfig {
    enum class ClientAuth {
        None,             // NoClientCert
        Request,          // RequestClientCert: asked for, not required, not verified
        RequireAny,       // RequireAnyClientCert: required, not verified
        VerifyIfGiven,    // VerifyClientCertIfGiven
        RequireAndVerify, // RequireAndVerifyClientCert
    };
    enum class TlsVersion { Tls12 = 12, Tls13 = 13 };

    struct Tls {
        // A file (relative to the configuration's folder) or the PEM text itself.
        std::string certFile, keyFile, clientCaFile;
        std::string cert, key, clientCa;
        ClientAuth clientAuth = ClientAuth::None;
        TlsVersion minVersion = TlsVersion::Tls12, maxVersion = TlsVersion::Tls13;
        bool preferServerCipherSuites = true;
        std::vector<std::string> allowedSans; // empty: any verified client
    };

    bool tls = false; // tls_server_config names a certificate, a key or a client policy
    Tls tlsServer;
    std::vector<std::pair<std::string, std::string>> headers; // added to every response
    std::vector<std::pair<std::string, std::string>> users;   // name, bcrypt hash
};

struct WebConfigError {
    std::string key;     // where in the file, "tls_server_config.key_file"; "" for the file
    std::string message; // what is wrong, and what to do
};

// The one line that names the file, the key and what is wrong (control
// characters shown as '?').
std::string WebConfigErrorLine(const std::string& file, const WebConfigError& error);

// `folder` is where relative file names are found: the configuration's own.
std::variant<WebConfig, WebConfigError> ParseWebConfig(std::string_view text,
                                                       const std::string& folder);

} // namespace quorvel
