#include "halcyte/HalcyteOptions.h"

#include "base/Station.h"
#include "toolkit/MiraboToolkit.h"

HalcyteOptions ParseHalcyteArguments(const QStringList& arguments) {
    const QString hostSwitch = QStringLiteral("/dsip:");
    const QString portSwitch = QStringLiteral("/dsport:");
    HalcyteOptions options;
    for (const QString& argument : arguments) {
        if (argument.startsWith(hostSwitch, Qt::CaseInsensitive))
            options.host = argument.mid(hostSwitch.size()).trimmed();
        else if (argument.startsWith(portSwitch, Qt::CaseInsensitive))
            options.port = MiraboLeadingDecimal(argument.mid(portSwitch.size()), options.port);
    }
    return options;
}

QString HalcyteTitle(const QString& host) {
    return QStringLiteral("HalcyteExt - <") + StationName(host, QStringLiteral("LOCAL")) + QLatin1Char('>');
}
