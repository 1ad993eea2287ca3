// mirabo-logd: the stand-in for the runtime's log service.
#include "base/SignalPipe.h"
#include "service/Injector.h"
#include "service/LogServer.h"
#include "service/Options.h"
#include "service/PasswordHash.h"
#include "service/Project.h"
#include "service/Service.h"
#include "service/Simulator.h"
#include "service/TlsIdentity.h"
#include "service/UsersWatcher.h"

#include <QCoreApplication>
#include <QFile>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

using namespace logd;

namespace {

// Descriptors the service needs besides its connections (listener, FIFO, files it reads).
constexpr rlim_t kSpareDescriptors = 64;

// Raises the descriptor limit as far as allowed and keeps the connection limit within it, so that
// accepting never fails for want of a descriptor.
void fitConnectionLimit(ConnectionLimits* limits) {
    rlimit rl{};
    if (::getrlimit(RLIMIT_NOFILE, &rl) != 0)
        return;
    rl.rlim_cur = rl.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &rl);
    ::getrlimit(RLIMIT_NOFILE, &rl);
    if (rl.rlim_cur == RLIM_INFINITY || rl.rlim_cur <= kSpareDescriptors)
        return;
    const rlim_t room = rl.rlim_cur - kSpareDescriptors;
    if (static_cast<rlim_t>(limits->maxConnections) > room) {
        Service::log(QStringLiteral("only %1 descriptors allowed: at most %2 connections").arg(rl.rlim_cur).arg(room));
        limits->maxConnections = static_cast<int>(room);
    }
}

QString hostAndPort(const QHostAddress& address, quint16 port) {
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QLatin1Char('[') + address.toString() + QLatin1Char(']')
                             : address.toString();
    return host + QLatin1Char(':') + QString::number(port);
}

