#include "service/SimMessages.h"

#include <QStringList>

namespace logd {

namespace {

QString pick(const QStringList& list, QRandomGenerator& rng) {
    return list.at(static_cast<int>(rng.bounded(static_cast<quint32>(list.size()))));
}

QString anyTag(const TagTable& tags, QRandomGenerator& rng) {
    if (tags.tags().isEmpty())
        return QStringLiteral("Tag1");
    return tags.tags().at(static_cast<int>(rng.bounded(static_cast<quint32>(tags.tags().size())))).name;
}

QString anyValue(const TagTable& tags, const QString& name) {
    const Tag* t = tags.find(name);
    return t ? t->value : QStringLiteral("0");
}

QString hexBytes(QRandomGenerator& rng, int count) {
    QStringList bytes;
    for (int i = 0; i < count; ++i)
        bytes.append(QStringLiteral("%1").arg(rng.bounded(256), 2, 16, QLatin1Char('0')).toUpper());
    return bytes.join(QLatin1Char(' '));
}

int num(QRandomGenerator& rng, int lo, int hi) {
    return lo + static_cast<int>(rng.bounded(static_cast<quint32>(hi - lo + 1)));
}

const QStringList kDisplays = {QStringLiteral("Overview"), QStringLiteral("Tank Farm"), QStringLiteral("Boiler"),
                               QStringLiteral("Packaging Line 1"), QStringLiteral("Alarms"),
                               QStringLiteral("Trends")};
const QStringList kUsers = {QStringLiteral("operator"), QStringLiteral("maintenance"),
                            QStringLiteral("shift.lead"), QStringLiteral("engineer")};

} // namespace

QString simulatedMessage(int category, const TagTable& tags, QRandomGenerator& rng) {
    const QString tag = anyTag(tags, rng);
    switch (category) {
    case 0:
        return rng.bounded(2) ? QStringLiteral("Recipe: loaded \"%1\" into group RCP%2 (%3 tags)")
                                    .arg(pick({QStringLiteral("Batch_A12"), QStringLiteral("Cleaning_CIP"),
                                               QStringLiteral("Startup")},
                                              rng))
                                    .arg(num(rng, 1, 4))
                                    .arg(num(rng, 4, 40))
                              : QStringLiteral("Report: \"%1\" written to %2 (%3 ms)")
                                    .arg(pick({QStringLiteral("ShiftReport"), QStringLiteral("DailyProduction"),
                                               QStringLiteral("AlarmSummary")},
                                              rng),
                                         pick({QStringLiteral("PDF"), QStringLiteral("printer"),
                                               QStringLiteral("HTML")},
                                              rng))
                                    .arg(num(rng, 20, 900));
    case 1:
        return QStringLiteral("Field read: driver MODBUS station %1 block %2 (%3 words) -> OK, %4 ms")
            .arg(num(rng, 1, 8))
            .arg(40001 + 10 * num(rng, 0, 50))
            .arg(num(rng, 1, 32))
            .arg(num(rng, 3, 60));
    case 2:
        return QStringLiteral("Field write: %1 = %2 -> driver MODBUS station %3 address %4: OK")
            .arg(tag, anyValue(tags, tag))
            .arg(num(rng, 1, 8))
            .arg(40001 + num(rng, 0, 500));
    case 3:
        return QStringLiteral("Trace: worksheet Math%1 line %2: %3 = %4")
            .arg(num(rng, 1, 5))
            .arg(num(rng, 1, 80))
            .arg(tag, anyValue(tags, tag));
    case 4:
        return QStringLiteral("Display: %1 \"%2\"")
            .arg(rng.bounded(2) ? QStringLiteral("opened") : QStringLiteral("closed"), pick(kDisplays, rng));
    case 5:
        return QStringLiteral("Logon: user %1 %2")
            .arg(pick(kUsers, rng), rng.bounded(2) ? QStringLiteral("logged on") : QStringLiteral("logged off"));
    case 6:
        return QStringLiteral("DDE: %1 Excel|Sheet1!R%2C%3 %4")
            .arg(rng.bounded(2) ? QStringLiteral("request") : QStringLiteral("advise"))
            .arg(num(rng, 1, 50))
            .arg(num(rng, 1, 10))
            .arg(anyValue(tags, tag));
    case 7:
        return QStringLiteral("Protocol analyzer: %1 %2")
            .arg(rng.bounded(2) ? QStringLiteral("TX") : QStringLiteral("RX"), hexBytes(rng, num(rng, 6, 16)));
    case 8:
        return rng.bounded(3) ? QStringLiteral("TCP/IP: %1 %2 bytes %3 192.168.10.%4:%5")
                                    .arg(rng.bounded(2) ? QStringLiteral("sent") : QStringLiteral("received"))
                                    .arg(num(rng, 8, 1460))
                                    .arg(QStringLiteral("peer"))
                                    .arg(num(rng, 2, 250))
                                    .arg(num(rng, 1024, 65000))
                              : QStringLiteral("TCP/IP: connection from 192.168.10.%1 accepted on port 1234")
                                    .arg(num(rng, 2, 250));
    case 9:
        return QStringLiteral("OPC DA 2.05: server Sim.OPC.1 group G%1 item %2 = %3, quality GOOD")
            .arg(num(rng, 1, 3))
            .arg(tag, anyValue(tags, tag));
    case 10:
        return QStringLiteral("Database: %1 (%2 rows, %3 ms)")
            .arg(pick({QStringLiteral("INSERT INTO AlarmHistory"), QStringLiteral("SELECT FROM BatchData"),
                       QStringLiteral("UPDATE Production")},
                      rng))
            .arg(num(rng, 1, 120))
            .arg(num(rng, 1, 250));
    default:
        return QString();
    }
}

QString simulatedOpcMessage(int kind, const ClientState& client, const TagTable& tags, QRandomGenerator& rng) {
    static const char* names[] = {"OPC XML/DA", "OPC UA", "OPC .Net"};
    if (kind < kOpcFirstKind || kind > kOpcLastKind)
        return QString();
    // Which activities does this client follow? 0 connection, 1 subscription, 2 read, 3 write.
    QList<int> wanted;
    for (int param = 0; param < 4; ++param)
        if (client.opcParam(kind, param) != 0)
            wanted.append(param);
    if (wanted.isEmpty())
        return QString();
    int verbosity = client.opcParam(kind, kOpcVerbosity);
    if (verbosity < 0)
        verbosity = 2;
    // Most activity is information, some are warnings, few are errors.
    const int roll = num(rng, 0, 9);
    const int level = roll == 0 ? 0 : (roll <= 2 ? 1 : 2);
    if (level > verbosity)
        return QString();
    static const char* levels[] = {"Error", "Warning", "Information"};
    const QString tag = anyTag(tags, rng);
    const int activity = wanted.at(static_cast<int>(rng.bounded(static_cast<quint32>(wanted.size()))));
    QString what;
    switch (activity) {
    case 0:
        what = level == 0 ? QStringLiteral("connection to endpoint opc.tcp://plc%1:4840 lost").arg(num(rng, 1, 4))
                          : QStringLiteral("session %1 to endpoint opc.tcp://plc%2:4840 %3")
                                .arg(num(rng, 100, 999))
                                .arg(num(rng, 1, 4))
                                .arg(level == 1 ? QStringLiteral("slow to answer") : QStringLiteral("activated"));
        break;
    case 1:
        what = QStringLiteral("subscription %1: %2 monitored items, publishing interval %3 ms%4")
                   .arg(num(rng, 1, 20))
                   .arg(num(rng, 1, 200))
                   .arg(num(rng, 1, 10) * 100)
                   .arg(level < 2 ? QStringLiteral(", queue overflow") : QString());
        break;
    case 2:
        what = level == 0 ? QStringLiteral("read %1: Bad_NodeIdUnknown").arg(tag)
                          : QStringLiteral("read %1 = %2").arg(tag, anyValue(tags, tag));
        break;
    default:
        what = level == 0 ? QStringLiteral("write %1: Bad_NotWritable").arg(tag)
                          : QStringLiteral("write %1 <- %2").arg(tag, anyValue(tags, tag));
        break;
    }
    return QStringLiteral("%1 [%2]: %3")
        .arg(QLatin1String(names[kind - kOpcFirstKind]), QLatin1String(levels[level]), what);
}

} // namespace logd
