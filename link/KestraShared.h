// The state that the connection worker and the user-interface thread share.
//
// Guards:
//  - "Lock": read and written only while m_lock is held (a std::lock_guard, held only to copy, append
//    or replace; never across a toolkit call, a dialog or a sleep);
//  - "word": one 32-bit atomic integer written by one thread and polled by the other without the lock;
//  - "constant": set during start-up before the worker exists, then only read.
#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

using KestraWord = std::atomic<int32_t>;

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

// A packed change entry: the value's low 16 bits in bits 16-31, the index in bits 0-15.
constexpr uint32_t PackChange(uint32_t index, int32_t value) {
    return ((static_cast<uint32_t>(value) & 0xFFFFu) << 16) | (index & 0xFFFFu);
}
constexpr uint32_t ChangeIndex(uint32_t entry) { return entry & 0xFFFFu; }
constexpr uint32_t ChangeValue(uint32_t entry) { return entry >> 16; }

class CKestraExtShared {
public:
    CKestraExtShared() = default;
    CKestraExtShared(const CKestraExtShared&) = delete;
    CKestraExtShared& operator=(const CKestraExtShared&) = delete;

    // Settings paths (constant).
    QString m_strExeIniPath;  // executable folder + "KestraExt.ini"
    QString m_strUserIniPath; // per-user settings folder + "KestraExt.ini"

    // Subscribed tags (Lock).
    QStringList m_lstTags;

    // Log-category switch values (word).
    KestraWord m_nLogRecipeReport{0};
    KestraWord m_nLogFieldRead{0};
    KestraWord m_nLogFieldWrite{0};
    KestraWord m_nLogTrace{0};
    KestraWord m_nLogDde{0};
    KestraWord m_nLogTcpIp{0};
    KestraWord m_nLogDisplay{0};
    KestraWord m_nLogLogon{0};
    KestraWord m_nLogProtocolAnalyzer{0};
    KestraWord m_bAlwaysOnTop{0}; // keep-on-top setting (UI thread)
    KestraWord m_nDateTimeStamp{0};
    KestraWord m_nLogDatabase{0};
    KestraWord m_nLogOpcDa{0};
    KestraWord m_nLogOnDiskType{0}; // 0 disabled, 1 daily file, 2 custom file (UI thread)
    QString m_strLogOnDiskFile;     // custom log file name (UI thread)

    OpcLogSettings m_opcXmlDa;
    OpcLogSettings m_opcUa;
    OpcLogSettings m_opcNet;

    KestraWord m_bConnected{0};
    KestraWord m_bStarting{0};

    // Connection options (constant; the worker copies the strings under the lock).
    QString m_strHost = QStringLiteral("localhost");
    int32_t m_nPort = 1234;
    QString m_strWtg;
    QString m_strProxyHost;
    int32_t m_nProxyPort = 0;

    KestraWord m_bStopWorker{0};
    KestraWord m_hrConnect{0};
    int32_t m_bSlowConnection = 0;   // constant
    KestraWord m_nMaxTextLength{16000}; // characters; 4096 in slow-connection mode
    KestraWord m_bPaused{0};

    // Change queues of packed entries (Lock).
    std::vector<uint32_t> m_switchQueue;
    std::vector<uint32_t> m_opcUaQueue;
    std::vector<uint32_t> m_opcXmlDaQueue;
    std::vector<uint32_t> m_opcNetQueue;

    QString m_strPendingText; // fetched, not yet shown (Lock)
    QString m_strLogFolder;   // folder of log.txt and the log files, ends in '/' (Lock when written)
    QString m_strFontName;    // log font face name (Lock when written)
    int32_t m_nCharSet = 0;   // log font character set (Lock when written)
    KestraWord m_bDateTimeChanged{0};
    int32_t m_nTimeout = 60000; // link time-out in ms (constant)
    QString m_strUserName;      // credentials from the command line (constant)
    QString m_strPassword;

    std::mutex m_lock; // the one lock of the program
};

// The local station: an empty host or "localhost" in any letter case.
inline bool IsLocalStation(const QString& host) {
    return host.isEmpty() || host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0;
}
