// Finding a window by its exact title and bringing it to the front.
#include "desktop/TitleRegistry.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUuid>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>

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

template <typename Pred> bool WaitFor(Pred pred, int ms = 3000) {
    QDeadlineTimer deadline(ms);
    while (!pred()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
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
    EXPECT_TRUE(WaitFor([&] { return shown.count() == 1; }));
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
    EXPECT_TRUE(WaitFor([&] { return waitingRegistry.IsRegistered(); }, 5 * TitleRegistry::kRetryMs));
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
    EXPECT_TRUE(WaitFor([&] { return shown.count() == 1; }));
    EXPECT_FALSE(window.isMinimized());
    EXPECT_TRUE(window.windowState().testFlag(Qt::WindowMaximized));
}

TEST(TitleRegistry, NameDependsOnTheExactTitle) {
    EXPECT_EQ(TitleRegistry::ServerName(QStringLiteral("Kestra: <LOCAL> - ")),
              TitleRegistry::ServerName(QStringLiteral("Kestra: <LOCAL> - ")));
    EXPECT_NE(TitleRegistry::ServerName(QStringLiteral("Kestra: <LOCAL> - ")),
              TitleRegistry::ServerName(QStringLiteral("kestra: <LOCAL> - ")));
    EXPECT_TRUE(TitleRegistry::ServerName(QStringLiteral("a")).startsWith(qEnvironmentVariable("XDG_RUNTIME_DIR")));
}
