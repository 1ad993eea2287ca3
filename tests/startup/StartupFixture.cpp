#include "StartupFixture.h"

#include "logview/MainFrame.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

void StartupTest::SetUp() {
    m_home = std::make_unique<QTemporaryDir>();
    ASSERT_TRUE(m_home->isValid());
    const QString root = m_home->path();
    for (const char* sub : {"bin", "data", "config", "runtime"})
        QDir(root).mkpath(QString::fromLatin1(sub));
    QFile::setPermissions(root + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_DATA_HOME", (root + QStringLiteral("/data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", (root + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_RUNTIME_DIR", (root + QStringLiteral("/runtime")).toUtf8());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, root + QStringLiteral("/config"));
    qputenv("LC_ALL", "C");

    m_hooks.modulePath = root + QStringLiteral("/bin/kestra");
    m_hooks.messageBox = [this](const QString& text) { m_boxes.append(text); };
    m_logd = std::make_unique<LogdProcess>();
}

void StartupTest::TearDown() {
    for (auto& app : m_apps) {
        if (app->m_pMainWnd || app->m_pWorkerThread)
            Finish(*app);
    }
    m_apps.clear();
    m_logd.reset();
    qunsetenv("LC_ALL");
}

CKestraExtApp& StartupTest::NewApp(const QString& commandLine) {
    auto app = std::make_unique<CKestraExtApp>();
    app->m_lpCmdLine = QProcess::splitCommand(commandLine); // as a shell would hand the arguments on
    app->m_pStartupHooks = &m_hooks;
    m_apps.push_back(std::move(app));
    return *m_apps.back();
}

bool StartupTest::Start(CKestraExtApp& app) {
    QElapsedTimer timer;
    timer.start();
    const bool started = app.InitInstance();
    m_startMs = timer.elapsed();
    return started;
}

int StartupTest::Finish(CKestraExtApp& app) {
    if (app.m_pMainWnd)
        app.m_pMainWnd->close(); // writes the window settings, as the user's close does
    delete app.m_pMainWnd;
    app.m_pMainWnd = nullptr;
    return app.ExitInstance();
}

QString StartupTest::UserFolder() const { return m_home->path() + QStringLiteral("/data/"); }
QString StartupTest::UserIni() const { return UserFolder() + QStringLiteral("KestraExt.ini"); }
QString StartupTest::ExeFolder() const { return m_home->path() + QStringLiteral("/bin/"); }
QString StartupTest::PortSwitch() const { return QStringLiteral("/dsport:%1").arg(m_logd->port()); }

LoopbackPort::LoopbackPort(bool listening) {
    m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    if (::bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        (!listening || ::listen(m_fd, 16) == 0) &&
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&addr), &length) == 0)
        m_port = ntohs(addr.sin_port);
}

LoopbackPort::~LoopbackPort() {
    if (m_fd >= 0)
        ::close(m_fd);
}
