// HalcyteExt's command line and window title. The switches are those Kestra passes: "/dsip:HOST" and
// "/dsport:PORT", matched without regard to case; anything else is ignored.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

struct HalcyteOptions {
    QString host = QStringLiteral("localhost");
    int32_t port = 1234;
};

HalcyteOptions ParseHalcyteArguments(const QStringList& arguments);

// "HalcyteExt - <LOCAL>" for the local station, else "HalcyteExt - <host>".
QString HalcyteTitle(const QString& host);
