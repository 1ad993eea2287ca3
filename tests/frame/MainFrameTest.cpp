// The main frame: menu bar, accelerators, command routing and the settings written at every close.
#include "logview/MainFrame.h"
#include "common/StationParts.h"
#include "common/WaitFor.h"
#include "logview/logic/WindowPlacement.h"
#include "res/Ids.h"
#include "res/Resources.h"
#include "settings/PrivateProfile.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMoveEvent>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

void PrintTo(const QRect& rect, std::ostream* os) {
    *os << rect.x() << ',' << rect.y() << ' ' << rect.width() << 'x' << rect.height();
}

namespace {

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        app.m_paths.m_strUserIniPath = dir.filePath("KestraExt.ini");
    }
    int Int(const char* section, const char* key) {
        return profile::GetPrivateProfileInt(section, key, -12345, app.m_paths.m_strUserIniPath);
    }
    QString Text(const char* section, const char* key) {
        return profile::GetPrivateProfileString(section, key, "<none>", 261, app.m_paths.m_strUserIniPath);
    }
    FrameSettings Settings() {
        return FrameSettings{app.m_paths.m_strUserIniPath, &app.m_logOnDisk, [this] { return app.m_channel.LogFolder(); }};
    }
    void ShowAndWait(CMainFrame& frame) {
        frame.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    }

    QTemporaryDir dir;
    StationParts app;
};

} // namespace

TEST_F(MainFrameTest, MenuBarFollowsMenu128) {
    CMainFrame frame(Settings());
    const QList<QAction*> popups = frame.menuBar()->actions();
    const QList<res::MenuItem> menu = res::Menu(ids::IDR_MAINFRAME);
    ASSERT_EQ(popups.size(), menu.size());
    EXPECT_EQ(popups.last()->text(), "&Help"); // last in the bar
    for (int p = 0; p < popups.size(); ++p) {
        EXPECT_EQ(popups[p]->text(), menu[p].text);
        const QList<QAction*> items = popups[p]->menu()->actions();
        ASSERT_EQ(items.size(), menu[p].children.size()) << p;
        for (int i = 0; i < items.size(); ++i) {
            const res::MenuItem& item = menu[p].children[i];
            EXPECT_EQ(items[i]->isSeparator(), item.separator);
            if (item.separator)
                continue;
            EXPECT_EQ(items[i]->text(), item.text);
            EXPECT_EQ(items[i]->data().toInt(), item.id);
            EXPECT_EQ(frame.Action(item.id), items[i]);
            EXPECT_EQ(items[i]->isEnabled(), !item.initiallyDisabled) << item.id;
        }
    }
    EXPECT_FALSE(frame.Action(ids::ID_LOG_FIELD_READ)->isEnabled());
    EXPECT_FALSE(frame.Action(ids::ID_LOG_FIELD_WRITE)->isEnabled());
    for (int id : {ids::ID_EDIT_PAUSE, ids::ID_LOG_DDE, ids::ID_LOG_OPC_UA, ids::ID_OPTIONS_INSERT_DATETIME,
                   ids::ID_OPTIONS_ALWAYS_ON_TOP})
        EXPECT_TRUE(frame.Action(id)->isCheckable()) << id;
    for (int id : {ids::ID_LOG_TAGS, ids::ID_FILE_SAVE, ids::ID_OPTIONS_SAVE_ON_DISK})
        EXPECT_FALSE(frame.Action(id)->isCheckable()) << id;
    EXPECT_EQ(frame.Action(4711), nullptr);
    frame.SetDocumentTitle("Kestra: <LOCAL>");
    EXPECT_EQ(frame.windowTitle(), "Kestra: <LOCAL> - ");
}

