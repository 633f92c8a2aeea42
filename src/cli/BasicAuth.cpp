#include "BasicAuth.h"

#include <algorithm>
#include <crypt.h>
#include <cstring>
#include <memory>
#include <openssl/crypto.h>

namespace quorvel {

std::optional<BasicCredentials> ReadBasicCredentials(QByteArrayView authorization) {
    const qsizetype space = authorization.indexOf(' ');
    if (space < 0 || authorization.first(space).compare("Basic", Qt::CaseInsensitive) != 0)
        return std::nullopt;
    const auto decoded = QByteArray::fromBase64Encoding(
        authorization.sliced(space + 1).toByteArray(), QByteArray::AbortOnBase64DecodingErrors);
    const qsizetype colon = decoded.decoded.indexOf(':');
    // crypt() reads the password up to its first NUL: one would cut it short.
    if (!decoded || colon < 0 || decoded.decoded.contains('\0'))
        return std::nullopt;
    return BasicCredentials{decoded.decoded.first(colon), decoded.decoded.sliced(colon + 1)};
}

BasicAuthUsers::BasicAuthUsers(const std::vector<std::pair<std::string, std::string>>& users) {
    std::string cost = "04";
    for (const auto& [name, hash] : users) {
        m_hashes.emplace(QByteArray::fromStdString(name), hash);
        cost = std::max(cost, hash.substr(4, 2));
    }
    // Salt and digest of no password anyone chose.
    m_unknownUser = "$2b$" + cost + "$" + std::string(22, 'O') + std::string(31, 'u');
}

bool BasicAuthUsers::accepts(const BasicCredentials& credentials) const {
    const auto user = m_hashes.find(credentials.user);
    const std::string& hash = user == m_hashes.end() ? m_unknownUser : user->second;
    const auto data = std::make_unique<crypt_data>();
    const char* computed = crypt_r(credentials.password.constData(), hash.c_str(), data.get());
    const bool same = computed && std::strlen(computed) == hash.size() &&
                      CRYPTO_memcmp(computed, hash.data(), hash.size()) == 0;
    return same && user != m_hashes.end();
}

} // namespace quorvel
