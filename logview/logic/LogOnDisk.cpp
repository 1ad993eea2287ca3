#include "logview/logic/LogOnDisk.h"

#include "link/KestraShared.h"
#include "toolkit/MiraboToolkit.h"

#include <QFile>

namespace viewlogic {

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
    QString text;
    text.reserve(chunk.size() + chunk.size() / 16);
    for (const QChar c : chunk) {
        if (c == u'\r')
            continue;
        if (c == u'\n')
            text.append(u'\r');
        text.append(c);
    }
    return text.toUtf8();
}

bool AppendToLogFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const bool written = file.write(bytes) == bytes.size();
    file.close();
    return written && file.error() == QFileDevice::NoError;
}

bool AppendLogOnDisk(int type, const QString& fileName, const QString& logFolder, QStringView chunk,
                     const QDateTime& localNow) {
    const QString path = LogOnDiskPath(type, fileName, logFolder, localNow);
    return !path.isEmpty() && !chunk.isEmpty() && AppendToLogFile(path, LogFileBytes(chunk));
}

void WriteLogOnDisk(CKestraExtShared& shared, QStringView chunk, const LocalClock& clock) {
    if (!shared.m_bConnected.load() || chunk.isEmpty())
        return;
    const int type = shared.m_nLogOnDiskType.load();
    if (type != kLogOnDiskDaily && type != kLogOnDiskCustom)
        return;
    AppendLogOnDisk(type, shared.m_strLogOnDiskFile, shared.LogFolder(), chunk,
                    clock ? clock() : QDateTime::currentDateTime());
}

} // namespace viewlogic
