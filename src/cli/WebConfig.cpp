#include "WebConfig.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <functional>
#include <set>
#include <yaml-cpp/yaml.h>

namespace quorvel {

namespace {

struct Failure {
    WebConfigError error;
};

[[noreturn]] void fail(const std::string& key, const std::string& message) {
    throw Failure{{key, message}};
}

using KeyReader =
    std::function<void(const std::string& key, const std::string& path, const YAML::Node& value)>;

// Each key of a mapping, once; a missing or empty mapping has none.
void eachKey(const YAML::Node& map, const std::string& where, const KeyReader& read) {
    if (!map.IsDefined() || map.IsNull())
        return;
    if (!map.IsMap())
        fail(where, "expected a mapping of keys to values");
    std::set<std::string> seen;
    for (const auto& entry : map) {
        if (!entry.first.IsScalar())
            fail(where, "a key that is not a plain name");
        const std::string key = entry.first.Scalar();
        const std::string path = where.empty() ? key : where + "." + key;
        if (!seen.insert(key).second)
            fail(path, "given twice");
        read(key, path, entry.second);
    }
}

[[noreturn]] void unknownKey(const std::string& path, const char* known) {
    fail(path, std::string("unknown key (expected ") + known + ")");
}

std::string text(const YAML::Node& node, const std::string& path) {
    if (node.IsNull())
        return {};
    if (!node.IsScalar())
        fail(path, "expected a text");
    return node.Scalar();
}

bool boolean(const YAML::Node& node, const std::string& path) {
    bool value = false;
    if (!node.IsScalar() || !YAML::convert<bool>::decode(node, value))
        fail(path, "expected true or false");
    return value;
}

std::vector<std::string> texts(const YAML::Node& node, const std::string& path) {
    std::vector<std::string> values;
    if (node.IsNull())
        return values;
    if (!node.IsSequence())
        fail(path, "expected a list");
    for (const auto& item : node)
        values.push_back(text(item, path));
    return values;
}

WebConfig::ClientAuth clientAuth(const std::string& value, const std::string& path) {
    using A = WebConfig::ClientAuth;
    const std::pair<const char*, A> names[] = {
        {"", A::None},
        {"NoClientCert", A::None},
        {"RequestClientCert", A::Request},
        {"RequireAnyClientCert", A::RequireAny},
        {"RequireClientCert", A::RequireAny},
        {"VerifyClientCertIfGiven", A::VerifyIfGiven},
        {"RequireAndVerifyClientCert", A::RequireAndVerify},
    };
    for (const auto& [name, auth] : names)
        if (value == name)
            return auth;
    fail(path, "unknown policy \"" + value +
                   "\" (expected NoClientCert, RequestClientCert, RequireAnyClientCert, "
                   "VerifyClientCertIfGiven or RequireAndVerifyClientCert)");
}

WebConfig::TlsVersion tlsVersion(const std::string& value, const std::string& path) {
    if (value == "TLS12")
        return WebConfig::TlsVersion::Tls12;
    if (value == "TLS13")
        return WebConfig::TlsVersion::Tls13;
    if (value == "TLS10" || value == "TLS11")
        fail(path, "TLS 1.0 and 1.1 are not offered (expected TLS12 or TLS13)");
    fail(path, "unknown TLS version \"" + value + "\" (expected TLS12 or TLS13)");
}

std::string inFolder(const std::string& folder, const std::string& file) {
    if (file.empty() || file.front() == '/' || folder.empty())
        return file;
    return folder + "/" + file;
}

WebConfig::Tls tlsServer(const YAML::Node& node, const std::string& folder, bool& enabled) {
    WebConfig::Tls tls;
    eachKey(node, "tls_server_config",
            [&](const std::string& key, const std::string& path, const YAML::Node& value) {
                if (key == "cert_file")
                    tls.certFile = inFolder(folder, text(value, path));
                else if (key == "key_file")
                    tls.keyFile = inFolder(folder, text(value, path));
                else if (key == "client_ca_file")
                    tls.clientCaFile = inFolder(folder, text(value, path));
                else if (key == "cert")
                    tls.cert = text(value, path);
                else if (key == "key")
                    tls.key = text(value, path);
                else if (key == "client_ca")
                    tls.clientCa = text(value, path);
                else if (key == "client_auth_type")
                    tls.clientAuth = clientAuth(text(value, path), path);
                else if (key == "min_version")
                    tls.minVersion = tlsVersion(text(value, path), path);
                else if (key == "max_version")
                    tls.maxVersion = tlsVersion(text(value, path), path);
                else if (key == "prefer_server_cipher_suites")
                    tls.preferServerCipherSuites = boolean(value, path);
                else if (key == "client_allowed_sans")
                    tls.allowedSans = texts(value, path);
                else if (key == "cipher_suites" || key == "curve_preferences") {
                    if (!texts(value, path).empty())
                        fail(path, "choosing these is not supported: remove the key, and the TLS "
                                   "library's secure defaults apply");
                } else
                    unknownKey(path, "cert_file, key_file, client_auth_type, client_ca_file, "
                                     "client_allowed_sans, min_version, max_version, "
                                     "prefer_server_cipher_suites, cert, key or client_ca");
            });
    const std::string where = "tls_server_config.";
    enabled = !tls.certFile.empty() || !tls.cert.empty() || !tls.keyFile.empty() ||
              !tls.key.empty() || !tls.clientCaFile.empty() || !tls.clientCa.empty() ||
              tls.clientAuth != WebConfig::ClientAuth::None;
    if (!enabled)
        return tls;
    const std::pair<const std::string*, const std::string*> pairs[] = {
        {&tls.certFile, &tls.cert}, {&tls.keyFile, &tls.key}, {&tls.clientCaFile, &tls.clientCa}};
    const char* names[] = {"cert", "key", "client_ca"};
    for (int i = 0; i < 3; ++i) {
        const std::string name = names[i];
        if (!pairs[i].first->empty() && !pairs[i].second->empty())
            fail(where + name + "_file", "give " + name + "_file or " + name + ", not both");
        if (i < 2 && pairs[i].first->empty() && pairs[i].second->empty())
            fail(where + name + "_file", "missing: TLS needs the server's " +
                                             std::string(i == 0 ? "certificate" : "key") + " (" +
                                             name + "_file)");
    }
    const bool hasCa = !tls.clientCaFile.empty() || !tls.clientCa.empty();
    const bool verifies = tls.clientAuth == WebConfig::ClientAuth::VerifyIfGiven ||
                          tls.clientAuth == WebConfig::ClientAuth::RequireAndVerify;
    if (hasCa && tls.clientAuth == WebConfig::ClientAuth::None)
        fail(where + "client_auth_type", "a client CA is given without a client policy (expected "
                                         "RequireAndVerifyClientCert)");
    if (verifies && !hasCa)
        fail(where + "client_ca_file",
             "missing: client_auth_type verifies client certificates against it");
    if (!tls.allowedSans.empty() && !verifies)
        fail(where + "client_allowed_sans",
             "needs client_auth_type RequireAndVerifyClientCert or VerifyClientCertIfGiven");
    if (tls.minVersion > tls.maxVersion)
        fail(where + "min_version", "above max_version");
    return tls;
}

// The headers a user may add, and the values each allows (none listed: any).
struct AllowedHeader {
    const char* name;
    std::vector<const char*> values;
};

const std::vector<AllowedHeader>& allowedHeaders() {
    static const std::vector<AllowedHeader> headers = {
        {"Strict-Transport-Security", {}},
        {"X-Content-Type-Options", {"nosniff"}},
        {"X-Frame-Options", {"deny", "sameorigin"}},
        {"X-XSS-Protection", {}},
        {"Content-Security-Policy", {}},
    };
    return headers;
}

void httpServer(const YAML::Node& node, WebConfig& config) {
    eachKey(node, "http_server_config",
            [&](const std::string& key, const std::string& path, const YAML::Node& value) {
                if (key == "http2") {
                    boolean(value, path); // HTTP/1.1 is all the endpoint speaks, either way
                } else if (key == "headers") {
                    eachKey(
                        value, path,
                        [&](const std::string& name, const std::string& headerPath,
                            const YAML::Node& headerValue) {
                            const auto& allowed = allowedHeaders();
                            const auto header =
                                std::find_if(allowed.begin(), allowed.end(),
                                             [&](const auto& a) { return name == a.name; });
                            if (header == allowed.end())
                                fail(headerPath,
                                     "this header cannot be set (expected "
                                     "Strict-Transport-Security, X-Content-Type-Options, "
                                     "X-Frame-Options, X-XSS-Protection or "
                                     "Content-Security-Policy)");
                            const std::string v = text(headerValue, headerPath);
                            if (std::any_of(v.begin(), v.end(), [](char c) {
                                    return (static_cast<unsigned char>(c) < 0x20 && c != '\t') ||
                                           c == 0x7f;
                                }))
                                fail(headerPath, "a control character in the value");
                            if (v.empty())
                                return;
                            if (!header->values.empty() &&
                                std::none_of(header->values.begin(), header->values.end(),
                                             [&](const char* a) { return v == a; })) {
                                std::string expected;
                                for (const char* a : header->values)
                                    expected += (expected.empty() ? "" : " or ") + std::string(a);
                                fail(headerPath,
                                     "\"" + v + "\" is not allowed (expected " + expected + ")");
                            }
                            config.headers.emplace_back(name, v);
                        });
                } else {
                    unknownKey(path, "http2 or headers");
                }
            });
}

bool isBcryptHash(const std::string& hash) {
    // $2a$, $2b$ or $2y$, a two-digit cost from 04 to 31, then 22 characters of salt
    // and 31 of digest in bcrypt's base 64.
    if (hash.size() != 60 || hash.compare(0, 2, "$2") != 0 || !std::strchr("aby", hash[2]) ||
        hash[3] != '$' || hash[6] != '$' || !std::isdigit(static_cast<unsigned char>(hash[4])) ||
        !std::isdigit(static_cast<unsigned char>(hash[5])))
        return false;
    const int cost = (hash[4] - '0') * 10 + (hash[5] - '0');
    return cost >= 4 && cost <= 31 && std::all_of(hash.begin() + 7, hash.end(), [](char c) {
               return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '/';
           });
}

void users(const YAML::Node& node, WebConfig& config) {
    eachKey(node, "basic_auth_users",
            [&](const std::string& name, const std::string& path, const YAML::Node& value) {
                if (name.find(':') != std::string::npos)
                    fail(path, "a user name cannot hold ':' (basic auth ends the name there)");
                const std::string hash = text(value, path);
                if (!isBcryptHash(hash))
                    fail(path, "not a bcrypt hash (expected $2y$10$ and 53 more characters, "
                               "as htpasswd -nBC 10 \"\" makes)");
                config.users.emplace_back(name, hash);
            });
}

} // namespace

std::string WebConfigErrorLine(const std::string& file, const WebConfigError& error) {
    std::string line = "--web-config " + file + ": " +
                       (error.key.empty() ? "" : error.key + ": ") + error.message;
    std::replace_if(
        line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; },
        '?');
    return line;
}

