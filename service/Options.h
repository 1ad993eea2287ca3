// The command line of mirabo-logd.
#pragma once

#include "service/Limits.h"
#include "service/LogQueue.h"

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
    qsizetype queueCapacity = LogQueue::kDefaultCapacity; // code units; --queue-size counts kQueueSizeUnit
    ConnectionLimits limits;
    LogonPolicy logon;
    bool tls = false;          // serve TLS only
    QString tlsCert;           // with tlsKey: the certificate (and chain) and key to serve; empty: the
    QString tlsKey;            // project folder's own pair, made at the first start
    bool fingerprint = false;  // print the key's fingerprint and exit
    bool allowClear = false;   // listen in clear on an address other than loopback
    bool help = false;
    bool version = false;
    QString helpText;
};

// --queue-size counts in Mi (1048576) UTF-16 code units, from 1 (the default) to kMaxQueueSize.
constexpr qsizetype kQueueSizeUnit = qsizetype(1) << 20;
constexpr qint64 kMaxQueueSize = 256;

// Parses the arguments (without the program name). False with a message when they are wrong.
bool parseOptions(const QStringList& args, LogdOptions* options, QString* error);
// "ADDR:PORT" (ADDR may be an IPv4 address, a bracketed IPv6 address, or "localhost" and the names under
// it, which mean 127.0.0.1; no other name is looked up).
bool parseListen(const QString& text, QHostAddress* address, quint16* port);

} // namespace logd
