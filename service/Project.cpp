#include "service/Project.h"

#include "settings/PrivateProfile.h"

#include <QDir>
#include <QFileInfo>
#include <QSysInfo>

namespace logd {

bool Project::load(const QString& dir, QString* error, QStringList* warnings) {
    const QFileInfo info(dir);
    if (!info.isDir()) {
        *error = QStringLiteral("%1 is not a folder").arg(dir);
        return false;
    }
    m_dir = QDir::cleanPath(info.absoluteFilePath());
    const QString ini = filePath(QStringLiteral("project.ini"));
    m_station = profile::GetPrivateProfileString(QStringLiteral("Project"), QStringLiteral("Station"), QString(),
                                                 256, ini);
    if (m_station.isEmpty())
        m_station = QSysInfo::machineHostName();
    m_logonRequired =
        profile::GetPrivateProfileInt(QStringLiteral("Project"), QStringLiteral("LogonRequired"), 0, ini) != 0;
    if (!m_tags.load(filePath(QStringLiteral("tags.txt")), warnings)) {
        *error = warnings->last();
        return false;
    }
    if (!m_users.load(usersPath(), warnings)) {
        *error = warnings->last();
        return false;
    }
    return true;
}

bool Project::reloadUsers(QStringList* warnings) {
    UserStore users;
    if (!users.load(usersPath(), warnings))
        return false;
    m_users = users;
    return true;
}

} // namespace logd