// Reads the password for --add-user from standard input, without echo on a terminal.
QString readPassword() {
    const bool tty = ::isatty(STDIN_FILENO) != 0;
    termios saved {};
    if (tty) {
        std::fputs("Password: ", stderr);
        std::fflush(stderr);
        ::tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    QFile in;
    QByteArray line;
    if (in.open(stdin, QIODevice::ReadOnly))
        line = in.readLine(4096);
    if (tty) {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        std::fputs("\n", stderr);
    }
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
}

int addUser(const LogdOptions& options) {
    if (!UserStore::validName(options.addUser)) {
        Service::log(QStringLiteral("a user name may not be empty nor hold blanks or ':'"));
        return 2;
    }
    Project project;
    QString error;
    QStringList warnings;
    if (!project.load(options.project, &error, &warnings)) {
        Service::log(error);
        return 1;
    }
    const QString password = readPassword();
    if (password.isEmpty()) {
        Service::log(QStringLiteral("no password given on standard input"));
        return 2;
    }
    const User user{options.addUser, !options.noLogAccess, makePasswordHash(password)};
    if (!UserStore::writeUser(project.usersPath(), user, &error)) {
        Service::log(QStringLiteral("cannot write %1: %2").arg(project.usersPath(), error));
        return 1;
    }
    Service::log(QStringLiteral("user \"%1\" written to %2").arg(user.name, project.usersPath()));
    return 0;
}

// The TLS identity for --tls and --fingerprint; false when it cannot be had (reported).
bool loadIdentity(const LogdOptions& options, const Project& project, TlsIdentity* identity) {
    QString error;
    QStringList notes;
    const bool loaded = identity->load(project.dir(), options.tlsCert, options.tlsKey, project.station(), &error, &notes);
    for (const QString& note : notes)
        Service::log(note);
    if (!loaded)
        Service::log(QStringLiteral("TLS: %1").arg(error));
    return loaded;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    LogdOptions options;
    QString error;
    if (!parseOptions(app.arguments().mid(1), &options, &error)) {
        Service::log(error + QStringLiteral(" (try --help)"));
        return 2;
    }
    if (options.help) {
        std::fputs(options.helpText.toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (options.version) {
        std::fputs("mirabo-logd " KESTRA_VERSION "\n", stdout);
        return 0;
    }
    if (!options.addUser.isEmpty())
        return addUser(options);
    // TLS writes through the descriptor: a peer that vanished must fail the write, not end the service.
    std::signal(SIGPIPE, SIG_IGN);

    // SIGINT and SIGTERM end the service cleanly, from the event loop.
    base::InstallSignalPipe({SIGINT, SIGTERM});
    base::SignalNotifier signals;
    Project project;
    QStringList warnings;
    if (!project.load(options.project, &error, &warnings)) {
        Service::log(error);
        return 1;
    }
    for (const QString& w : warnings)
        Service::log(w);
    if (!options.station.isEmpty())
        project.setStation(options.station);
    if (options.requireLogon)
        project.setLogonRequired(true);
    TlsIdentity identity;
    if (options.fingerprint) {
        if (!loadIdentity(options, project, &identity))
            return 1;
        // Alone on the last line, as clients take it.
        std::fputs(QStringLiteral("SHA-256 fingerprint of the key in %1:\n%2\n")
                       .arg(identity.certPath(), identity.fingerprint())
                       .toLocal8Bit()
                       .constData(),
                   stdout);
        return 0;
    }
    if (options.tls && !loadIdentity(options, project, &identity))
        return 1;
    if (!options.tls && !options.allowClear && !options.address.isLoopback()) {
        Service::log(QStringLiteral("will not listen in clear on %1: passwords and log text would cross the network "
                                    "unprotected. Use --tls (or --allow-clear to do it anyway)")
                         .arg(hostAndPort(options.address, options.port)));
        return 2;
    }
    Service::log(QStringLiteral("project %1: station \"%2\", %3 tags, %4 users, logon %5")
                     .arg(project.dir(), project.station())
                     .arg(project.tags().tags().size())
                     .arg(project.users().count())
                     .arg(project.logonRequired() ? QStringLiteral("required") : QStringLiteral("not required")));

    ConnectionLimits limits = options.limits;
    fitConnectionLimit(&limits);
    ServiceOptions serviceOptions;
    serviceOptions.lingerMs = options.lingerMs;
    serviceOptions.maxClients = limits.maxConnections;
    serviceOptions.queueCapacity = options.queueCapacity;
    serviceOptions.logon = options.logon;
    Service service(project, serviceOptions);
    UsersWatcher usersWatcher(service);
    LogServer server(service, limits, options.tls ? identity.context() : nullptr);
    if (!server.listen(options.address, options.port, &error)) {
        Service::log(QStringLiteral("cannot listen on %1: %2").arg(hostAndPort(options.address, options.port), error));
        return 1;
    }
    Injector injector(service);
    // A terminal's input belongs to its foreground job: a service started in the background leaves it
    // alone (and, should it be sent to the background later, a read fails instead of stopping it).
    std::signal(SIGTTIN, SIG_IGN);
    const bool backgroundTty = ::isatty(STDIN_FILENO) && ::tcgetpgrp(STDIN_FILENO) != ::getpgrp();
    if (options.readStdin && !backgroundTty)
        injector.addDescriptor(STDIN_FILENO, QStringLiteral("standard input"));
    if (!options.inject.isEmpty() && !injector.openFifo(options.inject, &error)) {
        Service::log(QStringLiteral("cannot open %1: %2").arg(options.inject, error));
        return 1;
    }
    Simulator simulator(service, options.simIntervalMs);
    simulator.start();

    QObject::connect(&signals, &base::SignalNotifier::signalled, &app, [&](int signo) {
        Service::log(QStringLiteral("signal %1, shutting down").arg(signo));
        server.shutdown();
        app.quit();
    });
    if (!server.address().isLoopback())
        Service::log(QStringLiteral("%1 is reachable from other hosts: every peer that gets there may connect")
                         .arg(hostAndPort(server.address(), server.port())));
    if (options.tls)
        Service::log(QStringLiteral("TLS only; SHA-256 fingerprint of the key: %1 (certificate %2, valid until %3)")
                         .arg(identity.fingerprint(), identity.certPath(), identity.notAfter().toString(Qt::ISODate)));
    else if (!server.address().isLoopback())
        Service::log(QStringLiteral("no TLS: passwords, tokens and log text cross the network in clear"));
    // The one line that says where the service listens, with the port it got (--listen ADDR:0 binds any).
    Service::log(QStringLiteral("listening on %1").arg(hostAndPort(server.address(), server.port())));
    const int rc = app.exec();
    server.shutdown();
    Service::log(QStringLiteral("stopped"));
    return rc;
}