TEST_F(MainFrameTest, AcceleratorKeysWinOverTheTextControl) {
    CMainFrame frame(Settings());
    auto* edit = new QPlainTextEdit(&frame);
    frame.setCentralWidget(edit);
    edit->setPlainText("abc");
    for (const res::Accelerator& accelerator : res::Accelerators(ids::IDR_MAINFRAME)) {
        QAction* action = frame.AcceleratorAction(accelerator.commandId);
        ASSERT_NE(action, nullptr) << accelerator.commandId;
        EXPECT_EQ(action->shortcut(), accelerator.key);
        EXPECT_EQ(action->shortcutContext(), Qt::WindowShortcut);
    }
    QList<int> ran;
    bool hasSelection = false;
    for (int id : {ids::ID_EDIT_DELETE, ids::ID_EDIT_COPY, ids::ID_EDIT_PAUSE, ids::ID_FILE_PRINT,
                   ids::ID_FILE_SAVE}) {
        frame.SetCommandHandler(id, [&ran, id] { ran.append(id); });
    }
    frame.SetUpdateHandler(ids::ID_EDIT_DELETE, [&](QAction* a) { a->setEnabled(hasSelection); });

    ShowAndWait(frame);
    frame.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    edit->setFocus();
    QTextCursor cursor = edit->textCursor();
    cursor.setPosition(0);
    edit->setTextCursor(cursor);

    // Del with nothing selected: Delete Contents is disabled, and the control does not delete either.
    QTest::keyClick(edit, Qt::Key_Delete);
    EXPECT_EQ(edit->toPlainText(), "abc");
    EXPECT_TRUE(ran.isEmpty());
    hasSelection = true;
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_F9);
    QTest::keyClick(edit, Qt::Key_P, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(ran, (QList<int>{ids::ID_EDIT_DELETE, ids::ID_EDIT_COPY, ids::ID_EDIT_PAUSE, ids::ID_FILE_PRINT,
                               ids::ID_FILE_SAVE}));
    // F1, F6 and Shift+F6 do nothing at all.
    QTest::keyClick(edit, Qt::Key_F1);
    QTest::keyClick(edit, Qt::Key_F6);
    QTest::keyClick(edit, Qt::Key_F6, Qt::ShiftModifier);
    EXPECT_EQ(edit->toPlainText(), "abc");
    EXPECT_EQ(ran.size(), 5);
    EXPECT_TRUE(frame.isVisible());
    // Ordinary typing still reaches the control.
    QTest::keyClick(edit, Qt::Key_X);
    EXPECT_EQ(edit->toPlainText(), "xabc");
}

TEST_F(MainFrameTest, CommandsRunOnlyWhileEnabled) {
    CMainFrame frame(Settings());
    int runs = 0;
    int connected = 0;
    bool checked = false;
    frame.SetCommandHandler(ids::ID_LOG_TRACE, [&] {
        ++runs;
        checked = !checked;
    });
    frame.SetUpdateHandler(ids::ID_LOG_TRACE, [&](QAction* a) {
        a->setEnabled(connected != 0);
        if (connected)
            a->setChecked(checked);
    });
    QAction* trace = frame.Action(ids::ID_LOG_TRACE);
    // The state shown is stale (enabled) but the command is disabled now: it does not run.
    trace->setEnabled(true);
    trace->trigger();
    EXPECT_EQ(runs, 0);
    EXPECT_FALSE(trace->isEnabled());
    connected = 1;
    frame.UpdateCommandUi();
    ASSERT_TRUE(trace->isEnabled());
    trace->trigger();
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(trace->isChecked());
    trace->trigger();
    EXPECT_FALSE(trace->isChecked());

    // A command nobody handles is disabled by the update; the menu's opening runs the update handlers.
    frame.SetCommandHandler(ids::ID_EDIT_CLEAR_ALL, nullptr);
    QMenu* edit = frame.menuBar()->actions()[1]->menu();
    Q_EMIT edit->aboutToShow();
    EXPECT_FALSE(frame.Action(ids::ID_EDIT_CLEAR_ALL)->isEnabled());
    int updates = 0;
    frame.SetUpdateHandler(ids::ID_EDIT_PAUSE, [&](QAction* a) {
        ++updates;
        a->setEnabled(true);
    });
    Q_EMIT edit->aboutToShow();
    EXPECT_EQ(updates, 1);
    // Save On Disk and Exit are handled by the frame itself.
    frame.UpdateCommandUi();
    EXPECT_TRUE(frame.Action(ids::ID_OPTIONS_SAVE_ON_DISK)->isEnabled());
    EXPECT_TRUE(frame.Action(ids::ID_APP_EXIT)->isEnabled());
}

