// hello and logon: who the connection belongs to and whether it may use the log methods.
#include "service/Dispatcher.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QJsonObject>

#include <limits>

namespace logd {

namespace {
constexpr int kMaxClientIdLength = 128;
constexpr int kMaxFailedLogons = 3; // per connection: each try costs a password hash
constexpr int64_t kIntMin = std::numeric_limits<int32_t>::min();
constexpr int64_t kIntMax = std::numeric_limits<int32_t>::max();

} // namespace

Reply Dispatcher::hello(Session& s, RpcParams& p) {
    const int64_t protocol = p.integer(QStringLiteral("protocol"), kIntMin, kIntMax);
    const QString client = p.string(QStringLiteral("client"));
    const QString program = p.string(QStringLiteral("program"), QString());
    p.string(QStringLiteral("wtg"), QString());
    p.integer(QStringLiteral("polling"), kIntMin, kIntMax, 0);
    const QString token = p.string(QStringLiteral("token"), QString());
    if (!p.ok())
        return Reply();
    if (protocol != 1) {
        Service::log(QStringLiteral("%1: protocol %2 not supported, closing").arg(s.peer).arg(protocol));
        return Reply::error(kBadProtocol, QStringLiteral("protocol version not supported"), true);
    }
    if (client.isEmpty() || client.size() > kMaxClientIdLength)
        return Reply::error(kInvalidParams, QStringLiteral("invalid params: \"client\" must be a client id"));

    Project& project = m_service.project();
    const QString userName = m_service.tokens().userOf(token, QDateTime::currentMSecsSinceEpoch());
    const User* user = userName.isEmpty() ? nullptr : project.users().find(userName);
    const bool logonRequired = project.logonRequired() && !user;
    const bool access = !project.logonRequired() || (user && user->mayReadLog);

    if (!s.client || s.client->id() != client) {
        ClientState* state = m_service.clients().attach(client);
        if (!state) {
            Service::log(QStringLiteral("%1: too many clients, closing").arg(s.peer));
            return Reply::error(kInternalError, QStringLiteral("too many clients"), true);
        }
        if (s.client)
            m_service.clients().detach(s.client);
        s.client = state;
    }
    s.helloed = true;
    s.access = access;
    Service::log(QStringLiteral("%1: hello from client %2 (%3)%4, access %5")
                     .arg(s.peer, Service::shortId(Service::printable(client)),
                          program.isEmpty() ? QStringLiteral("no program name") : Service::printable(program),
                          user ? QStringLiteral(", user ") + user->name : QString(),
                          access ? QStringLiteral("granted") : QStringLiteral("denied")));
    return Reply::ok(QJsonObject{{QStringLiteral("protocol"), 1},
                                 {QStringLiteral("station"), project.station()},
                                 {QStringLiteral("logonRequired"), logonRequired},
                                 {QStringLiteral("access"), access},
                                 {QStringLiteral("epoch"), s.client->epoch()}});
}

Reply Dispatcher::logon(Session& s, RpcParams& p) {
    const QString name = p.string(QStringLiteral("user"));
    const QString password = p.string(QStringLiteral("password"));
    const bool interactive = p.boolean(QStringLiteral("interactive"), true);
    if (!p.ok())
        return Reply();
    LogonGuard& guard = m_service.logonGuard();
    const int64_t now = QDeadlineTimer::current().deadline();
    const QString shown = Service::printable(name);
    // A locked-out user or address is refused without looking at the password (no hash to compute).
    const bool locked = guard.lockedOut(name, s.address, now);
    const User* user = locked ? nullptr : m_service.project().users().verify(name, password);
    if (!user) {
        Service::log(QStringLiteral("%1: logon of user \"%2\" refused%3")
                         .arg(s.peer, shown, locked ? QStringLiteral(" (locked out)") : QString()));
        const int lockedNow = locked ? LogonGuard::Nothing : guard.refused(name, s.address, now);
        if (lockedNow & LogonGuard::User)
            Service::log(QStringLiteral("%1: user \"%2\" locked out for %3 s after repeated refused logons")
                             .arg(s.peer, shown).arg(guard.lockoutMs() / 1000));
        if (lockedNow & LogonGuard::Address)
            Service::log(QStringLiteral("%1: address %2 locked out for %3 s after repeated refused logons")
                             .arg(s.peer, s.address).arg(guard.lockoutMs() / 1000));
        const bool close = ++s.failedLogons >= kMaxFailedLogons;
        if (close)
            Service::log(QStringLiteral("%1: %2 refused logons, closing").arg(s.peer).arg(s.failedLogons));
        Reply refusal = Reply::error(kLogonFailed, QStringLiteral("unknown user or wrong password"), close);
        refusal.delayMs = guard.delayMs(); // the caller waits, the service goes on serving others
        return refusal;
    }
    guard.accepted(name);
    const QString token = m_service.tokens().issue(user->name, QDateTime::currentMSecsSinceEpoch());
    s.access = !m_service.project().logonRequired() || user->mayReadLog;
    Service::log(QStringLiteral("%1: user \"%2\" logged on (%3), access %4")
                     .arg(s.peer, user->name,
                          interactive ? QStringLiteral("interactive") : QStringLiteral("from the command line"),
                          s.access ? QStringLiteral("granted") : QStringLiteral("denied")));
    m_service.broadcast(5, QStringLiteral("Logon: user %1 logged on from %2").arg(user->name, s.peer));
    return Reply::ok(QJsonObject{{QStringLiteral("token"), token}});
}

} // namespace logd
