#include "app/core/SettingsFolder.h"

#include "base/Numbers.h"
#include "settings/PrivateProfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

const QString kProductSettings = QStringLiteral("Program Settings.ini");

// The base folder for per-user data, without a trailing '/' (unless it is the root), or empty when the
// environment names none.
QString UserDataBase() {
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        const QString home = qEnvironmentVariable("HOME");
        if (home.isEmpty())
            return {};
        base = home;
        while (base.size() > 1 && base.endsWith(u'/'))
            base.chop(1);
        base += QStringLiteral("/.local/share");
    }
    while (base.size() > 1 && base.endsWith(u'/'))
        base.chop(1);
    return base;
}

QString Truncated(QString text, int capacity) {
    if (capacity <= 0)
        return {};
    if (text.size() > capacity - 1)
        text.truncate(capacity - 1);
    return text;
}

} // namespace

QString ExecutableFolder(const QString& exePath) {
    const qsizetype slash = exePath.lastIndexOf(u'/');
    return slash < 0 ? QString() : exePath.left(slash + 1);
}

QString CurrentExecutablePath() {
    const QString link = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    if (!link.isEmpty())
        return link;
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return {};
}

QString GetProductFolderName(const QString& productSettingsFile, int capacity, bool withVersion) {
    QString name = profile::GetPrivateProfileString(QStringLiteral("OEM"), QStringLiteral("ProductName"),
                                                    QStringLiteral("Mirabo"), 256, productSettingsFile);
    if (withVersion) {
        const QString version = profile::GetPrivateProfileString(
            QStringLiteral("Install"), QStringLiteral("Version"), QStringLiteral("6.1"), 128, productSettingsFile);
        name = name + QStringLiteral(" v") + version;
    }
    return Truncated(name, capacity);
}

QString GetSettingsFolder(const QString& modulePath, int capacity) {
    if (capacity <= 0 || modulePath.isEmpty())
        return {};
    const QString exeFolder = ExecutableFolder(modulePath);
    if (exeFolder.size() > capacity - 1)
        return {};

    QString product;
    const QString productFile = exeFolder + kProductSettings;
    if (QFileInfo(productFile).isFile()) {
        const int32_t company = base::LeadingDecimalWrapped(profile::GetPrivateProfileString(
            QStringLiteral("OEM"), QStringLiteral("CompanyID"), QStringLiteral("0"), 128, productFile));
        product = GetProductFolderName(productFile, 128, company != 40) + u'/';
    }

    const QString base = UserDataBase();
    if (base.isEmpty())
        return exeFolder;
    const QString folder = (base.endsWith(u'/') ? base : base + u'/') + product;
    return folder.size() > capacity - 1 ? exeFolder : folder;
}

bool EnsureSettingsFolder(const QString& folder) {
    if (folder.isEmpty())
        return false;
    if (QFileInfo(folder).isDir())
        return true;
    return QDir().mkpath(folder) && QFileInfo(folder).isDir();
}
