#include "pipeline/LogOnDisk.h"

#include "toolkit/MiraboToolkit.h"

#include <QFile>

namespace pipeline {

QString BuildDailyLogFileName(const QString& logFolder, const QDateTime& localNow) {
    const QDate date = localNow.isValid() ? localNow.date() : QDate();
    const int year = date.isValid() ? date.year() : 0;
    const int month = date.isValid() ? date.month() : 0;
    const int day = date.isValid() ? date.day() : 0;
    const QString yearText = QString::asprintf("%04d", year);
    return logFolder + yearText.right(2) + QString::asprintf("%02d%02d", month, day) + QStringLiteral(".log");
}

QString LogOnDiskPath(int type, const QString& fileName, const QString& logFolder, const QDateTime& localNow) {
    switch (type) {
    case kLogOnDiskDaily:
        return BuildDailyLogFileName(logFolder, localNow);
    case kLogOnDiskCustom:
        if (fileName.isEmpty())
            return QString(); // nothing can be opened under an empty name
        return IsRelativePath(fileName) ? logFolder + fileName : fileName;
    default:
        return QString();
    }
}

QByteArray LogFileBytes(QStringView chunk) {
    // On the UTF-8 bytes: CR and LF never stand inside a multi-byte character.
    const QByteArray utf8 = chunk.toUtf8();
    QByteArray out;
    out.reserve(utf8.size() + utf8.count('\n'));
    for (const char c : utf8) {
        if (c == '\r')
            continue;
        if (c == '\n')
            out.append('\r');
        out.append(c);
    }
    return out;
}

QString AppendToLogFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return file.errorString();
    const qint64 before = file.size();
    // A write cut short (a full disk) is tried on: the next one fails with the system's reason.
    qint64 written = 0;
    for (qint64 n = 0; written < bytes.size(); written += n) {
        n = file.write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0)
            break;
    }
    if (written == bytes.size())
        return QString();
    // Cut back what part of the write did land, so that the file ends where it ended before.
    const QString error = file.errorString();
    file.resize(before);
    return error;
}

std::optional<LogWriteFailure> LogOnDiskWriter::Write(const LogTarget& target, QStringView chunk) {
    const QDateTime now = m_clock ? m_clock() : QDateTime::currentDateTime();
    const QString path = LogOnDiskPath(target.type, target.fileName, target.logFolder, now);
    if (path.isEmpty()) {
        // Logging to disk is off (or has no file name): nothing waits for a file any more.
        m_backlog.clear();
        m_droppedLines = 0;
        m_failing = false;
        return std::nullopt;
    }
    const QByteArray bytes = LogFileBytes(chunk);
    if (bytes.isEmpty() && m_backlog.isEmpty())
        return std::nullopt;

    QByteArray pending;
    if (m_droppedLines > 0)
        pending = LogFileBytes((m_droppedNotice ? m_droppedNotice(m_droppedLines)
                                                : QStringLiteral("[... %1 lines of log text could not be written "
                                                                 "and were dropped ...]")
                                                      .arg(m_droppedLines)) +
                               u'\n');
    pending += m_backlog;
    pending += bytes;
    const QString error = AppendToLogFile(path, pending);
    if (error.isEmpty()) {
        m_backlog.clear();
        m_droppedLines = 0;
        m_failing = false;
        return std::nullopt;
    }
    Keep(bytes);
    if (m_failing)
        return std::nullopt;
    m_failing = true;
    return LogWriteFailure{path, error};
}

void LogOnDiskWriter::Keep(const QByteArray& bytes) {
    m_backlog += bytes;
    // Over the bound the oldest lines go; a line longer than the bound loses its beginning, cut before a
    // character.
    while (m_backlog.size() > m_backlogLimit) {
        const qsizetype lineEnd = m_backlog.indexOf('\n');
        qsizetype cut =
            lineEnd >= 0 && lineEnd < m_backlog.size() - 1 ? lineEnd + 1 : m_backlog.size() - m_backlogLimit;
        while (cut < m_backlog.size() && (static_cast<uchar>(m_backlog[cut]) & 0xC0) == 0x80)
            ++cut;
        m_backlog.remove(0, cut);
        ++m_droppedLines;
    }
}

} // namespace pipeline
