#include "desktop/TitleRegistry.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <QWidget>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray kShow = QByteArrayLiteral("show\n");

// A folder that only this user can use: owned by the user, not a link, no access for anyone else.
bool IsPrivateFolder(const QByteArray& path) {
    struct stat info {};
    return ::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
           (info.st_mode & 077) == 0;
}

// $XDG_RUNTIME_DIR when it is such a folder; else a folder of the user's own in the temporary folder,
// made (0700) when missing. Empty when neither can be had: nothing is registered or found then.
QString SocketFolder() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && IsPrivateFolder(runtime))
        return QFile::decodeName(runtime);
    const QByteArray own = QFile::encodeName(QDir::tempPath()) + "/kestra-" + QByteArray::number(::getuid());
    ::mkdir(own.constData(), 0700);
    return IsPrivateFolder(own) ? QFile::decodeName(own) : QString();
}

// The desktop this program shows its windows on: two desktops of one user keep their windows apart.
QByteArray DisplayName() {
    QByteArray display = qgetenv("WAYLAND_DISPLAY");
    if (display.isEmpty()) {
        display = qgetenv("DISPLAY");
        // ":0" and ":0.0" are one display.
        const qsizetype colon = display.lastIndexOf(':');
        const qsizetype dot = display.indexOf('.', colon + 1);
        if (colon >= 0 && dot > colon)
            display.truncate(dot);
    }
    return display;
}

// The user id of the program at the other end of a local socket, or -1.
qint64 PeerUserId(const QLocalSocket& socket) {
    ucred credentials{};
    socklen_t length = sizeof credentials;
    if (::getsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &credentials,
                     &length) != 0)
        return -1;
    return credentials.uid;
}

// A live registration of this user answers a connection attempt; a socket file left behind does not,
// and a listener of another user does not count.
bool ConnectTo(QLocalSocket& socket, const QString& title, int timeoutMs) {
    const QString name = TitleRegistry::ServerName(title);
    if (name.isEmpty())
        return false;
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    if (PeerUserId(socket) != static_cast<qint64>(::getuid())) {
        socket.abort();
        return false;
    }
    return true;
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
    const QString folder = SocketFolder();
    if (folder.isEmpty())
        return QString();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QByteArray::number(static_cast<qulonglong>(::getuid())));
    hash.addData(QByteArrayLiteral("\n"));
    hash.addData(DisplayName());
    hash.addData(QByteArrayLiteral("\n"));
    hash.addData(title.toUtf8());
    return folder + QStringLiteral("/kestra-title-") + QString::fromLatin1(hash.result().toHex().left(32));
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
    if (name.isEmpty())
        return; // no private folder for the sockets: the window is not findable
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
