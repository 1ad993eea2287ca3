// Finding a window by its exact title and bringing it to the front.
#include "common/WaitFor.h"
#include "desktop/TitleRegistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUuid>
#include <QWidget>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <memory>

#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Registrations of this test program go to a private folder, away from any running program.
class RuntimeDir : public ::testing::Environment {
public:
    void SetUp() override {
        m_dir = std::make_unique<QTemporaryDir>();
        qputenv("XDG_RUNTIME_DIR", m_dir->path().toUtf8());
    }
    void TearDown() override { m_dir.reset(); }
    std::unique_ptr<QTemporaryDir> m_dir;
};
const auto* const g_runtime = ::testing::AddGlobalTestEnvironment(new RuntimeDir);

QString UniqueTitle(const char* base) {
    return QStringLiteral("Kestra: <%1> - ").arg(QString::fromLatin1(base) + QUuid::createUuid().toString());
}

} // namespace

TEST(TitleRegistry, FindsExactTitlesOnlyAndFollowsTitleChanges) {
    const QString title = UniqueTitle("LOCAL");
    QWidget window;
    window.setWindowTitle(title);
    auto* registry = new TitleRegistry(&window);
    EXPECT_EQ(registry->RegisteredTitle(), title);
    EXPECT_TRUE(TitleRegistry::Find(title));
    EXPECT_FALSE(TitleRegistry::Find(title.trimmed()));
    EXPECT_FALSE(TitleRegistry::Find(title + QStringLiteral(" - Disconnected")));
    EXPECT_FALSE(TitleRegistry::Find(QString()));

    window.setWindowTitle(title + QStringLiteral("x"));
    EXPECT_FALSE(TitleRegistry::Find(title));
    EXPECT_TRUE(TitleRegistry::Find(title + QStringLiteral("x")));

    window.setWindowTitle(QString());
    EXPECT_FALSE(registry->IsRegistered());
    window.setWindowTitle(title);
    EXPECT_TRUE(TitleRegistry::Find(title));

    delete registry;
    EXPECT_FALSE(TitleRegistry::Find(title));
}

TEST(TitleRegistry, ShowRestoresAndRaisesTheOtherWindow) {
    const QString title = UniqueTitle("host");
    QWidget window;
    window.setWindowTitle(title);
    window.show();
    window.showMinimized();
    TitleRegistry registry(&window);
    QSignalSpy shown(&registry, &TitleRegistry::shown);

    // The owner runs in this same process here, so it answers only once events are processed.
    EXPECT_TRUE(TitleRegistry::BringToFront(title, 100));
    EXPECT_TRUE(WaitForEvents([&] { return shown.count() == 1; }));
    EXPECT_FALSE(window.isMinimized());
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(TitleRegistry::BringToFront(UniqueTitle("none"), 100));
}

TEST(TitleRegistry, LiveOwnerKeepsItsTitleAndStaleSocketIsReplaced) {
    const QString title = UniqueTitle("LOCAL");
    QWidget first;
    first.setWindowTitle(title);
    auto firstRegistry = std::make_unique<TitleRegistry>(&first);
    QWidget second;
    second.setWindowTitle(title);
    TitleRegistry secondRegistry(&second);
    EXPECT_TRUE(firstRegistry->IsRegistered());
    EXPECT_FALSE(secondRegistry.IsRegistered());
    firstRegistry.reset();

    // A socket file that nobody listens on (a program that ended without cleaning up).
    const QString other = UniqueTitle("stale");
    QFile stale(TitleRegistry::ServerName(other));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    EXPECT_FALSE(TitleRegistry::Find(other, 200));
    QWidget third;
    third.setWindowTitle(other);
    TitleRegistry thirdRegistry(&third);
    EXPECT_TRUE(thirdRegistry.IsRegistered());
    EXPECT_TRUE(TitleRegistry::Find(other));
}

TEST(TitleRegistry, WindowThatFoundItsTitleTakenRegistersOnceTheHolderLetsGo) {
    const QString title = UniqueTitle("LOCAL");
    QWidget holder;
    holder.setWindowTitle(title);
    auto holderRegistry = std::make_unique<TitleRegistry>(&holder);
    QWidget waiting;
    waiting.setWindowTitle(title);
    TitleRegistry waitingRegistry(&waiting);
    ASSERT_FALSE(waitingRegistry.IsRegistered());

    holderRegistry.reset();
    EXPECT_TRUE(WaitForEvents([&] { return waitingRegistry.IsRegistered(); }, 5 * TitleRegistry::kRetryMs));
    EXPECT_TRUE(TitleRegistry::Find(title));
}

