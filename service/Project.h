// A project folder as the service loads it:
//   project.ini  [Project] Station=<name>, LogonRequired=0|1
//   tags.txt     the tags (see TagTable.h)
//   users.txt    the users (see UserStore.h)
//   config.ini   the configuration store (for example [Font] FontName=, CharSet=)
//   profile.ini  the profile store (for example [Kestra] TagCount=, Tag1=...)
#pragma once

#include "service/TagTable.h"
#include "service/UserStore.h"

#include <QString>
#include <QStringList>

namespace logd {

class Project {
public:
    // Loads the folder; false (with the reason in `error`) when it is not a readable folder. Problems
    // inside the files are skipped and listed in `warnings`.
    bool load(const QString& dir, QString* error, QStringList* warnings);

    QString dir() const { return m_dir; } // absolute, without a trailing separator
    QString filePath(const QString& file) const { return m_dir + QLatin1Char('/') + file; }
    QString configPath() const { return filePath(QStringLiteral("config.ini")); }
    QString profilePath() const { return filePath(QStringLiteral("profile.ini")); }
    QString usersPath() const { return filePath(QStringLiteral("users.txt")); }
    QString station() const { return m_station; }
    bool logonRequired() const { return m_logonRequired; }

    void setStation(const QString& name) { m_station = name; }
    void setLogonRequired(bool on) { m_logonRequired = on; }

    TagTable& tags() { return m_tags; }
    const TagTable& tags() const { return m_tags; }
    const UserStore& users() const { return m_users; }
    // Reads users.txt again (it may have changed while the service runs); false when it cannot be read,
    // and then the users stay as they were.
    bool reloadUsers(QStringList* warnings);

private:
    QString m_dir;
    QString m_station;
    bool m_logonRequired = false;
    TagTable m_tags;
    UserStore m_users;
};

} // namespace logd
