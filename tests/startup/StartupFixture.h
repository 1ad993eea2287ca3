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

struct CapturedBox {
    QString text;
    bool topmost = false;
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
    static quint16 UnusedPort();

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<LogdProcess> m_logd;
    StartupHooks m_hooks;
    QList<CapturedBox> m_boxes;
    int m_dialogRuns = 0;
    qint64 m_startMs = 0;
    std::vector<std::unique_ptr<CKestraExtApp>> m_apps;
};
