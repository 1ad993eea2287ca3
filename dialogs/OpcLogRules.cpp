#include "dialogs/OpcLogRules.h"

#include "link/KestraShared.h"
#include "toolkit/MiraboToolkit.h"

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

OpcReads ToolkitOpcReads() {
    return OpcReads{[](int32_t kind) { return SwitchGet(kind); },
                    [](int32_t kind, int32_t param) { return OpcLogParamGet(kind, param); }};
}

void QueueOpcRecord(CKestraExtShared& shared, int32_t kind, const OpcLogSettings& record) {
    shared.QueueChanges({PackChange(static_cast<uint32_t>(kind), record.enabled.load())}, kind,
                        {PackChange(0, record.connection.load()), PackChange(1, record.subscription.load()),
                         PackChange(2, record.read.load()), PackChange(3, record.write.load()),
                         PackChange(4, record.verbosity.load())});
}
