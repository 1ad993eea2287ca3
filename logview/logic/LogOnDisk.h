// The log-on-disk writer: every chunk of received log text is appended to the day's file or to a file
// the user named (the choice lives in the shared state: m_nLogOnDiskType, m_strLogOnDiskFile).
//
// The files are UTF-8 with CR LF line ends: the received CRs are dropped and every LF becomes CR LF.
// A file is open only for one append, so other programs may read or move it between chunks.
//
// A write that fails (a full disk, a folder that is gone) leaves the file as it was before that write,
// so it never ends in half a line or half a character. The text that could not be written is kept, up
// to a bound, and written first by the next write that succeeds; when the bound is reached the oldest
// lines go and one notice line says how many. The caller is told once per run of failures.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringView>

#include <functional>
#include <optional>

class CKestraExtShared;

namespace viewlogic {

constexpr int kLogOnDiskDisabled = 0;
constexpr int kLogOnDiskDaily = 1;
constexpr int kLogOnDiskCustom = 2;

// The longest custom file name that start-up reads back ("FileName" is read into 260 characters with
// the terminator); the Save On Disk dialog accepts no longer one.
constexpr int kMaxLogFileNameLength = 259;

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

    // The display pipeline's call with every non-empty chunk (on the user-interface thread): nothing
    // while disconnected; otherwise the chunk goes to the chosen file, after any text kept from failed
    // writes. Returns the failure when this write begins a run of failures.
    std::optional<LogWriteFailure> Write(CKestraExtShared& shared, QStringView chunk);
    // The same whatever the link state: text received before shut-down (or before the link dropped)
    // that no tick has taken.
    std::optional<LogWriteFailure> WriteReceived(CKestraExtShared& shared, QStringView chunk);

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

} // namespace viewlogic
