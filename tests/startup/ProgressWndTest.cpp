// The wait popup as a window: look, modal state over the main window and position memory.
#include "progress/ProgressWnd.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace {

// The profile goes to a private folder for the whole test program.
class ProfileHome : public ::testing::Environment {
public:
    void SetUp() override {
        m_dir = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", m_dir->path().toUtf8());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir->path());
    }
    void TearDown() override { m_dir.reset(); }
    std::unique_ptr<QTemporaryDir> m_dir;
};
const auto* const g_home = ::testing::AddGlobalTestEnvironment(new ProfileHome);

QSettings Profile() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope,
                     QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("Kestra"));
}

void SavePositionInProfile(const QVariant& x, const QVariant& y) {
    QSettings profile = Profile();
    profile.remove(QStringLiteral("Settings"));
    if (x.isValid()) {
        profile.setValue(QStringLiteral("Settings/X"), x);
        profile.setValue(QStringLiteral("Settings/Y"), y);
    }
    profile.sync();
}

class ProgressWnd : public ::testing::Test {
protected:
    void SetUp() override {
        SavePositionInProfile({}, {});
        m_main.setWindowTitle(QStringLiteral("main"));
        m_main.setGeometry(100, 100, 400, 300);
        m_main.show();
    }
    // The start-up sequence of calls.
    static void MakeStartupPopup(CProgressWnd& popup) {
        popup.ShowCancelButton(false);
        popup.ShowBar(false);
        ASSERT_TRUE(popup.BeginModal(QStringLiteral("Progress")));
        popup.ResizeForText(1, 300);
        popup.UpdateWindow();
    }
    QMainWindow m_main;
};

} // namespace

TEST_F(ProgressWnd, ConstructorShowsTheFourLineLayoutOnTopWithoutCloseBox) {
    CProgressWnd popup(&m_main, QStringLiteral("Kestra"));
    EXPECT_TRUE(popup.isVisible());
    EXPECT_TRUE(popup.isWindow());
    EXPECT_EQ(popup.windowTitle(), QStringLiteral("Kestra"));
    const Qt::WindowFlags flags = popup.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(flags & Qt::CustomizeWindowHint);
    EXPECT_FALSE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowSystemMenuHint);
    EXPECT_TRUE(popup.Bar()->isVisible());
    EXPECT_TRUE(popup.CancelButton()->isVisible());
    EXPECT_EQ(popup.CancelButton()->text(), QStringLiteral(" Cancel "));
    const int line = QFontMetrics(popup.MessageLabel()->font()).height();
    EXPECT_EQ(popup.size().width(), 410);
    EXPECT_EQ(popup.MessageLabel()->geometry(), QRect(10, 10, 390, 4 * line));
    EXPECT_TRUE(m_main.isEnabled()); // not modal yet
}

TEST_F(ProgressWnd, StartupSequenceDisablesMainWindowUntilDestroyed) {
    {
        CProgressWnd popup(&m_main, QStringLiteral("Kestra"));
        MakeStartupPopup(popup);
        popup.SetMessage(QStringLiteral("Connecting to 100%s ..."));
        EXPECT_FALSE(m_main.isEnabled());
        EXPECT_TRUE(popup.isEnabled());
        EXPECT_TRUE(popup.IsModal());
        EXPECT_FALSE(popup.Bar()->isVisible());
        EXPECT_FALSE(popup.CancelButton()->isVisible());
        const int line = QFontMetrics(popup.MessageLabel()->font()).height();
        EXPECT_EQ(popup.size().width(), 320);
        EXPECT_EQ(popup.MessageLabel()->geometry(), QRect(10, 10, 300, line));
        EXPECT_EQ(popup.size().height(), line + popup.CancelButton()->height() + 30);
        EXPECT_EQ(popup.Message(), QStringLiteral("Connecting to 100%s ..."));
    }
    EXPECT_TRUE(m_main.isEnabled());
}

TEST_F(ProgressWnd, MainWindowEnabledAgainOnEveryPath) {
    auto popup = std::make_unique<CProgressWnd>(&m_main, QStringLiteral("Kestra"));
    ASSERT_TRUE(popup->BeginModal());
    EXPECT_FALSE(m_main.isEnabled());
    popup->DestroyWindow(); // explicit destruction first, then the object
    EXPECT_TRUE(m_main.isEnabled());
    popup.reset();
    EXPECT_TRUE(m_main.isEnabled());

    // The Cancel button hides a modal popup; the main window comes back with the object's end.
    popup = std::make_unique<CProgressWnd>(&m_main, QStringLiteral("Kestra"));
    ASSERT_TRUE(popup->BeginModal());
    popup->CancelButton()->click();
    EXPECT_FALSE(popup->isVisible());
    popup.reset();
    EXPECT_TRUE(m_main.isEnabled());

    // Without a main window nothing is disabled.
    CProgressWnd orphan(nullptr, QStringLiteral("Kestra"));
    EXPECT_TRUE(orphan.BeginModal());
    EXPECT_TRUE(m_main.isEnabled());
}

TEST_F(ProgressWnd, MessageIsCutTo511Characters) {
    CProgressWnd popup(&m_main, QStringLiteral("Kestra"));
    popup.SetMessage(QString(600, u'x'));
    EXPECT_EQ(popup.Message().size(), 511);
    popup.SetMessage(QStringLiteral("%s%d%%"));
    EXPECT_EQ(popup.Message(), QStringLiteral("%s%d%%"));
}

TEST_F(ProgressWnd, PositionIsSavedAndRestored) {
    QPoint saved;
    {
        CProgressWnd popup(&m_main, QStringLiteral("Kestra"));
        // Nothing saved: centred over the main window.
        EXPECT_LE(std::abs(popup.frameGeometry().center().x() - m_main.frameGeometry().center().x()), 1);
        EXPECT_LE(std::abs(popup.frameGeometry().center().y() - m_main.frameGeometry().center().y()), 1);
        popup.move(37, 52);
        saved = popup.pos();
    }
    {
        QSettings profile = Profile();
        EXPECT_EQ(profile.value(QStringLiteral("Settings/X"), -1).toInt(), saved.x());
        EXPECT_EQ(profile.value(QStringLiteral("Settings/Y"), -1).toInt(), saved.y());
    }
    CProgressWnd next(&m_main, QStringLiteral("Kestra"));
    EXPECT_EQ(next.pos(), saved);
    // A resize keeps the corner.
    next.ResizeForText(1, 300);
    EXPECT_EQ(next.pos(), saved);
}

TEST_F(ProgressWnd, OffScreenPositionIsCentredOverTheOwner) {
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    const QList<QPair<int, int>> outside = {{-1, -1}, {-5, 10}, {10, -5}, {screen.width(), 10}, {10, screen.height()}};
    for (const auto& [x, y] : outside) {
        SavePositionInProfile(x, y);
        CProgressWnd popup(&m_main, QStringLiteral("Kestra"));
        EXPECT_LE(std::abs(popup.frameGeometry().center().x() - m_main.frameGeometry().center().x()), 1)
            << x << "," << y;
        EXPECT_LE(std::abs(popup.frameGeometry().center().y() - m_main.frameGeometry().center().y()), 1)
            << x << "," << y;
    }
    SavePositionInProfile(screen.width() - 1, screen.height() - 1); // the last point on the screen
    CProgressWnd popup(&m_main, QStringLiteral("Kestra"));
    EXPECT_EQ(popup.pos(), QPoint(screen.width() - 1, screen.height() - 1));
}
