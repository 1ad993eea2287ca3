#include "service/Options.h"

#include <QCommandLineParser>

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
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        a = QHostAddress(QHostAddress::LocalHost);
    else if (!a.setAddress(host))
        return false;
    *address = a;
    *port = static_cast<quint16>(p);
    return true;
}

bool parseOptions(const QStringList& args, LogdOptions* o, QString* error) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Stand-in log service: serves a project's log to clients."));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    const QCommandLineOption project(QStringLiteral("project"), QStringLiteral("The project folder."),
                                     QStringLiteral("DIR"));
    const QCommandLineOption listen(QStringLiteral("listen"),
                                    QStringLiteral("Address and port to listen on (default 127.0.0.1:1234)."),
                                    QStringLiteral("ADDR:PORT"));
    const QCommandLineOption inject(QStringLiteral("inject"),
                                    QStringLiteral("Also read injected log lines from this FIFO (made when missing)."),
                                    QStringLiteral("PATH"));
    const QCommandLineOption noStdin(QStringLiteral("no-stdin"),
                                     QStringLiteral("Do not read injected log lines from standard input."));
    const QCommandLineOption sim(QStringLiteral("sim-interval"),
                                 QStringLiteral("Mean time between simulated messages of one category; 0 = off "
                                                "(default 1500)."),
                                 QStringLiteral("MS"));
    const QCommandLineOption linger(QStringLiteral("client-linger"),
                                    QStringLiteral("How long a client's state outlives its last link (default 60000)."),
                                    QStringLiteral("MS"));
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
    parser.addOptions({help, project, listen, inject, noStdin, sim, linger, station, requireLogon, addUser, noLog});
    if (!parser.parse(QStringList{QStringLiteral("mirabo-logd")} + args)) {
        *error = parser.errorText();
        return false;
    }
    o->helpText = parser.helpText();
    o->help = parser.isSet(help);
    if (o->help)
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
    bool ok = true;
    if (parser.isSet(sim)) {
        o->simIntervalMs = parser.value(sim).toInt(&ok);
        if (!ok || o->simIntervalMs < 0) {
            *error = QStringLiteral("--sim-interval wants a number of milliseconds");
            return false;
        }
    }
    if (parser.isSet(linger)) {
        o->lingerMs = parser.value(linger).toInt(&ok);
        if (!ok || o->lingerMs < 0) {
            *error = QStringLiteral("--client-linger wants a number of milliseconds");
            return false;
        }
    }
    o->inject = parser.value(inject);
    o->readStdin = !parser.isSet(noStdin);
    o->station = parser.value(station);
    o->requireLogon = parser.isSet(requireLogon);
    o->addUser = parser.value(addUser);
    o->noLogAccess = parser.isSet(noLog);
    return true;
}

} // namespace logd
