// What the connection worker and the window thread exchange while the worker runs.
//
// Guards:
//  - "word": one 32-bit atomic integer written by one thread and polled by the other without the lock
//    (the public members: the link state, the pause and stop flags, the fetch capacity);
//  - "lock": strings, lists and queues that both threads change. They are private; the named operations
//    below take the one lock (m_lock) only to copy, append or replace them, never across a toolkit call,
//    a dialog or a sleep, and no operation takes it while holding it.
#pragma once

#include "state/Word.h"

#include <QString>
#include <QStringList>

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <vector>

// A packed change entry: the value's low 16 bits in bits 16-31, the index in bits 0-15.
constexpr uint32_t PackChange(uint32_t index, int32_t value) {
    return ((static_cast<uint32_t>(value) & 0xFFFFu) << 16) | (index & 0xFFFFu);
}
constexpr uint32_t ChangeIndex(uint32_t entry) { return entry & 0xFFFFu; }
constexpr uint32_t ChangeValue(uint32_t entry) { return entry >> 16; }

using ChangeQueue = std::vector<uint32_t>;

// Received log text with the time each fetched part of it arrived.
struct ReceivedText {
    struct Part {
        qsizetype offset;  // where the part starts in `text`
        qint64 receivedMs; // when the worker fetched it: milliseconds since the epoch, UTC
    };
    QString text;
    std::vector<Part> parts; // in order; the first starts at 0 when there is text

    bool isEmpty() const { return text.isEmpty(); }
    void Append(const QString& more, qint64 receivedMs);
    void Append(const ReceivedText& more);
    // When the character at `offset` arrived; 0 for an empty text.
    qint64 ReceivedAt(qsizetype offset) const;
};

// The log font as the worker read it from the service's configuration.
struct LogFont {
    QString name;
    int32_t charSet = 0;
};

// One OPC kind's values as the worker last read them from the station: the kind's switch and its five
// parameters (0 connection, 1 subscription, 2 read, 3 write, 4 verbosity; -1 is an unset verbosity).
struct OpcStationValues {
    bool known = false; // read since the link came up
    int32_t switchValue = 0;
    std::array<int32_t, 5> params{};
};

class WorkerChannel {
public:
    WorkerChannel() = default;
    WorkerChannel(const WorkerChannel&) = delete;
    WorkerChannel& operator=(const WorkerChannel&) = delete;

    // --- Words ----------------------------------------------------------------------------------------
    KestraWord m_bConnected{0};     // 1 from a successful connect step until the link is closed
    KestraWord m_nConnectCount{0};  // successful connect steps so far: a change means a new connection
    KestraWord m_bPaused{0};        // the fetch step discards the station's text instead
    KestraWord m_bStopWorker{0};    // set by the stop sequence (RequestWorkerStop)
    KestraWord m_hrConnect{0};      // result of the latest connect step
    KestraWord m_bDateTimeChanged{0};   // the date/time stamp setting is to be sent
    KestraWord m_nMaxTextLength{16000}; // characters of one fetch and of the view; 4096 on a slow link

    // --- Text fetched and not yet taken ---------------------------------------------------------------
    // The fetch step appends what it read, with the time it arrived.
    void AddPendingText(const QString& text, qint64 receivedMs);
    void AddPendingText(const QString& text); // arrived now
    ReceivedText TakePendingText();           // takes and empties it in one step
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

    // --- What the worker reads from the station -------------------------------------------------------
    QString LogFolder() const; // folder of log.txt and the log files, ends in '/'
    void SetLogFolder(const QString& folder);
    LogFont Font() const;
    // Stores the name (also when empty) and, unless it is -1, the character set.
    void SetFont(const QString& name, int32_t charSet);
    // The OPC kinds' values on the station (kind 11, 12 or 13; unknown for any other kind).
    OpcStationValues StationOpc(int32_t kind) const;
    void SetStationOpc(int32_t kind, const OpcStationValues& values);

    // --- Stopping the worker --------------------------------------------------------------------------
    // Sets m_bStopWorker and wakes the worker if it sleeps between cycles.
    void RequestWorkerStop();
    // The worker's sleep between cycles: returns after `period`, or at once when a stop is requested
    // (also one made by setting m_bStopWorker alone, at the latest after `period`). True when stopped.
    bool SleepUnlessStopped(std::chrono::milliseconds period);

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
    ReceivedText m_strPendingText;
    QString m_strLogFolder;
    QString m_strFontName;
    int32_t m_nCharSet = 0;
    std::array<OpcStationValues, 3> m_stationOpc; // kinds 11, 12, 13
};
