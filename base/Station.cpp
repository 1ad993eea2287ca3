#include "base/Station.h"

bool IsLocalStation(const QString& host) {
    return host.isEmpty() || host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0;
}

QString StationName(const QString& host, const QString& localName) {
    return IsLocalStation(host) ? localName : host;
}
