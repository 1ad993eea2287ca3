// The log-on-disk writer: every chunk of received log text is appended to the day's file or to a file
// the user named.
//
// The files are UTF-8 with CR LF line ends: the received CRs are dropped and every LF becomes CR LF.
// A file is open only for one append, so other programs may read or move it between chunks.
//
// A write that fails (a full disk, a folder that is gone) leaves the file as it was before that write,
// so it never ends in half a line or half a character. The text that could not be written is kept, up
// to a bound, and written first by the next write that succeeds; when the bound is reached the oldest
// lines go and one notice line says how many. The caller is told once per run of failures.
#pragma once

#include "state/LogOnDiskChoice.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringView>

#include <functional>
#include <optional>

namespace pipeline {

// The local time used for the daily file name; tests inject their own.
using LocalClock = std::function<QDateTime()>;

// Folder + "YYMMDD.log" for the local date of `localNow` (7 March 2026 gives "260307.log"). An invalid
// time counts as year, month and day 0 ("000000.log").
QString BuildDailyLogFileName(const QString& logFolder, const QDateTime& localNow);

// The file that receives a chunk for the given choice, or an empty string when nothing is written
// (type 0 or an unknown type). A relative custom name (IsRelativePath of the toolkit) is joined to the log
// folder by plain concatenation; an absolute one is used unchanged.
QString LogOnDiskPath(int type, const QString& fileName, const QString& logFolder, const QDateTime& localNow);

// The bytes appended for a chunk: CRs removed, each LF written as CR LF, UTF-8.
QByteArray LogFileBytes(QStringView chunk);

// Appends `bytes` to `path`, creating the file when missing and never truncating what was there. A write
// that fails is undone (the file is cut back to its size before it). Empty when written; otherwise the
// system's error text.
QString AppendToLogFile(const QString& path, const QByteArray& bytes);

// Where one chunk goes: the choice of the moment and the log folder.
struct LogTarget {
    int type = kLogOnDiskDisabled;
    QString fileName;
    QString logFolder;
};

// A run of failed writes has begun: the file and the system's error text.
struct LogWriteFailure {
    QString path;
    QString error;
};

class LogOnDiskWriter {
public:
    static constexpr qsizetype kDefaultBacklogBytes = 4 * 1024 * 1024;

    explicit LogOnDiskWriter(qsizetype backlogLimit = kDefaultBacklogBytes) : m_backlogLimit(backlogLimit) {}

    void SetClock(LocalClock clock) { m_clock = std::move(clock); }
    // The notice line written in place of `lines` dropped lines (without its line end); unset, an
    // English one.
    using DroppedNotice = std::function<QString(qint64 lines)>;
    void SetDroppedNotice(DroppedNotice notice) { m_droppedNotice = std::move(notice); }

    // Appends a chunk to the target's file, after any text kept from failed writes; a target that
    // names no file drops what was kept. Returns the failure when this write begins a run of failures.
    std::optional<LogWriteFailure> Write(const LogTarget& target, QStringView chunk);

    // Bytes kept from failed writes (oldest first, whole lines).
    const QByteArray& Backlog() const { return m_backlog; }

private:
    void Keep(const QByteArray& bytes);

    qsizetype m_backlogLimit;
    LocalClock m_clock;
    DroppedNotice m_droppedNotice;
    QByteArray m_backlog;
    qint64 m_droppedLines = 0;
    bool m_failing = false;
};

} // namespace pipeline
