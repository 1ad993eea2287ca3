#include "service/Options.h"

#include "base/HostNames.h"

#include <QCommandLineParser>

#include <climits>
#include <functional>
#include <vector>

namespace logd {

bool parseListen(const QString& text, QHostAddress* address, quint16* port) {
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return false;
    QString host = text.left(colon);
    bool ok = false;
    const uint p = text.mid(colon + 1).toUInt(&ok);
    if (!ok || p > 65535)
        return false;
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    QHostAddress a;
    if (base::IsLocalhostName(host.toStdString()))
        a = QHostAddress(QHostAddress::LocalHost);
    else if (!a.setAddress(host))
        return false;
    *address = a;
    *port = static_cast<quint16>(p);
    return true;
}

namespace {

// An option with a whole-number value in a range.
struct NumberOption {
    QCommandLineOption option;
    qint64 min;
    qint64 max;
    std::function<void(qint64)> store;
};

} // namespace

bool parseOptions(const QStringList& args, LogdOptions* o, QString* error) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Stand-in log service: serves a project's log to clients."));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Show the version."));
    const QCommandLineOption project(QStringLiteral("project"), QStringLiteral("The project folder."),
                                     QStringLiteral("DIR"));
    const QCommandLineOption listen(QStringLiteral("listen"),
                                    QStringLiteral("Address and port to listen on (default 127.0.0.1:1234, this "
                                                   "machine only; port 0 = any free port)."),
                                    QStringLiteral("ADDR:PORT"));
    const QCommandLineOption inject(QStringLiteral("inject"),
                                    QStringLiteral("Also read injected log lines from this FIFO (made when missing)."),
                                    QStringLiteral("PATH"));
    const QCommandLineOption noStdin(QStringLiteral("no-stdin"),
                                     QStringLiteral("Do not read injected log lines from standard input."));
    const QCommandLineOption station(QStringLiteral("station"), QStringLiteral("The station name to announce."),
                                     QStringLiteral("NAME"));
    const QCommandLineOption requireLogon(QStringLiteral("require-logon"),
                                          QStringLiteral("Clients must log on to read the log."));
    const QCommandLineOption addUser(QStringLiteral("add-user"),
                                     QStringLiteral("Add or replace a user of the project (password on standard "
                                                    "input) and exit."),
                                     QStringLiteral("NAME"));
    const QCommandLineOption noLog(QStringLiteral("no-log-access"),
                                   QStringLiteral("With --add-user: the user may not read the log."));
    const QCommandLineOption tls(QStringLiteral("tls"),
                                 QStringLiteral("Serve TLS only. The key and certificate are --tls-key and --tls-cert, "
                                                "else tls-key.pem and tls-cert.pem in the project folder, made at the "
                                                "first start."));
    const QCommandLineOption tlsCert(QStringLiteral("tls-cert"),
                                     QStringLiteral("With --tls: the certificate to present (PEM; the chain may follow)."),
                                     QStringLiteral("FILE"));
    const QCommandLineOption tlsKey(QStringLiteral("tls-key"), QStringLiteral("With --tls: its private key (PEM)."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption fingerprint(
        QStringLiteral("fingerprint"),
        QStringLiteral("Print the SHA-256 fingerprint of the TLS key (made when missing) on the last line and exit; "
                       "clients take it as it is (kestra-follow --trust)."));
    const QCommandLineOption allowClear(QStringLiteral("allow-clear"),
                                        QStringLiteral("Listen without TLS on an address other than loopback, where "
                                                       "passwords and log text cross the network in clear."));
    auto number = [](const char* name, const char* text, const char* unit, qint64 def) {
        return QCommandLineOption(QLatin1String(name), QStringLiteral("%1 (default %2).").arg(QLatin1String(text)).arg(def),
                                  QLatin1String(unit));
    };
    ConnectionLimits& l = o->limits;
    LogonPolicy& g = o->logon;
    const std::vector<NumberOption> numbers = {
        {number("sim-interval", "Mean time between simulated messages of one category; 0 = off", "MS", o->simIntervalMs),
         0, INT_MAX, [o](qint64 v) { o->simIntervalMs = int(v); }},
        {number("client-linger", "How long a client's state outlives its last link", "MS", o->lingerMs), 0, INT_MAX,
         [o](qint64 v) { o->lingerMs = int(v); }},
        {number("queue-size",
                "Unread log text each client's queue holds, in Mi (1048576) UTF-16 code units, at most 256; "
                "each one may take 2 MiB of memory per client",
                "MI", o->queueCapacity / kQueueSizeUnit),
         1, kMaxQueueSize, [o](qint64 v) { o->queueCapacity = qsizetype(v) * kQueueSizeUnit; }},
        {number("max-connections", "Connections open at once", "N", l.maxConnections), 1, 65536,
         [&l](qint64 v) { l.maxConnections = int(v); }},
        {number("max-per-address", "Connections open at once from one address", "N", l.maxPerAddress), 1, 65536,
         [&l](qint64 v) { l.maxPerAddress = int(v); }},
        {number("max-request", "Longest request line, at most 4194304", "BYTES", l.maxRequestBytes), 1024,
         qint64(4) << 20, [&l](qint64 v) { l.maxRequestBytes = qsizetype(v); }},
        {number("max-in-flight", "Requests a connection may send ahead of their answers", "N", l.maxInFlight), 1,
         65536, [&l](qint64 v) { l.maxInFlight = int(v); }},
        {number("idle-timeout", "A connection without a request this long is closed", "MS", l.idleTimeoutMs), 100,
         INT_MAX, [&l](qint64 v) { l.idleTimeoutMs = int(v); }},
        {number("logon-delay", "A refused logon is answered after this long", "MS", g.delayMs), 0, 60000,
         [&g](qint64 v) { g.delayMs = int(v); }},
        {number("logon-tries", "Refused logons of one user before a lock-out (4 times as many for an address)", "N",
                g.tries),
         1, 1000, [&g](qint64 v) { g.tries = int(v); }},
        {number("logon-lockout", "How long a locked-out user or address is refused", "MS", g.lockoutMs), 0, INT_MAX,
         [&g](qint64 v) { g.lockoutMs = int(v); }},
    };
    parser.addOptions({help, version, project, listen, inject, noStdin, station, requireLogon, addUser, noLog, tls,
                       tlsCert, tlsKey, fingerprint, allowClear});
    for (const NumberOption& n : numbers)
        parser.addOption(n.option);
    if (!parser.parse(QStringList{QStringLiteral("mirabo-logd")} + args)) {
        *error = parser.errorText();
        return false;
    }
    o->helpText = parser.helpText();
    o->help = parser.isSet(help);
    o->version = parser.isSet(version);
    if (o->help || o->version)
        return true;
    if (!parser.positionalArguments().isEmpty()) {
        *error = QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first());
        return false;
    }
    o->project = parser.value(project);
    if (o->project.isEmpty()) {
        *error = QStringLiteral("--project DIR is required");
        return false;
    }
    if (parser.isSet(listen) && !parseListen(parser.value(listen), &o->address, &o->port)) {
        *error = QStringLiteral("--listen wants ADDR:PORT, not \"%1\"").arg(parser.value(listen));
        return false;
    }
    for (const NumberOption& n : numbers) {
        if (!parser.isSet(n.option))
            continue;
        bool ok = false;
        const qint64 v = parser.value(n.option).toLongLong(&ok);
        if (!ok || v < n.min || v > n.max) {
            *error = QStringLiteral("--%1 wants a whole number from %2 to %3")
                         .arg(n.option.names().first())
                         .arg(n.min)
                         .arg(n.max);
            return false;
        }
        n.store(v);
    }
    o->inject = parser.value(inject);
    o->readStdin = !parser.isSet(noStdin);
    o->station = parser.value(station);
    o->requireLogon = parser.isSet(requireLogon);
    o->addUser = parser.value(addUser);
    o->noLogAccess = parser.isSet(noLog);
    o->tls = parser.isSet(tls);
    o->tlsCert = parser.value(tlsCert);
    o->tlsKey = parser.value(tlsKey);
    o->fingerprint = parser.isSet(fingerprint);
    o->allowClear = parser.isSet(allowClear);
    if (o->tlsCert.isEmpty() != o->tlsKey.isEmpty()) {
        *error = QStringLiteral("--tls-cert and --tls-key go together");
        return false;
    }
    if (!o->tlsCert.isEmpty() && !o->tls && !o->fingerprint) {
        *error = QStringLiteral("--tls-cert and --tls-key need --tls");
        return false;
    }
    if (o->tls && o->allowClear) {
        *error = QStringLiteral("--allow-clear is for a service without --tls");
        return false;
    }
    return true;
}

} // namespace logd
