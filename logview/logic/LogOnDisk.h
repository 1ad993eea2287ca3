// The log-on-disk writer: every chunk of received log text is appended to the day's file or to a file
// the user named (the choice lives in the shared state: m_nLogOnDiskType, m_strLogOnDiskFile).
//
// The files are UTF-8 with CR LF line ends: the received CRs are dropped and every LF becomes CR LF.
// A file is open only for one append, so other programs may read or move it between chunks.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringView>

#include <functional>

class CKestraExtShared;

namespace viewlogic {

constexpr int kLogOnDiskDisabled = 0;
constexpr int kLogOnDiskDaily = 1;
constexpr int kLogOnDiskCustom = 2;

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

// Appends `bytes` to `path`, creating the file when missing and never truncating it. False when the
// file could not be opened or the write failed.
bool AppendToLogFile(const QString& path, const QByteArray& bytes);

// Appends a chunk to the file that the choice names (LogOnDiskPath), in the bytes LogFileBytes makes.
// False when nothing was written: no file chosen, an empty chunk, or the file could not be written.
bool AppendLogOnDisk(int type, const QString& fileName, const QString& logFolder, QStringView chunk,
                     const QDateTime& localNow);

// The writer the display pipeline calls with every non-empty chunk (on the user-interface thread): does
// nothing while disconnected; otherwise resolves the path with the log folder copied under the lock and
// appends the chunk. Failures are silent: the chunk is skipped and the next one tries again.
void WriteLogOnDisk(CKestraExtShared& shared, QStringView chunk, const LocalClock& clock = {});

} // namespace viewlogic
