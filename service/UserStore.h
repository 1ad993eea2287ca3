// The project's users, one a line in users.txt: "name:log:hash", where log is "yes" when the user may
// read the log and hash is a PasswordHash string. Blank lines and lines starting with '#' are ignored.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace logd {

struct User {
    QString name;
    bool mayReadLog = false;
    QString hash;
};

class UserStore {
public:
    // Reads the file; a missing file is an empty store. Malformed lines are skipped and described in
    // `warnings`.
    bool load(const QString& path, QStringList* warnings);
    const User* find(const QString& name) const; // name compared without regard to case
    // The user when the password matches, else nullptr.
    const User* verify(const QString& name, const QString& password) const;
    int count() const { return static_cast<int>(m_users.size()); }

    // Adds the user to the file or replaces its line, keeping every other line as it was.
    static bool writeUser(const QString& path, const User& user, QString* error);
    static bool validName(const QString& name);

private:
    QList<User> m_users;
};

} // namespace logd
