// The command line of mirabo-logd.
#pragma once

#include "service/Limits.h"

#include <QHostAddress>
#include <QString>
#include <QStringList>

namespace logd {

struct LogdOptions {
    QString project;
    QHostAddress address = QHostAddress(QHostAddress::LocalHost);
    quint16 port = 1234;
    QString inject;          // FIFO path, empty: standard input only
    bool readStdin = true;
    int simIntervalMs = 1500;
    int lingerMs = 60000;
    QString station;
    bool requireLogon = false;
    QString addUser;
    bool noLogAccess = false; // with addUser: the user may not read the log
    ConnectionLimits limits;
    LogonPolicy logon;
    bool help = false;
    bool version = false;
    QString helpText;
};

// Parses the arguments (without the program name). False with a message when they are wrong.
bool parseOptions(const QStringList& args, LogdOptions* options, QString* error);
// "ADDR:PORT" (ADDR may be an IPv4 address, a bracketed IPv6 address, or "localhost" and the names under
// it, which mean 127.0.0.1; no other name is looked up).
bool parseListen(const QString& text, QHostAddress* address, quint16* port);

} // namespace logd
