#include "service/ProjectTextFile.h"

#include <QFile>

bool ReadProjectLines(const QString& path, QStringList* warnings, const std::function<QString(const QString&)>& take) {
    QFile file(path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        warnings->append(QStringLiteral("%1: cannot read: %2").arg(path, file.errorString()));
        return false;
    }
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (IsProjectCommentLine(lines[i]))
            continue;
        const QString reason = take(lines[i]);
        if (!reason.isEmpty())
            warnings->append(QStringLiteral("%1:%2: %3, line ignored").arg(path).arg(i + 1).arg(reason));
    }
    return true;
}

bool IsProjectCommentLine(const QString& line) {
    const QString t = line.trimmed();
    return t.isEmpty() || t.startsWith(QLatin1Char('#'));
}
