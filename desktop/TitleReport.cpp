#include "desktop/TitleReport.h"

#include "desktop/TitleRegistry.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>
#include <QUuid>

namespace {

constexpr int kReportWaitMs = 1000;
constexpr int kPollMs = 50;
constexpr int kMaxPolls = 200; // a title not registered within 10 s is not reported

void SendTitle(const QString& serverName, const QString& title) {
    QLocalSocket socket;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(kReportWaitMs))
        return;
    socket.write(title.toUtf8() + '\n');
    socket.waitForBytesWritten(kReportWaitMs);
    socket.disconnectFromServer();
}

} // namespace

TitleReportListener::TitleReportListener() : m_server(std::make_unique<QLocalServer>()) {
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // A name no title can have, in the registry's own folder.
    m_server->listen(TitleRegistry::ServerName(QStringLiteral("\nreport ") + QUuid::createUuid().toString()));
}

TitleReportListener::~TitleReportListener() = default; // closing removes the socket

bool TitleReportListener::IsListening() const { return m_server->isListening(); }

QString TitleReportListener::EnvironmentEntry() const {
    return QString::fromLatin1(kVariable) + QLatin1Char('=') + m_server->fullServerName();
}

QString TitleReportListener::WaitForTitle(int timeoutMs) {
    if (!IsListening())
        return QString();
    const QDeadlineTimer deadline(timeoutMs);
    if (!m_server->hasPendingConnections() && !m_server->waitForNewConnection(int(deadline.remainingTime())))
        return QString();
    std::unique_ptr<QLocalSocket> socket(m_server->nextPendingConnection());
    if (!socket)
        return QString();
    while (!socket->canReadLine() && !deadline.hasExpired() &&
           socket->state() == QLocalSocket::ConnectedState)
        socket->waitForReadyRead(int(deadline.remainingTime()));
    if (!socket->canReadLine())
        return QString();
    return QString::fromUtf8(socket->readLine()).chopped(1);
}

void ReportTitleToStarter(TitleRegistry* registry) {
    const QString serverName = qEnvironmentVariable(TitleReportListener::kVariable);
    qunsetenv(TitleReportListener::kVariable);
    if (serverName.isEmpty() || !registry)
        return;
    if (registry->IsRegistered()) {
        SendTitle(serverName, registry->RegisteredTitle());
        return;
    }
    // Another program may hold the title for a while: the registry tries again, and so does this.
    auto* poll = new QTimer(registry);
    poll->setInterval(kPollMs);
    QObject::connect(poll, &QTimer::timeout, registry, [poll, registry, serverName, polls = 0]() mutable {
        if (registry->IsRegistered())
            SendTitle(serverName, registry->RegisteredTitle());
        else if (++polls < kMaxPolls)
            return;
        poll->deleteLater();
        poll->stop();
    });
    poll->start();
}