TEST_F(MainFrameTest, WindowKeysAfterMaximizeAndRestore) {
    CMainFrame frame(Settings());
    frame.move(100, 120);
    frame.resize(500, 400);
    ShowAndWait(frame);
    const QRect restored = frame.frameGeometry();

    frame.showMaximized();
    ASSERT_TRUE(WaitForEvents([&] { return frame.isMaximized() && frame.frameGeometry() != restored; }));
    frame.SaveFrameSettings();
    EXPECT_EQ(Int("Window", "Length"), 44);
    EXPECT_EQ(Int("Window", "Flags"), 0);
    EXPECT_EQ(Int("Window", "ShowCmd"), 3);
    EXPECT_EQ(Int("Window", "RcNormalPosition.Left"), restored.left());
    EXPECT_EQ(Int("Window", "RcNormalPosition.Top"), restored.top());
    EXPECT_EQ(Int("Window", "RcNormalPosition.Right"), restored.left() + restored.width());
    EXPECT_EQ(Int("Window", "RcNormalPosition.Bottom"), restored.top() + restored.height());
    EXPECT_NE(Int("Window", "PtMaxPosition.X"), -12345);

    frame.showNormal();
    ASSERT_TRUE(WaitForEvents([&] { return !frame.isMaximized() && frame.frameGeometry() == restored; }));
    frame.close(); // the close request writes the keys
    EXPECT_EQ(Int("Window", "ShowCmd"), 1);
    EXPECT_EQ(Int("Window", "RcNormalPosition.Left"), restored.left());
    EXPECT_EQ(Int("Window", "RcNormalPosition.Right"), restored.left() + restored.width());
    EXPECT_EQ(Int("Window", "RcNormalPosition.Top"), restored.top());
    EXPECT_EQ(Int("Window", "RcNormalPosition.Bottom"), restored.top() + restored.height());
    for (const char* key : {"PtMinPosition.X", "PtMinPosition.Y", "PtMaxPosition.X", "PtMaxPosition.Y"})
        EXPECT_NE(Int("Window", key), -12345) << key;

    // The keys stand in the record's order, Right before Top.
    QFile file(app.m_paths.m_strUserIniPath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QStringList keys;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.contains('=') && !line.startsWith("Type") && !line.startsWith("FileName"))
            keys.append(QString::fromUtf8(line.left(line.indexOf('='))));
    }
    EXPECT_EQ(keys,
              (QStringList{"Length", "Flags", "ShowCmd", "PtMinPosition.X", "PtMinPosition.Y",
                           "PtMaxPosition.X", "PtMaxPosition.Y", "RcNormalPosition.Left",
                           "RcNormalPosition.Right", "RcNormalPosition.Top", "RcNormalPosition.Bottom"}));
}

TEST_F(MainFrameTest, SavedMaximizedPlacementRestoresToItsNormalRectangle) {
    WindowPlacement saved;
    saved.length = 44;
    saved.showCmd = 3;
    saved.SetNormalFrame(QRect(150, 90, 420, 330));
    CMainFrame frame(Settings());
    frame.ApplyPlacement(saved);
    ShowAndWait(frame);
    EXPECT_TRUE(WaitForEvents([&] { return frame.isMaximized(); }));
    EXPECT_EQ(frame.CapturePlacement().NormalFrame(), QRect(150, 90, 420, 330));
    frame.showNormal();
    ASSERT_TRUE(WaitForEvents([&] { return !frame.isMaximized(); }));
    EXPECT_TRUE(WaitForEvents([&] { return frame.frameGeometry() == QRect(150, 90, 420, 330); }));
}

