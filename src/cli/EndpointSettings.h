#pragma once

#include "BasicAuth.h"
#include "WebConfig.h"

#include <QList>
#include <QPair>
#include <QSslConfiguration>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <variant>

class QSslCertificate;

namespace quorvel {

// How the metrics endpoint meets its peers, ready to use: the TLS
// configuration with its certificate and key loaded, the client policy, the
// users and the headers. A connection keeps the settings it was accepted
// with; a reload makes new ones.
struct EndpointSettings {
    std::optional<QSslConfiguration> tls; // nothing: plain HTTP
    WebConfig::ClientAuth clientAuth = WebConfig::ClientAuth::None;
    QStringList allowedSans;
    BasicAuthUsers users;
    QList<QPair<QByteArray, QByteArray>> headers;

    // A verified client certificate still needs one of the allowed names
    // (DNS, e-mail or IP address), when there is a list.
    bool allowsClient(const QSslCertificate& certificate) const;
};

using LoadedSettings = std::variant<std::shared_ptr<const EndpointSettings>, WebConfigError>;

// Reads the web configuration file at `path` and every file it names.
LoadedSettings LoadEndpointSettings(const QString& path);

} // namespace quorvel
