// Refused logons counted per user name and per peer address. Every refusal is answered late (the caller
// waits, the service does not), and too many refusals lock that user name or address out for a while:
// its logons are then refused without a password hash being computed.
#pragma once

#include "service/Limits.h"

#include <QHash>
#include <QString>

#include <cstdint>

namespace logd {

class LogonGuard {
public:
    explicit LogonGuard(const LogonPolicy& policy) : m_policy(policy) {}

    int delayMs() const { return m_policy.delayMs; }
    int lockoutMs() const { return m_policy.lockoutMs; }
    // True while the user name or the address is locked out.
    bool lockedOut(const QString& user, const QString& address, int64_t nowMs) const;
    // Counts a refused logon and tells what it locked out, if anything.
    enum Locked { Nothing = 0, User = 1, Address = 2 };
    int refused(const QString& user, const QString& address, int64_t nowMs);
    // An accepted logon clears the user name's count.
    void accepted(const QString& user) { m_users.remove(user.toCaseFolded()); }

    static constexpr int kAddressFactor = 4;
    static constexpr int kMaxRecords = 4096; // per table; the stalest go first

private:
    struct Record {
        int refusals = 0;
        int64_t lastMs = 0;
        int64_t lockedUntilMs = 0;
    };
    bool locked(const QHash<QString, Record>& table, const QString& key, int64_t nowMs) const;
    // True when this refusal started a lock-out.
    bool count(QHash<QString, Record>& table, const QString& key, int limit, int64_t nowMs);

    LogonPolicy m_policy;
    QHash<QString, Record> m_users;
    QHash<QString, Record> m_addresses;
};

} // namespace logd
