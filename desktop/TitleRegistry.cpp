#include "desktop/TitleRegistry.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <QWidget>

#include <unistd.h>

namespace {

const QByteArray kShow = QByteArrayLiteral("show\n");

QString SocketFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return runtime;
    return QDir::tempPath();
}

// A live registration answers a connection attempt; a socket file left behind does not.
bool ConnectTo(QLocalSocket& socket, const QString& title, int timeoutMs) {
    socket.connectToServer(TitleRegistry::ServerName(title));
    return socket.waitForConnected(timeoutMs);
}

} // namespace

TitleRegistry::TitleRegistry(QWidget* window) : QObject(window), m_window(window) {
    m_retry = new QTimer(this);
    m_retry->setInterval(kRetryMs);
    connect(m_retry, &QTimer::timeout, this, &TitleRegistry::TryListen);
    if (!window)
        return;
    connect(window, &QWidget::windowTitleChanged, this, &TitleRegistry::Register);
    Register(window->windowTitle());
}

TitleRegistry::~TitleRegistry() = default; // the server (a child) closes and removes its socket

QString TitleRegistry::ServerName(const QString& title) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QByteArray::number(static_cast<qulonglong>(::getuid())));
    hash.addData(QByteArrayLiteral("\n"));
    hash.addData(title.toUtf8());
    return SocketFolder() + QStringLiteral("/kestra-title-") +
           QString::fromLatin1(hash.result().toHex().left(32));
}

bool TitleRegistry::Find(const QString& title, int timeoutMs) {
    if (title.isEmpty())
        return false;
    QLocalSocket socket;
    const bool found = ConnectTo(socket, title, timeoutMs);
    socket.abort();
    return found;
}

bool TitleRegistry::BringToFront(const QString& title, int timeoutMs) {
    if (title.isEmpty())
        return false;
    QLocalSocket socket;
    if (!ConnectTo(socket, title, timeoutMs))
        return false;
    socket.write(kShow);
    socket.waitForBytesWritten(timeoutMs);
    // The owner closes the connection once it has acted; waiting for that keeps the order of events
    // (the window is in front before this returns) whenever the owner is responsive.
    if (socket.state() == QLocalSocket::ConnectedState)
        socket.waitForDisconnected(timeoutMs);
    socket.abort();
    return true;
}

QString TitleRegistry::RegisteredTitle() const { return IsRegistered() ? m_title : QString(); }

bool TitleRegistry::IsRegistered() const { return m_server && m_server->isListening(); }

void TitleRegistry::Register(const QString& title) {
    if (m_server && m_title == title && m_server->isListening())
        return;
    delete m_server;
    m_server = nullptr;
    m_title = title;
    TryListen();
}

void TitleRegistry::TryListen() {
    if (IsRegistered() || m_title.isEmpty()) {
        m_retry->stop();
        return;
    }
    const QString name = ServerName(m_title);
    {
        // Another live program with the same title keeps it (and this one tries again later); a stale
        // socket file is removed.
        QLocalSocket probe;
        if (ConnectTo(probe, m_title, 200)) {
            probe.abort();
            m_retry->start();
            return;
        }
    }
    QLocalServer::removeServer(name);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &TitleRegistry::OnNewConnection);
    if (!m_server->listen(name)) {
        delete m_server;
        m_server = nullptr;
        m_retry->start();
        return;
    }
    m_retry->stop();
}

void TitleRegistry::OnNewConnection() {
    while (QLocalSocket* socket = m_server ? m_server->nextPendingConnection() : nullptr) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine())
                return; // wait for the whole request line
            if (socket->readLine() == kShow)
                ShowWindow();
            socket->disconnectFromServer();
        });
    }
}

void TitleRegistry::ShowWindow() {
    if (m_window) {
        // Restoring keeps a maximized window maximized.
        if (m_window->isMinimized())
            m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
        if (!m_window->isVisible())
            m_window->show();
        m_window->raise();
        m_window->activateWindow();
    }
    Q_EMIT shown();
}
