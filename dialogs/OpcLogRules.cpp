#include "dialogs/OpcLogRules.h"


#include <iterator>

int VerbosityPosition(int32_t level) {
    if (level == kVerbosityUnset)
        level = 2;
    for (int position = 0; position < static_cast<int>(std::size(kVerbosityEntries)); ++position) {
        if (kVerbosityEntries[position].level == level)
            return position;
    }
    return 0;
}

int32_t VerbosityLevel(int position) {
    if (position < 0 || position >= static_cast<int>(std::size(kVerbosityEntries)))
        return 0;
    return kVerbosityEntries[position].level;
}

int OpcCaptionStringId(int32_t kind) {
    switch (kind) {
    case kOpcKindXmlDa:
        return ids::IDS_OPC_XMLDA_TITLE;
    case kOpcKindUa:
        return ids::IDS_OPC_UA_TITLE;
    case kOpcKindNet:
        return ids::IDS_OPC_NET_TITLE;
    default:
        return 0;
    }
}

namespace {

// A record's field by parameter number (0 connection, 1 subscription, 2 read, 3 write, 4 verbosity).
int32_t RecordParam(const OpcLogSettings& record, int32_t param) {
    switch (param) {
    case 0:
        return record.connection.load();
    case 1:
        return record.subscription.load();
    case 2:
        return record.read.load();
    case 3:
        return record.write.load();
    case 4:
        return record.verbosity.load();
    default:
        return 0;
    }
}

} // namespace

OpcReads StationOpcReads(const WorkerChannel& channel, const CategoryWords& words) {
    return OpcReads{[&channel, &words](int32_t kind) {
                        const OpcStationValues station = channel.StationOpc(kind);
                        if (station.known)
                            return station.switchValue;
                        const OpcLogSettings* record = words.OpcRecord(kind);
                        return record ? record->enabled.load() : 0;
                    },
                    [&channel, &words](int32_t kind, int32_t param) {
                        const OpcStationValues station = channel.StationOpc(kind);
                        if (station.known && param >= 0 && param < kOpcParamCount)
                            return station.params[static_cast<size_t>(param)];
                        const OpcLogSettings* record = words.OpcRecord(kind);
                        return record ? RecordParam(*record, param) : 0;
                    }};
}

void QueueOpcRecord(WorkerChannel& channel, int32_t kind, const OpcLogSettings& record) {
    channel.QueueChanges({PackChange(static_cast<uint32_t>(kind), record.enabled.load())}, kind,
                        {PackChange(0, record.connection.load()), PackChange(1, record.subscription.load()),
                         PackChange(2, record.read.load()), PackChange(3, record.write.load()),
                         PackChange(4, record.verbosity.load())});
}
