// Runs the application object's start-up and shut-down against a real mirabo-logd, with the program
// file, the settings folders, the title registry and the popup position all in private temporary places,
// and the modal boxes captured instead of shown.
#pragma once

#include "app/KestraExtApp.h"
#include "app/StartupHooks.h"
#include "common/LogdProcess.h"

#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

// A loopback port that is bound, so nothing else can take it. A refusing port refuses every connection;
// a silent station accepts them and never answers.
class LoopbackPort {
public:
    quint16 Port() const { return m_port; }
    ~LoopbackPort();

protected:
    explicit LoopbackPort(bool listening);

private:
    int m_fd = -1;
    quint16 m_port = 0;
};
struct RefusingPort : LoopbackPort {
    RefusingPort() : LoopbackPort(false) {}
};
struct SilentStation : LoopbackPort {
    SilentStation() : LoopbackPort(true) {}
};

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A fresh application object with the hooks installed and `commandLine` as its command line.
    CKestraExtApp& NewApp(const QString& commandLine);
    // Start-up; remembers how long it took.
    bool Start(CKestraExtApp& app);
    // What the framework does after the message loop: the main window goes, then shut-down.
    int Finish(CKestraExtApp& app);

    QString UserIni() const;     // the per-user KestraExt.ini
    QString UserFolder() const;  // the per-user settings folder (ends in '/')
    QString ExeFolder() const;   // the program's folder (ends in '/')
    QString PortSwitch() const;  // "/dsport:<the service's port>"

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<LogdProcess> m_logd;
    StartupHooks m_hooks;
    QStringList m_boxes; // the texts of the error boxes shown
    int m_dialogRuns = 0;
    qint64 m_startMs = 0;
    std::vector<std::unique_ptr<CKestraExtApp>> m_apps;
};
