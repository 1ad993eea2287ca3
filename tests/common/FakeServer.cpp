#include "FakeServer.h"

#include <QJsonDocument>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace {

sockaddr_in loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    return a;
}

} // namespace

int connectLoopback(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in a = loopback(port);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof(a)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

FakeConnection::FakeConnection(int fd, int index, const std::atomic<bool>* stopping, const std::atomic<int>* drops)
    : m_fd(fd), m_index(index), m_stopping(stopping), m_drops(drops), m_drop(drops ? drops->load() : 0) {}

FakeConnection::~FakeConnection() { close(); }

void FakeConnection::close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool FakeConnection::readLine(std::string* line, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto pos = m_buffer.find('\n');
        if (pos != std::string::npos) {
            line->assign(m_buffer, 0, pos);
            m_buffer.erase(0, pos + 1);
            if (m_answerTlsQuestion && line->find("\"method\":\"tls.start\"") != std::string::npos) {
                ++m_tlsQuestions;
                sendRaw("{\"jsonrpc\":\"2.0\",\"id\":0,\"error\":{\"code\":-32601,\"message\":\"no TLS\"}}\n");
                continue;
            }
            return true;
        }
        if (m_fd < 0 || stopping() || std::chrono::steady_clock::now() >= end)
            return false;
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0)
            continue;
        char chunk[65536];
        const ssize_t n = ::recv(m_fd, chunk, sizeof(chunk), 0);
        if (n <= 0)
            return false;
        m_buffer.append(chunk, static_cast<size_t>(n));
    }
}

QJsonObject FakeConnection::readRequest(int timeoutMs) {
    std::string line;
    if (!readLine(&line, timeoutMs))
        return {};
    return QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
}

bool FakeConnection::sendRaw(const std::string& bytes) {
    size_t sent = 0;
    while (m_fd >= 0 && sent < bytes.size() && !stopping()) {
        const ssize_t n = ::send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{m_fd, POLLOUT, 0};
            ::poll(&p, 1, 20);
        } else {
            return false;
        }
    }
    return sent == bytes.size();
}

void FakeConnection::sendResult(const QJsonObject& request, const QJsonObject& result) {
    QJsonObject answer{{"jsonrpc", "2.0"}, {"id", request.value("id")}, {"result", result}};
    sendRaw(QJsonDocument(answer).toJson(QJsonDocument::Compact).toStdString() + "\n");
}

void FakeConnection::sendError(const QJsonObject& request, int code) {
    QJsonObject answer{{"jsonrpc", "2.0"}, {"id", request.value("id")},
                       {"error", QJsonObject{{"code", code}, {"message", "scripted error"}}}};
    sendRaw(QJsonDocument(answer).toJson(QJsonDocument::Compact).toStdString() + "\n");
}

void FakeConnection::acceptHello(const QJsonObject& hello, bool logonRequired) {
    sendResult(hello, {{"protocol", 1}, {"station", "TEST"}, {"logonRequired", logonRequired}, {"access", true}});
}

bool FakeConnection::waitPeerClosed(int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (m_fd >= 0 && std::chrono::steady_clock::now() < end && !stopping()) {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0)
            continue;
        char chunk[4096];
        const ssize_t n = ::recv(m_fd, chunk, sizeof(chunk), 0);
        if (n <= 0)
            return true;
    }
    return false;
}

void FakeConnection::idle(int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!stopping() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

FakeServer::FakeServer(Handler handler, bool listening, int port) : m_handler(std::move(handler)) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    sockaddr_in a = loopback(port);
    socklen_t len = sizeof(a);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof(a)) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        ::close(fd);
        return;
    }
    m_listenFd = fd;
    m_port = ntohs(a.sin_port);
    if (listening)
        listen();
}

bool FakeServer::listen() {
    if (m_listenFd < 0 || m_listening || ::listen(m_listenFd, 16) != 0)
        return false;
    m_listening = true;
    m_acceptThread = std::thread([this] { acceptLoop(); });
    return true;
}

FakeServer::~FakeServer() {
    m_stopping.store(true);
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    if (m_listenFd >= 0)
        ::close(m_listenFd);
    std::vector<std::thread> workers;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        workers.swap(m_workers);
    }
    for (auto& t : workers)
        t.join();
}

void FakeServer::acceptLoop() {
    while (!m_stopping.load()) {
        pollfd p{m_listenFd, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0)
            continue;
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        const int index = m_accepted.fetch_add(1);
        std::lock_guard<std::mutex> guard(m_mutex);
        m_workers.emplace_back([this, fd, index] {
            FakeConnection c(fd, index, &m_stopping, &m_drops);
            m_handler(c);
        });
    }
}

QJsonObject standardResult(const QJsonObject& request, const QJsonObject& values) {
    const QString method = request.value("method").toString();
    const QJsonObject params = request.value("params").toObject();
    if (method == "switch.get")
        return {{"value", 100 + params.value("index").toInt()}};
    if (method == "opc.get")
        return {{"value", 1000 * params.value("kind").toInt() + params.value("param").toInt()}};
    if (method == "stamp.get" || method == "service.query")
        return {{"value", 7}};
    if (method == "config.get" || method == "profile.get") {
        const QString key = params.value("section").toString() + "/" + params.value("key").toString();
        return {{"value", values.contains(key) ? values.value(key) : QJsonValue(QJsonValue::Null)}};
    }
    if (method == "log.read")
        return {{"text", ""}, {"seq", params.value("ack").toInt()}};
    if (method == "project.path")
        return {{"path", "/srv/project/" + params.value("file").toString()}};
    if (method == "tag.normalize")
        return {{"name", params.value("name").toString().trimmed()}};
    if (method == "tag.parse")
        return params.value("name").toString().startsWith("T") ? QJsonObject{{"valid", true}, {"id", 42}}
                                                                : QJsonObject{{"valid", false}};
    return {};
}

void serveStandard(FakeConnection& c) { serveWithValues(c, {}); }

void serveWithValues(FakeConnection& c, const QJsonObject& values) {
    const QJsonObject hello = c.readRequest();
    if (hello.value("method") != "hello")
        return;
    c.acceptHello(hello);
    for (;;) {
        const QJsonObject request = c.readRequest(60000);
        if (request.isEmpty())
            return;
        c.sendResult(request, standardResult(request, values));
    }
}
