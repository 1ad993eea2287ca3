// Logon tokens: 256 random bits each, valid for a limited time, kept in memory only (a restarted service
// knows none).
#pragma once

#include <QHash>
#include <QString>

#include <cstdint>
#include <functional>

namespace logd {

class TokenStore {
public:
    explicit TokenStore(int64_t lifetimeMs = 12LL * 3600 * 1000, int maxTokens = 4096)
        : m_lifetimeMs(lifetimeMs), m_maxTokens(maxTokens) {}

    QString issue(const QString& user, int64_t nowMs);
    // The user a valid, unexpired token belongs to; empty otherwise.
    QString userOf(const QString& token, int64_t nowMs) const;
    // Forgets every token of a user for whom `stillThere` is false; returns how many went.
    int dropUsers(const std::function<bool(const QString& user)>& stillThere);
    int count() const { return static_cast<int>(m_tokens.size()); }

private:
    struct Entry {
        QString user;
        int64_t expiresMs = 0;
    };
    QHash<QString, Entry> m_tokens;
    int64_t m_lifetimeMs;
    int m_maxTokens;
};

} // namespace logd
