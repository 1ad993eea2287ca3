// Test helper: runs a real mirabo-logd with a private copy of a project folder. The helper takes a free
// port from the system and holds it for its whole life, so no test ever guesses a free port, and a
// restarted service gets its old port back even while other tests open connections and services beside
// it.
#pragma once

#include "ChildProcess.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class LogdProcess {
public:
    // Copies `projectSource` (default: the demo project shipped with the source) into a temporary folder.
    explicit LogdProcess(const QString& projectSource = QString());
    ~LogdProcess();

    // Where start() listens: 127.0.0.1 unless set (for example "0.0.0.0", reached by another address of
    // this machine). Before start().
    void setListenAddress(const QString& address) { m_address = address; }
    // Starts the service on the listen address (port 0 = a free port, held for restart()).
    // `extraArgs` are appended to the command line (for example "--require-logon" or "--sim-interval", "0").
    // Returns false when it did not report that it listens within 10 s.
    bool start(const QStringList& extraArgs = {}, quint16 port = 0);
    // Kills the service at once (SIGKILL), as a crash or a lost station would.
    void kill();
    // Stops it cleanly (SIGTERM) and waits for the exit.
    void stop();
    // Starts it again on the same port with the same arguments (as a restarted station would come back).
    bool restart();

    bool running() const;
    qint64 pid() const; // 0 when not running
    quint16 port() const { return m_port; }
    QString projectDir() const;
    // Injects one log line: category is a switch index 0-13, or -1 for "every client with log output on".
    bool inject(int category, const QString& text);
    // What the service wrote to standard error so far.
    QString errorOutput();
    // The fingerprint of the TLS key that the last start of a --tls service announced; empty without.
    QString fingerprint();
    // Changes the station's key: the made pair in the project folder is removed, so the next start makes
    // another one.
    void forgetKey() const;
    // Adds or replaces a user of the project with the service's own --add-user (works while it runs too).
    bool addUser(const QString& name, const QString& password, bool mayReadLog = true) const;

private:
    void releasePort();

    std::unique_ptr<QTemporaryDir> m_dir;
    mutable ChildProcess m_proc;
    QStringList m_args;
    QString m_address = QStringLiteral("127.0.0.1");
    quint16 m_port = 0;
    int m_portHolder = -1; // keeps m_port ours while the service is down (see reservePort)
    QString m_stderr;
};
