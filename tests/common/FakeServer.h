// A scripted stand-in for the log service: listens on 127.0.0.1, runs a handler per connection on a
// thread of its own, and lets the handler read request lines and send any bytes it likes. It can also
// hold its port without listening (a connect is refused) until listen(), and drop every open connection.
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
    // `stopping` ends the connection's waits; so does a change of `drops` after construction, if given.
    FakeConnection(int fd, int index, const std::atomic<bool>* stopping, const std::atomic<int>* drops = nullptr);
    ~FakeConnection();

    int index() const { return m_index; } // 0 for the first accepted connection

    // Reads one line (without its LF). False on end of stream, time-out or stopping().
    bool readLine(std::string* line, int timeoutMs = 5000);
    // Reads one request; an empty object on failure.
    QJsonObject readRequest(int timeoutMs = 5000);
    bool sendRaw(const std::string& bytes); // false when not all of it went out
    void sendResult(const QJsonObject& request, const QJsonObject& result);
    void sendError(const QJsonObject& request, int code);
    // Answers hello granting access (station "TEST").
    void acceptHello(const QJsonObject& hello, bool logonRequired = false);
    // Waits until the peer closes; true when it did within the time.
    bool waitPeerClosed(int timeoutMs);
    // Waits (without reading) until stopping() or the time passes.
    void idle(int timeoutMs);
    void close();
    int fd() const { return m_fd; }
    // True once the server stops or dropped the connection: the handler should end.
    bool stopping() const { return m_stopping->load() || (m_drops && m_drops->load() != m_drop); }

    // A service of protocol 1 that speaks clear: the toolkit's TLS question (docs/protocol.md) is
    // answered "method not found" by readLine itself, unless a test wants to see it.
    void passTlsQuestion() { m_answerTlsQuestion = false; }
    int tlsQuestions() const { return m_tlsQuestions; }

private:
    int m_fd;
    int m_index;
    const std::atomic<bool>* m_stopping;
    const std::atomic<int>* m_drops;
    int m_drop;
    std::string m_buffer;
    bool m_answerTlsQuestion = true;
    int m_tlsQuestions = 0;
};

class FakeServer {
public:
    using Handler = std::function<void(FakeConnection&)>;
    // Binds 127.0.0.1:`port` (0: a free one) and listens, unless `listening` is false. On a failed bind
    // port() is 0 and nothing listens.
    explicit FakeServer(Handler handler, bool listening = true, int port = 0);
    ~FakeServer(); // stops accepting, tells every handler to end and joins them

    // Starts listening on the port of a server made not listening; false if it cannot.
    bool listen();
    bool listening() const { return m_listening; }
    int port() const { return m_port; }
    int accepted() const { return m_accepted.load(); }
    // Tells the handler of every open connection to end; the peer sees the end of the stream when it
    // does. Connections accepted afterwards are served as usual.
    void dropConnections() { ++m_drops; }

private:
    void acceptLoop();

    Handler m_handler;
    int m_listenFd = -1;
    int m_port = 0;
    bool m_listening = false;
    std::atomic<bool> m_stopping{false};
    std::atomic<int> m_accepted{0};
    std::atomic<int> m_drops{0};
    std::thread m_acceptThread;
    std::mutex m_mutex;
    std::vector<std::thread> m_workers;
};

// A descriptor connected to 127.0.0.1:`port` (-1 on failure), e.g. for a FakeConnection of a relay.
int connectLoopback(int port);

// A handler that behaves like a small, well-mannered service: switch.get answers 100 + index,
// opc.get 1000 * kind + param, config/profile values from `values` (absent key -> null).
QJsonObject standardResult(const QJsonObject& request, const QJsonObject& values = {});
void serveStandard(FakeConnection& c);
void serveWithValues(FakeConnection& c, const QJsonObject& values);

// A connection that is accepted and never answered (used for silent-server cases).
inline void serveSilently(FakeConnection& c) { c.idle(60000); }
