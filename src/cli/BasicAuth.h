#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quorvel {

struct BasicCredentials {
    QByteArray user, password;
};

// The user and password of an Authorization header "Basic base64(user:password)";
// nothing for any other form.
std::optional<BasicCredentials> ReadBasicCredentials(QByteArrayView authorization);

// The users of basic auth with their bcrypt hashes. accepts() is slow by design
// (bcrypt at the hash's cost) and safe to call from any thread.
class BasicAuthUsers {
public:
    BasicAuthUsers() = default;
    // Hashes as checked by the web configuration.
    explicit BasicAuthUsers(const std::vector<std::pair<std::string, std::string>>& users);

    bool empty() const { return m_hashes.empty(); }
    // An unknown user costs a bcrypt of the users' highest cost as a wrong
    // password does, so the time taken tells neither apart.
    bool accepts(const BasicCredentials& credentials) const;

private:
    std::map<QByteArray, std::string> m_hashes;
    std::string m_unknownUser; // a hash no password matches
};

} // namespace quorvel