std::variant<WebConfig, WebConfigError> ParseWebConfig(std::string_view text,
                                                       const std::string& folder) {
    try {
        const YAML::Node root = YAML::Load(std::string(text));
        if (root.IsDefined() && !root.IsNull() && !root.IsMap())
            fail("", "expected a mapping with tls_server_config, http_server_config or "
                     "basic_auth_users");
        WebConfig config;
        eachKey(root, "",
                [&](const std::string& key, const std::string& path, const YAML::Node& value) {
                    if (key == "tls_server_config")
                        config.tlsServer = tlsServer(value, folder, config.tls);
                    else if (key == "http_server_config")
                        httpServer(value, config);
                    else if (key == "basic_auth_users")
                        users(value, config);
                    else if (key == "rate_limit")
                        fail(path, "a request rate limit is not offered: remove the key");
                    else
                        unknownKey(path,
                                   "tls_server_config, http_server_config or basic_auth_users");
                });
        return config;
    } catch (const Failure& failure) {
        return failure.error;
    } catch (const YAML::Exception& e) {
        const std::string where = e.mark.is_null()
                                      ? std::string()
                                      : "line " + std::to_string(e.mark.line + 1) + ", column " +
                                            std::to_string(e.mark.column + 1) + ": ";
        return WebConfigError{"", "not YAML: " + where + e.msg};
    }
}

} // namespace quorvel
