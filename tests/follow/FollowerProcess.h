// One kestra-follow process for a test: its settings folder in a home of its own, what it writes kept as
// it comes. Without a terminal of its own unless given one: a pseudo-terminal the test answers through.
#pragma once

#include <QDeadlineTimer>
#include <QProcess>
#include <QString>

#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <functional>

inline const QString kProgram = QStringLiteral(KESTRA_BIN_DIR "/kestra-follow");

// One kestra-follow process whose settings folder lies in `home`.
class Follower {
public:
    explicit Follower(const QString& home, bool terminal = false) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("XDG_DATA_HOME"), home);
        proc.setProcessEnvironment(env);
        if (terminal && ::openpty(&m_terminal, &m_terminalSide, nullptr, nullptr, nullptr) == 0) {
            ::fcntl(m_terminal, F_SETFL, O_NONBLOCK);
            const int side = m_terminalSide;
            // A session of its own whose terminal is the pseudo-terminal: /dev/tty is ours to answer.
            proc.setChildProcessModifier([side] {
                ::setsid();
                ::ioctl(side, TIOCSCTTY, 0);
            });
        } else {
            proc.setChildProcessModifier([] { ::setsid(); }); // no terminal: the test's own stays out of it
        }
    }
    Follower(const QStringList& arguments, const QString& home) : Follower(home) { proc.start(kProgram, arguments); }
    ~Follower() {
        proc.kill();
        proc.waitForFinished(10000);
        if (m_terminal >= 0) {
            ::close(m_terminal);
            ::close(m_terminalSide);
        }
    }
    // What the program wrote on its terminal so far, and a line typed there.
    QString terminalText() {
        char chunk[4096];
        for (ssize_t n; m_terminal >= 0 && (n = ::read(m_terminal, chunk, sizeof chunk)) > 0;)
            m_terminalText += QString::fromUtf8(chunk, n);
        return m_terminalText;
    }
    void type(const QByteArray& line) {
        if (m_terminal >= 0)
            ::write(m_terminal, line.constData(), size_t(line.size()));
    }
    // Waits until `done` holds for what the program has written so far (standard output, standard error).
    bool waitFor(const std::function<bool()>& done, int ms = 30000) {
        const QDeadlineTimer deadline(ms);
        for (;;) {
            out += QString::fromUtf8(proc.readAllStandardOutput());
            err += QString::fromUtf8(proc.readAllStandardError());
            if (done())
                return true;
            if (deadline.hasExpired() || proc.state() == QProcess::NotRunning)
                return false;
            proc.waitForReadyRead(100);
        }
    }
    bool waitForOutput(const QString& text, qsizetype from = 0) {
        return waitFor([&] { return out.indexOf(text, from) >= 0; });
    }
    // The exit code, or -1 when it did not end normally within the time.
    int waitForExit() {
        waitFor([] { return false; });
        return proc.exitStatus() == QProcess::NormalExit && proc.state() == QProcess::NotRunning ? proc.exitCode() : -1;
    }

    QProcess proc;
    QString out;
    QString err;

private:
    int m_terminal = -1;
    int m_terminalSide = -1;
    QString m_terminalText;
};

