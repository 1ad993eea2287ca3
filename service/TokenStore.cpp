#include "service/TokenStore.h"

#include "service/RandomText.h"

namespace logd {

QString TokenStore::issue(const QString& user, int64_t nowMs) {
    if (m_tokens.size() >= m_maxTokens) {
        // Forget the expired ones first, then the one closest to expiry.
        for (auto it = m_tokens.begin(); it != m_tokens.end();)
            it = it->expiresMs <= nowMs ? m_tokens.erase(it) : std::next(it);
        while (m_tokens.size() >= m_maxTokens) {
            auto oldest = m_tokens.begin();
            for (auto it = m_tokens.begin(); it != m_tokens.end(); ++it)
                if (it->expiresMs < oldest->expiresMs)
                    oldest = it;
            m_tokens.erase(oldest);
        }
    }
    const QString token = RandomHex(32);
    m_tokens.insert(token, Entry{user, nowMs + m_lifetimeMs});
    return token;
}

int TokenStore::dropUsers(const std::function<bool(const QString& user)>& stillThere) {
    int dropped = 0;
    for (auto it = m_tokens.begin(); it != m_tokens.end();) {
        if (stillThere(it->user)) {
            ++it;
        } else {
            it = m_tokens.erase(it);
            ++dropped;
        }
    }
    return dropped;
}

QString TokenStore::userOf(const QString& token, int64_t nowMs) const {
    if (token.isEmpty())
        return QString();
    const auto it = m_tokens.constFind(token);
    if (it == m_tokens.constEnd() || it->expiresMs <= nowMs)
        return QString();
    return it->user;
}

} // namespace logd
