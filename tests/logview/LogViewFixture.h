// A log window (document, frame, view) on a fresh application object with its files in a temporary folder.
#pragma once

#include "common/WindowParts.h"
#include "logview/KestraExtDoc.h"
#include "logview/KestraExtView.h"
#include "logview/LogWindow.h"
#include "logview/MainFrame.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRect>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <ostream>

// Readable values in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QRect& rect, std::ostream* os) {
    *os << rect.x() << ',' << rect.y() << ' ' << rect.width() << 'x' << rect.height();
}

class LogViewFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        folder = dir.path() + u'/';
        app.m_paths.m_strUserIniPath = folder + "KestraExt.ini";
        app.m_channel.SetLogFolder(folder);
    }
    void TearDown() override { delete window.frame; }

    // Builds the window as start-up does: connected while it is created, then the given state.
    void Build(const QString& host = QStringLiteral("localhost")) {
        app.m_options.m_strHost = host;
        app.m_channel.m_bConnected = 1;
        window = CreateLogWindow(Parts(), Tools());
        window.frame->resize(640, 480);
    }
    LogWindowParts Parts() { return app.Window(); }
    // Tools that only note that they were asked for.
    WindowTools Tools() {
        return WindowTools{[this](QWidget*) { toolRuns << QStringLiteral("tags"); },
                           [this](int32_t kind, QWidget*) { toolRuns << QStringLiteral("opc %1").arg(kind); },
                           [this](QWidget*) { toolRuns << QStringLiteral("tool"); },
                           [this](QWidget*) { toolRuns << QStringLiteral("about"); },
                           [this](QWidget*) {
                               toolRuns << QStringLiteral("rules");
                               return chosenRules;
                           }};
    }
    // One tick of the received-text pipeline, as its timer makes them.
    void Tick() { app.m_pipeline.Tick(); }
    void Feed(const QString& text) { app.m_channel.AddPendingText(text); }
    QString Pending() { return app.m_channel.PendingText(); }
    QString Shown() const { return window.view->toPlainText(); }
    static QByteArray ReadAll(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    static void WriteAll(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    QAction* Action(int id) const { return window.frame->Action(id); }

    QTemporaryDir dir;
    QString folder;
    WindowParts app;
    LogWindow window;
    QStringList toolRuns;
    std::shared_ptr<const highlight::Highlighter> chosenRules; // what the rules editor "returns"
};