TEST(TitleRegistry, ShowKeepsAMaximizedWindowMaximized) {
    const QString title = UniqueTitle("max");
    QWidget window;
    window.setWindowTitle(title);
    window.showMaximized();
    window.setWindowState(window.windowState() | Qt::WindowMinimized);
    TitleRegistry registry(&window);
    QSignalSpy shown(&registry, &TitleRegistry::shown);
    EXPECT_TRUE(TitleRegistry::BringToFront(title, 100));
    EXPECT_TRUE(WaitForEvents([&] { return shown.count() == 1; }));
    EXPECT_FALSE(window.isMinimized());
    EXPECT_TRUE(window.windowState().testFlag(Qt::WindowMaximized));
}

TEST(TitleRegistry, NameDependsOnTitleAndDisplayAndLivesInAFolderOnlyTheUserCanUse) {
    const QString title = QStringLiteral("Kestra: <LOCAL> - ");
    EXPECT_EQ(TitleRegistry::ServerName(title), TitleRegistry::ServerName(title));
    EXPECT_NE(TitleRegistry::ServerName(title),
              TitleRegistry::ServerName(QStringLiteral("kestra: <LOCAL> - ")));
    EXPECT_TRUE(TitleRegistry::ServerName(title).startsWith(qEnvironmentVariable("XDG_RUNTIME_DIR") + u'/'));

    // Two desktops of one user do not see each other's windows.
    const QByteArray display = qgetenv("DISPLAY");
    qputenv("DISPLAY", ":5");
    const QString onFive = TitleRegistry::ServerName(title);
    qputenv("DISPLAY", ":6.0");
    EXPECT_NE(TitleRegistry::ServerName(title), onFive);
    qputenv("DISPLAY", display);

    // Without a private runtime folder (none, or one that others may use) a 0700 folder of the user's own
    // in the temporary folder (here a private one).
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray tmp = qgetenv("TMPDIR");
    QTemporaryDir temporary;
    qputenv("TMPDIR", temporary.path().toUtf8());
    QTemporaryDir open;
    QFile::setPermissions(open.path(), QFileDevice::Permissions(0x7777));
    for (const QByteArray& value : {QByteArray(), open.path().toUtf8()}) {
        qputenv("XDG_RUNTIME_DIR", value);
        const QFileInfo folder(QFileInfo(TitleRegistry::ServerName(title)).path());
        EXPECT_NE(folder.absoluteFilePath(), open.path());
        EXPECT_NE(folder.absoluteFilePath(), QDir::tempPath());
        EXPECT_TRUE(folder.isDir());
        EXPECT_EQ(folder.ownerId(), ::getuid());
        EXPECT_EQ(folder.permissions() &
                      (QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                       QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther),
                  QFileDevice::Permissions());
    }
    qputenv("XDG_RUNTIME_DIR", runtime);
    if (tmp.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", tmp);
}

TEST(TitleRegistry, ListenerOfAnotherUserIsIgnored) {
    if (::getuid() != 0)
        GTEST_SKIP() << "needs root to listen as another user";
    const QString title = UniqueTitle("foreign");
    const QByteArray path = QFile::encodeName(TitleRegistry::ServerName(title));
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        // Binds in the user's folder, then listens as "nobody".
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::memcpy(addr.sun_path, path.constData(), std::min<size_t>(path.size(), sizeof addr.sun_path - 1));
        if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::setuid(65534) != 0 ||
            ::listen(fd, 4) != 0)
            ::_exit(1);
        const char byte = 1;
        (void)!::write(ready[1], &byte, 1);
        ::pause();
        ::_exit(0);
    }
    ::close(ready[1]);
    char byte = 0;
    const bool listening = ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);
    ASSERT_TRUE(listening);
    EXPECT_FALSE(TitleRegistry::Find(title));
    EXPECT_FALSE(TitleRegistry::BringToFront(title, 200));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::unlink(path.constData());
}
