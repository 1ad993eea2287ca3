#include "LogdProcess.h"
#include "WaitFor.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>

namespace {

bool copyTree(const QString& from, const QString& to) {
    if (!QDir().mkpath(to))
        return false;
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString src = it.next();
        const QString dst = to + QLatin1Char('/') + QDir(from).relativeFilePath(src);
        if (it.fileInfo().isDir()) {
            if (!QDir().mkpath(dst))
                return false;
        } else if (!QFile::copy(src, dst)) {
            return false;
        } else {
            QFile::setPermissions(dst, QFile::permissions(dst) | QFileDevice::WriteOwner);
        }
    }
    return true;
}

// A socket bound to `address`:`port` (0: any free port) that never listens; -1 when the port is taken.
// While it is open the system hands the port to nobody else, neither to a bind to port 0 nor as the
// local port of a connection, yet the service can still listen there: both sockets set SO_REUSEADDR
// (the service's listener does), and only one of them listens. So between a kill and the restart no
// other test's service or connection can take the port.
int reservePort(const QString& address, quint16 port, quint16* reserved) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const int one = 1;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    ::inet_pton(AF_INET, address.toLatin1().constData(), &a.sin_addr);
    a.sin_port = htons(port);
    socklen_t len = sizeof(a);
    if (::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one)) != 0 ||
        ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof(a)) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        ::close(fd);
        return -1;
    }
    *reserved = ntohs(a.sin_port);
    return fd;
}

QString stderrPath(const QTemporaryDir& dir) {
    return dir.path() + QStringLiteral("/logd-stderr.txt");
}

} // namespace

LogdProcess::LogdProcess(const QString& projectSource) : m_dir(std::make_unique<QTemporaryDir>()) {
    const QString source = projectSource.isEmpty() ? QStringLiteral(KESTRA_SOURCE_DIR "/service/demo") : projectSource;
    if (m_dir->isValid())
        copyTree(source, projectDir());
}

LogdProcess::~LogdProcess() {
    stop();
    releasePort();
}

void LogdProcess::releasePort() {
    if (m_portHolder >= 0)
        ::close(m_portHolder);
    m_portHolder = -1;
}

QString LogdProcess::projectDir() const {
    return m_dir->path() + QStringLiteral("/project");
}

bool LogdProcess::start(const QStringList& extraArgs, quint16 port) {
    if (running())
        stop();
    releasePort();
    m_portHolder = reservePort(m_address, port, &m_port);
    if (m_portHolder < 0)
        return false;
    m_args = extraArgs;
    return restart();
}

bool LogdProcess::restart() {
    if (running())
        kill();
    const QString errFile = stderrPath(*m_dir);
    const qint64 offset = QFileInfo(errFile).size();
    // Standard error goes to a file (a pipe nobody drains could stall the service), standard output
    // nowhere; standard input takes injected lines.
    if (!m_proc.start(QStringLiteral(KESTRA_BIN_DIR "/mirabo-logd"),
                      QStringList{QStringLiteral("--project"), projectDir(), QStringLiteral("--listen"),
                                  QStringLiteral("%1:%2").arg(m_address).arg(m_port)} +
                          m_args,
                      errFile))
        return false;
    // The service reports the port it listens on once it accepts connections.
    const QRegularExpression listening(
        QStringLiteral("^mirabo-logd: listening on %1:(\\d+)").arg(QRegularExpression::escape(m_address)),
        QRegularExpression::MultilineOption);
    bool listens = false;
    WaitForEvents(
        [&] {
            QFile f(errFile);
            if (f.open(QIODevice::ReadOnly)) {
                f.seek(offset);
                const auto match = listening.match(QString::fromUtf8(f.readAll()));
                if (match.hasMatch()) {
                    m_port = static_cast<quint16>(match.captured(1).toUInt());
                    listens = true;
                }
            }
            return listens || !m_proc.running(); // a service that ended will not listen any more
        },
        10000);
    return listens;
}

void LogdProcess::kill() {
    m_proc.signalAndWait(SIGKILL, 10000);
}

void LogdProcess::stop() {
    if (!m_proc.signalAndWait(SIGTERM, 10000))
        m_proc.signalAndWait(SIGKILL, 10000);
}

qint64 LogdProcess::pid() const {
    return running() ? m_proc.pid() : 0;
}

bool LogdProcess::running() const {
    return m_proc.running();
}

bool LogdProcess::inject(int category, const QString& text) {
    if (!running())
        return false;
    const QByteArray line = (category < 0 ? QByteArray() : QByteArray::number(category)) + '\t' + text.toUtf8() + '\n';
    return m_proc.write(line);
}

QString LogdProcess::errorOutput() {
    QFile f(stderrPath(*m_dir));
    if (f.open(QIODevice::ReadOnly))
        m_stderr = QString::fromUtf8(f.readAll());
    return m_stderr;
}

QString LogdProcess::fingerprint() {
    static const QRegularExpression announced(QStringLiteral("fingerprint of the key: ([0-9A-F:]{95})"));
    QString last;
    for (auto it = announced.globalMatch(errorOutput()); it.hasNext();)
        last = it.next().captured(1);
    return last;
}

void LogdProcess::forgetKey() const {
    QFile::remove(projectDir() + QStringLiteral("/tls-key.pem"));
    QFile::remove(projectDir() + QStringLiteral("/tls-cert.pem"));
}

bool LogdProcess::addUser(const QString& name, const QString& password, bool mayReadLog) const {
    QStringList args{QStringLiteral("--project"), projectDir(), QStringLiteral("--add-user"), name};
    if (!mayReadLog)
        args << QStringLiteral("--no-log-access");
    ChildProcess p;
    if (!p.start(QStringLiteral(KESTRA_BIN_DIR "/mirabo-logd"), args, QStringLiteral("/dev/null")))
        return false;
    p.write(password.toUtf8() + '\n');
    p.closeInput();
    return p.waitExit(30000) && p.exitCode() == 0;
}
