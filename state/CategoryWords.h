// The station's log switches as the program mirrors them: the connection worker's connect step writes
// them, the Log-menu commands toggle them on the window thread. Each is a word.
#pragma once

#include "state/Word.h"

// Logging parameters of one OPC kind (11 OPC XML/DA, 12 OPC UA, 13 OPC .Net). Each field is a word.
struct OpcLogSettings {
    KestraWord enabled{0};      // the kind's switch value
    KestraWord subscription{0}; // parameter 1
    KestraWord read{0};         // parameter 2
    KestraWord write{0};        // parameter 3
    KestraWord connection{0};   // parameter 0
    KestraWord verbosity{2};    // parameter 4
};

constexpr int32_t kOpcKindXmlDa = 11;
constexpr int32_t kOpcKindUa = 12;
constexpr int32_t kOpcKindNet = 13;
constexpr int32_t kOpcKinds[] = {kOpcKindXmlDa, kOpcKindUa, kOpcKindNet};
constexpr int32_t kOpcParamCount = 5; // parameters 0 (connection) to 4 (verbosity)

struct CategoryWords {
    KestraWord m_nLogRecipeReport{0};
    KestraWord m_nLogFieldRead{0};
    KestraWord m_nLogFieldWrite{0};
    KestraWord m_nLogTrace{0};
    KestraWord m_nLogDde{0};
    KestraWord m_nLogTcpIp{0};
    KestraWord m_nLogDisplay{0};
    KestraWord m_nLogLogon{0};
    KestraWord m_nLogProtocolAnalyzer{0};
    KestraWord m_nDateTimeStamp{0}; // the station stamps its messages with date and time
    KestraWord m_nLogDatabase{0};
    KestraWord m_nLogOpcDa{0};

    OpcLogSettings m_opcXmlDa;
    OpcLogSettings m_opcUa;
    OpcLogSettings m_opcNet;

    // The record of an OPC kind (11, 12, 13); nullptr for any other kind.
    OpcLogSettings* OpcRecord(int32_t kind);
    const OpcLogSettings* OpcRecord(int32_t kind) const;
};
