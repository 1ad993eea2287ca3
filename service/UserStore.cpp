#include "service/UserStore.h"

#include "service/PasswordHash.h"
#include "service/ProjectTextFile.h"

#include <QFile>
#include <QSaveFile>

namespace logd {

namespace {
bool parseLine(const QString& line, User* user) {
    const QStringList fields = line.trimmed().split(QLatin1Char(':'));
    if (fields.size() != 3 || !UserStore::validName(fields[0]))
        return false;
    const QString log = fields[1].trimmed().toLower();
    if (log != QLatin1String("yes") && log != QLatin1String("no"))
        return false;
    user->name = fields[0];
    user->mayReadLog = log == QLatin1String("yes");
    user->hash = fields[2].trimmed();
    return true;
}

} // namespace

bool UserStore::validName(const QString& name) {
    if (name.isEmpty() || name.size() > 256)
        return false;
    for (const QChar c : name) {
        if (c == QLatin1Char(':') || c.isSpace() || c.unicode() < 0x20)
            return false;
    }
    return true;
}

bool UserStore::load(const QString& path, QStringList* warnings) {
    m_users.clear();
    return ReadProjectLines(path, warnings, [this](const QString& line) {
        User user;
        if (!parseLine(line, &user))
            return QStringLiteral("not \"name:yes|no:hash\"");
        if (find(user.name))
            return QStringLiteral("user named twice");
        m_users.append(user);
        return QString();
    });
}

const User* UserStore::find(const QString& name) const {
    for (const User& u : m_users) {
        if (u.name.compare(name, Qt::CaseInsensitive) == 0)
            return &u;
    }
    return nullptr;
}

const User* UserStore::verify(const QString& name, const QString& password) const {
    const User* user = find(name);
    if (!user || !verifyPassword(password, user->hash))
        return nullptr;
    return user;
}

bool UserStore::writeUser(const QString& path, const User& user, QString* error) {
    QByteArray old;
    {
        QFile in(path);
        if (in.exists()) {
            if (!in.open(QIODevice::ReadOnly)) {
                *error = in.errorString();
                return false;
            }
            old = in.readAll();
        }
    }
    const QByteArray entry =
        (user.name + QLatin1Char(':') + (user.mayReadLog ? QLatin1String("yes") : QLatin1String("no")) +
         QLatin1Char(':') + user.hash)
            .toUtf8();
    QList<QByteArray> lines = old.split('\n');
    if (!old.isEmpty() && old.endsWith('\n'))
        lines.removeLast();
    if (old.isEmpty())
        lines.clear();
    bool replaced = false;
    for (QByteArray& line : lines) {
        const QString text = QString::fromUtf8(line);
        User existing;
        if (!IsProjectCommentLine(text) && parseLine(text, &existing) &&
            existing.name.compare(user.name, Qt::CaseInsensitive) == 0) {
            line = entry + (line.endsWith('\r') ? "\r" : "");
            replaced = true;
            break;
        }
    }
    if (!replaced)
        lines.append(entry);
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) {
        *error = out.errorString();
        return false;
    }
    out.write(lines.join('\n') + '\n');
    if (!out.commit()) {
        *error = out.errorString();
        return false;
    }
    return true;
}

} // namespace logd
