// Toolkit operations answered without the service.
#include "toolkit/MiraboToolkit.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <unistd.h>

namespace {

QString executableFolder() {
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (n <= 0)
        return QString();
    return QFileInfo(QString::fromLocal8Bit(path, static_cast<qsizetype>(n))).absolutePath();
}

} // namespace

int32_t IsRelativePath(const QString& fileName) { return fileName.startsWith(QLatin1Char('/')) ? 0 : 1; }

int32_t TagBrowserAvailable() {
    const QString folder = executableFolder();
    if (folder.isEmpty())
        return 0;
    return QFileInfo::exists(folder + QStringLiteral("/libOrbelleExt.so")) ? 1 : 0;
}

int32_t MiraboLeadingDecimal(const QString& text, int32_t def) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    const qsizetype firstDigit = i;
    int64_t value = 0;
    for (; i < n && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9'); ++i) {
        if (value <= int64_t(1) << 32) // beyond that the result saturates anyway
            value = value * 10 + (text.at(i).unicode() - u'0');
    }
    if (i == firstDigit)
        return def;
    if (negative)
        value = -value;
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(value);
}
