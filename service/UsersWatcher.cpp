#include "service/UsersWatcher.h"

#include <QFile>

namespace logd {

namespace {
constexpr int kSettleMs = 100;

QByteArray contentsOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

UsersWatcher::UsersWatcher(Service& service, QObject* parent)
    : QObject(parent), m_service(service), m_contents(contentsOf(service.project().usersPath())) {
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_settle, &QTimer::timeout, this, &UsersWatcher::check);
    // The folder too: a file replaced by renaming another over it (as --add-user does) or created later
    // is seen only there.
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_settle, qOverload<>(&QTimer::start));
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, &m_settle, qOverload<>(&QTimer::start));
    m_watcher.addPath(service.project().dir());
    watch();
}

void UsersWatcher::watch() {
    const QString path = m_service.project().usersPath();
    if (QFile::exists(path) && !m_watcher.files().contains(path))
        m_watcher.addPath(path);
}

void UsersWatcher::check() {
    watch();
    Project& project = m_service.project();
    const QByteArray contents = contentsOf(project.usersPath());
    if (contents == m_contents)
        return;
    m_contents = contents;
    QStringList warnings;
    const bool read = project.reloadUsers(&warnings);
    for (const QString& w : warnings)
        Service::log(w);
    if (!read)
        return;
    const int dropped = m_service.tokens().dropUsers(
        [&project](const QString& user) { return project.users().find(user) != nullptr; });
    Service::log(QStringLiteral("users.txt read again: %1 users, %2 tokens of removed users dropped")
                     .arg(project.users().count())
                     .arg(dropped));
}

} // namespace logd
