#include "service/ProjectTextFile.h"

#include <QFile>

std::optional<QStringList> ReadProjectLines(const QString& path, QStringList* warnings) {
    QFile file(path);
    if (!file.exists())
        return QStringList();
    if (!file.open(QIODevice::ReadOnly)) {
        warnings->append(QStringLiteral("%1: cannot read: %2").arg(path, file.errorString()));
        return std::nullopt;
    }
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
}

bool IsProjectCommentLine(const QString& line) {
    const QString t = line.trimmed();
    return t.isEmpty() || t.startsWith(QLatin1Char('#'));
}
