// The state that the connection worker and the user-interface thread share.
//
// Guards:
//  - "word": one 32-bit atomic integer written by one thread and polled by the other without the lock
//    (public members: the flags, the category values, the OPC records);
//  - "constant": set during start-up before the worker exists, then only read (public members);
//  - "lock": strings, lists and queues that both threads change. They are private; the named operations
//    below take the one lock (m_lock) only to copy, append or replace them, never across a toolkit call,
//    a dialog or a sleep, and no operation takes it while holding it.
#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <initializer_list>
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

using ChangeQueue = std::vector<uint32_t>;

// What a link is opened with, copied in one piece.
struct ConnectionParams {
    QString exeIniPath; // the settings file beside the executable (its "HTTPPolling" key)
    QString host;
    int32_t port = 0;
    QString proxyHost;
    int32_t proxyPort = 0;
    QString wtg;
};

// The log font as the worker read it from the service's configuration.
struct LogFont {
    QString name;
    int32_t charSet = 0;
};

class CKestraExtShared {
public:
    CKestraExtShared() = default;
    CKestraExtShared(const CKestraExtShared&) = delete;
    CKestraExtShared& operator=(const CKestraExtShared&) = delete;

    // --- Text fetched and not yet shown ---------------------------------------------------------------
    void AddPendingText(const QString& text); // the worker's fetch step appends
    QString TakePendingText();                // the view's tick takes and empties it in one step
    QString PendingText() const;              // a copy (the text stays pending)

    // --- Change queues --------------------------------------------------------------------------------
    void QueueSwitchChange(uint32_t entry);
    // Switch entries and one OPC kind's parameter entries (kind 11, 12 or 13; none for any other kind),
    // appended in one step, as one OPC dialog's OK does.
    void QueueChanges(std::initializer_list<uint32_t> switchEntries, int32_t opcKind,
                      std::initializer_list<uint32_t> opcEntries);
    ChangeQueue TakeSwitchQueue();
    ChangeQueue TakeOpcQueue(int32_t kind); // 11, 12 or 13; any other kind gives nothing
    ChangeQueue SwitchQueue() const;        // a copy
    ChangeQueue OpcQueue(int32_t kind) const;

    // --- Subscribed tags ------------------------------------------------------------------------------
    QStringList Tags() const;
    void SetTags(const QStringList& tags);

    // --- What the connect step reads from the service -------------------------------------------------
    QString LogFolder() const; // folder of log.txt and the log files, ends in '/'
    void SetLogFolder(const QString& folder);
    LogFont Font() const;
    // Stores the name (also when empty) and, unless it is -1, the character set.
    void SetFont(const QString& name, int32_t charSet);

    // The connection parameters, copied under the lock.
    ConnectionParams Connection() const;

    // --- Stopping the worker --------------------------------------------------------------------------
    // Sets m_bStopWorker and wakes the worker if it sleeps between cycles.
    void RequestWorkerStop();
    // The worker's sleep between cycles: returns after `period`, or at once when a stop is requested
    // (also one made by setting m_bStopWorker alone, at the latest after `period`). True when stopped.
    bool SleepUnlessStopped(std::chrono::milliseconds period);

    // --- Settings paths (constant) --------------------------------------------------------------------
    QString m_strExeIniPath;  // executable folder + "KestraExt.ini"
    QString m_strUserIniPath; // per-user settings folder + "KestraExt.ini"

    // --- Log-category switch values (word) -------------------------------------------------------------
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
    // The record of an OPC kind (11, 12, 13); nullptr for any other kind.
    OpcLogSettings* OpcRecord(int32_t kind);

    KestraWord m_bConnected{0};
    KestraWord m_nConnectCount{0}; // successful connect steps so far: a change means a new connection
    KestraWord m_bStarting{0};

    // --- Connection options (constant; the worker copies them with Connection()) -----------------------
    QString m_strHost = QStringLiteral("localhost");
    int32_t m_nPort = 1234;
    QString m_strWtg;
    QString m_strProxyHost;
    int32_t m_nProxyPort = 0;

    KestraWord m_bStopWorker{0};
    KestraWord m_hrConnect{0};
    int32_t m_bSlowConnection = 0;      // constant
    KestraWord m_nMaxTextLength{16000}; // characters; 4096 in slow-connection mode
    KestraWord m_bPaused{0};
    KestraWord m_bDateTimeChanged{0};
    int32_t m_nTimeout = 60000; // link time-out in ms (constant)
    QString m_strUserName;      // credentials from the command line (constant)
    QString m_strPassword;

private:
    ChangeQueue* OpcQueueOf(int32_t kind);
    const ChangeQueue* OpcQueueOf(int32_t kind) const;

    mutable std::mutex m_lock; // the one lock of the program
    // Only for the worker's sleep: the stop request wakes it (never held with m_lock).
    std::mutex m_sleepMutex;
    std::condition_variable m_sleepWake;
    QStringList m_lstTags;
    ChangeQueue m_switchQueue;
    ChangeQueue m_opcUaQueue;
    ChangeQueue m_opcXmlDaQueue;
    ChangeQueue m_opcNetQueue;
    QString m_strPendingText;
    QString m_strLogFolder;
    QString m_strFontName;
    int32_t m_nCharSet = 0;
};

// The local station: an empty host or "localhost" in any letter case.
inline bool IsLocalStation(const QString& host) {
    return host.isEmpty() || host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0;
}
