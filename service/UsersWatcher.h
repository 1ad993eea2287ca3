// Follows the project's users.txt while the service runs: when its contents change, the users are
// read again and the tokens of users who are no longer there are forgotten.
#pragma once

#include "service/Service.h"

#include <QByteArray>
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

namespace logd {

class UsersWatcher : public QObject {
    Q_OBJECT
public:
    explicit UsersWatcher(Service& service, QObject* parent = nullptr);

private:
    void watch();
    void check();

    Service& m_service;
    QFileSystemWatcher m_watcher;
    QTimer m_settle; // a burst of changes (an editor saving) is read once
    QByteArray m_contents;
};

} // namespace logd
