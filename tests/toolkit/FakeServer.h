// A scripted stand-in for the log service: listens on 127.0.0.1, runs a handler per connection on a
// thread of its own, and lets the handler read request lines and send any bytes it likes.
#pragma once

#include <QJsonObject>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class FakeConnection {
public:
    FakeConnection(int fd, int index, const std::atomic<bool>* stopping);
    ~FakeConnection();

    int index() const { return m_index; } // 0 for the first accepted connection

    // Reads one line (without its LF). False on end of stream, time-out or server stop.
    bool readLine(std::string* line, int timeoutMs = 5000);
    // Reads one request; an empty object on failure.
    QJsonObject readRequest(int timeoutMs = 5000);
    void sendRaw(const std::string& bytes);
    void sendResult(const QJsonObject& request, const QJsonObject& result);
    void sendError(const QJsonObject& request, int code);
    // Answers hello granting access (station "TEST").
    void acceptHello(const QJsonObject& hello, bool logonRequired = false);
    // Waits until the peer closes; true when it did within the time.
    bool waitPeerClosed(int timeoutMs);
    // Waits (without reading) until the server stops or the time passes.
    void idle(int timeoutMs);
    void close();
    int fd() const { return m_fd; }
    bool stopping() const { return m_stopping->load(); }

    // A service of protocol 1 that speaks clear: the toolkit's TLS question (docs/protocol.md) is
    // answered "method not found" by readLine itself, unless a test wants to see it.
    void passTlsQuestion() { m_answerTlsQuestion = false; }
    int tlsQuestions() const { return m_tlsQuestions; }

private:
    int m_fd;
    int m_index;
    const std::atomic<bool>* m_stopping;
    std::string m_buffer;
    bool m_answerTlsQuestion = true;
    int m_tlsQuestions = 0;
};

class FakeServer {
public:
    using Handler = std::function<void(FakeConnection&)>;
    explicit FakeServer(Handler handler);
    ~FakeServer(); // stops accepting, tells every handler to end and joins them

    int port() const { return m_port; }
    int accepted() const { return m_accepted.load(); }

private:
    void acceptLoop();

    Handler m_handler;
    int m_listenFd = -1;
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::atomic<int> m_accepted{0};
    std::thread m_acceptThread;
    std::mutex m_mutex;
    std::vector<std::thread> m_workers;
};

// A handler that behaves like a small, well-mannered service: switch.get answers 100 + index,
// opc.get 1000 * kind + param, config/profile values from `values` (absent key -> null).
QJsonObject standardResult(const QJsonObject& request, const QJsonObject& values = {});
void serveStandard(FakeConnection& c);
void serveWithValues(FakeConnection& c, const QJsonObject& values);

// A connection that is accepted and never answered (used for silent-server cases).
inline void serveSilently(FakeConnection& c) { c.idle(60000); }
