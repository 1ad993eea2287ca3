#include "service/LogonGuard.h"

namespace logd {

bool LogonGuard::locked(const QHash<QString, Record>& table, const QString& key, int64_t nowMs) const {
    const auto it = table.constFind(key);
    return it != table.constEnd() && it->lockedUntilMs > nowMs;
}

bool LogonGuard::lockedOut(const QString& user, const QString& address, int64_t nowMs) const {
    return locked(m_users, user.toCaseFolded(), nowMs) || locked(m_addresses, address, nowMs);
}

bool LogonGuard::count(QHash<QString, Record>& table, const QString& key, int limit, int64_t nowMs) {
    if (!table.contains(key) && table.size() >= kMaxRecords) {
        auto stalest = table.begin();
        for (auto it = table.begin(); it != table.end(); ++it)
            if (it->lastMs < stalest->lastMs)
                stalest = it;
        table.erase(stalest);
    }
    Record& r = table[key];
    if (nowMs - r.lastMs > m_policy.lockoutMs)
        r.refusals = 0; // an old story
    r.lastMs = nowMs;
    if (++r.refusals < limit)
        return false;
    r.refusals = 0;
    r.lockedUntilMs = nowMs + m_policy.lockoutMs;
    return true;
}

int LogonGuard::refused(const QString& user, const QString& address, int64_t nowMs) {
    int locked = Nothing;
    if (count(m_users, user.toCaseFolded(), m_policy.tries, nowMs))
        locked |= User;
    if (count(m_addresses, address, m_policy.tries * kAddressFactor, nowMs))
        locked |= Address;
    return locked;
}

} // namespace logd
