// A log window (document, frame, view) on a fresh application object with its files in a temporary folder.
#pragma once

#include "link/KestraShared.h"
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
        app.m_strUserIniPath = folder + "KestraExt.ini";
        app.SetLogFolder(folder);
    }
    void TearDown() override { delete window.frame; }

    // Builds the window as start-up does: connected while it is created, then the given state.
    void Build(const QString& host = QStringLiteral("localhost")) {
        app.m_strHost = host;
        app.m_bConnected = 1;
        window = CreateLogWindow(app);
        window.frame->resize(640, 480);
    }
    void Feed(const QString& text) { app.AddPendingText(text); }
    QString Pending() { return app.PendingText(); }
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
    CKestraExtShared app;
    LogWindow window;
};
