// Toolkit operations answered without the service.
#include "toolkit/MiraboToolkit.h"

#include "base/Numbers.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>

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

MiraboTagBrowserProc TagBrowserProc(const QString& folder) {
    const QString dir = folder.isEmpty() ? executableFolder() : folder;
    if (dir.isEmpty())
        return nullptr;
    const QString path = dir + QStringLiteral("/libOrbelleExt.so");
    if (!QFileInfo(path).isFile())
        return nullptr; // QLibrary would also try other names and suffixes
    QLibrary library(path);
    return reinterpret_cast<MiraboTagBrowserProc>(library.resolve("Orbelle")); // loads; never unloaded
}

int32_t TagBrowserAvailable() { return TagBrowserProc() ? 1 : 0; }

int32_t MiraboLeadingDecimal(const QString& text, int32_t def) { return base::LeadingDecimalClamped(text, def); }