namespace {

// A frame under a window manager that puts its frame around the window only some time after the window
// was shown: until then the frame's margins are unknown (none), as on X11.
class LateFrame : public CMainFrame {
public:
    using CMainFrame::CMainFrame;
    void Reparent() {
        m_framed = true;
        QMoveEvent moved(pos(), pos()); // the window manager's configure notice
        QApplication::sendEvent(this, &moved);
    }

protected:
    QMargins WindowFrameMargins() const override {
        return m_framed ? CMainFrame::WindowFrameMargins() : QMargins();
    }

private:
    bool m_framed = false;
};

} // namespace

TEST_F(MainFrameTest, StartAndCloseCyclesUnderAWindowManagerKeepTheWindowKeys) {
    WindowPlacement saved;
    saved.length = 44;
    saved.showCmd = 1;
    saved.SetNormalFrame(QRect(120, 80, 480, 360));
    ASSERT_TRUE(saved.Write(app.m_paths.m_strUserIniPath));
    for (int run = 0; run < 3; ++run) {
        LateFrame frame(Settings());
        frame.ApplyPlacement(WindowPlacement::Read(app.m_paths.m_strUserIniPath));
        ShowAndWait(frame);
        frame.Reparent();
        EXPECT_TRUE(WaitForEvents([&] { return frame.frameGeometry() == QRect(120, 80, 480, 360); }))
            << "run " << run;
        frame.close();
        EXPECT_EQ(WindowPlacement::Read(app.m_paths.m_strUserIniPath).NormalFrame(), saved.NormalFrame())
            << "run " << run;
    }
}

TEST_F(MainFrameTest, LogOnDiskKeysWrittenAtEveryCloseRequest) {
    CMainFrame frame(Settings());
    ShowAndWait(frame);
    app.m_logOnDisk.m_nLogOnDiskType = 2;
    app.m_logOnDisk.m_strLogOnDiskFile = "/var/tmp/plant 7.log";
    bool allowClose = false;
    frame.SetCloseQuery([&] { return allowClose; });
    frame.close(); // the save prompt is cancelled: the keys are written all the same
    EXPECT_TRUE(frame.isVisible());
    EXPECT_EQ(Int("LogOnDisk", "Type"), 2);
    EXPECT_EQ(Text("LogOnDisk", "FileName"), "/var/tmp/plant 7.log");
    EXPECT_EQ(Int("Window", "Length"), 44);

    app.m_logOnDisk.m_nLogOnDiskType = 1;
    allowClose = true;
    frame.Action(ids::ID_APP_EXIT)->trigger();
    EXPECT_FALSE(frame.isVisible());
    EXPECT_EQ(Int("LogOnDisk", "Type"), 1);
    EXPECT_EQ(Text("LogOnDisk", "FileName"), "/var/tmp/plant 7.log"); // kept whatever the type
}

TEST(WindowPlacementRecord, ReadsZerosWithoutKeysAndAppliesOnlyWithAFlag) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("KestraExt.ini");
    const WindowPlacement none = WindowPlacement::Read(ini);
    EXPECT_EQ(none, WindowPlacement());
    EXPECT_FALSE(none.ShouldApply());
    WindowPlacement p;
    p.rcNormalPositionLeft = 5;
    EXPECT_FALSE(p.ShouldApply());
    p.flags = 2;
    EXPECT_TRUE(p.ShouldApply());
    p = WindowPlacement();
    p.length = 44;
    EXPECT_TRUE(p.ShouldApply());
    p.showCmd = 2;
    p.ptMinPositionX = -32000;
    p.rcNormalPositionBottom = -7;
    ASSERT_TRUE(p.Write(ini));
    EXPECT_EQ(WindowPlacement::Read(ini), p);
}
