#include "FakeLogService.h"

#include <QJsonDocument>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

namespace {

constexpr int kPollMs = 20;

bool sendAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

QJsonValue storeValue(const std::map<QString, QString>& store, const QJsonObject& params) {
    const auto it = store.find(params.value(QStringLiteral("section")).toString() + QLatin1Char('/') +
                               params.value(QStringLiteral("key")).toString());
    return it == store.end() ? QJsonValue(QJsonValue::Null) : QJsonValue(it->second);
}

QJsonObject valueResult(int v) {
    return QJsonObject{{QStringLiteral("value"), v}};
}

} // namespace

FakeLogService::FakeLogService(FakeServiceSettings settings, int port) : m_settings(std::move(settings)) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    socklen_t len = sizeof addr;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        ::close(fd);
        return;
    }
    m_listenFd = fd;
    m_port = ntohs(addr.sin_port);
    m_refusing = true;
    if (!m_settings.refusing)
        listen();
}

bool FakeLogService::listen() {
    if (m_listenFd < 0 || !m_refusing || ::listen(m_listenFd, 16) != 0)
        return false;
    m_refusing = false;
    m_acceptThread = std::thread([this] { acceptLoop(); });
    return true;
}

FakeLogService::~FakeLogService() {
    m_stopping = true;
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    for (std::thread& t : m_connections)
        t.join();
    if (m_listenFd >= 0)
        ::close(m_listenFd);
}

std::vector<FakeRequest> FakeLogService::requests() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_requests;
}

std::vector<QString> FakeLogService::methods(int connection) const {
    std::vector<QString> out;
    for (const FakeRequest& r : requests())
        if (connection < 0 || r.connection == connection)
            out.push_back(r.method);
    return out;
}

void FakeLogService::setSettings(const FakeServiceSettings& settings) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_settings = settings;
}

void FakeLogService::dropConnections() {
    ++m_dropGeneration;
}

void FakeLogService::acceptLoop() {
    while (!m_stopping) {
        pollfd p{m_listenFd, POLLIN, 0};
        if (::poll(&p, 1, kPollMs) <= 0)
            continue;
        const int fd = ::accept(m_listenFd, nullptr, nullptr);
        if (fd < 0)
            continue;
        const int index = m_accepted++;
        m_connections.emplace_back([this, fd, index] { serve(fd, index); });
    }
}

void FakeLogService::serve(int fd, int index) {
    const int generation = m_dropGeneration.load();
    std::string buffer;
    while (!m_stopping && m_dropGeneration.load() == generation) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, kPollMs) <= 0)
            continue;
        char chunk[4096];
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0)
            break;
        buffer.append(chunk, static_cast<size_t>(n));
        size_t eol;
        while ((eol = buffer.find('\n')) != std::string::npos) {
            const QJsonObject request =
                QJsonDocument::fromJson(QByteArray::fromStdString(buffer.substr(0, eol))).object();
            buffer.erase(0, eol + 1);
            const QString method = request.value(QStringLiteral("method")).toString();
            const QJsonObject params = request.value(QStringLiteral("params")).toObject();
            std::optional<QJsonObject> result;
            {
                std::lock_guard<std::mutex> guard(m_mutex);
                // A protocol-1 service in clear: the toolkit's TLS question is a method it does not know,
                // and not one of the requests the tests look at (a silent service keeps it: it is all it
                // ever gets).
                if (method == QLatin1String("tls.start") && !m_settings.silent) {
                    result = QJsonObject{{QStringLiteral("error"), QJsonObject{{QStringLiteral("code"), -32601}}}};
                } else {
                    m_requests.push_back(FakeRequest{index, method, params});
                    result = answer(method, params);
                }
            }
            if (!result)
                continue; // silent
            QJsonObject reply{{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                              {QStringLiteral("id"), request.value(QStringLiteral("id"))}};
            if (result->contains(QStringLiteral("error")))
                reply.insert(QStringLiteral("error"), result->value(QStringLiteral("error")));
            else
                reply.insert(QStringLiteral("result"), *result);
            if (!sendAll(fd, QJsonDocument(reply).toJson(QJsonDocument::Compact) + '\n'))
                break;
        }
    }
    ::close(fd);
}

// Called with m_mutex held.
std::optional<QJsonObject> FakeLogService::answer(const QString& method, const QJsonObject& params) {
    const FakeServiceSettings& s = m_settings;
    if (s.silent)
        return std::nullopt;
    if (method == QLatin1String("hello"))
        return QJsonObject{{QStringLiteral("protocol"), 1},
                           {QStringLiteral("logonRequired"), false},
                           {QStringLiteral("access"), true},
                           {QStringLiteral("station"), QStringLiteral("FAKE")},
                           {QStringLiteral("epoch"), m_epoch}}; // a service state of its own: seq starts afresh
    if (method == QLatin1String("switch.get")) {
        const int index = params.value(QStringLiteral("index")).toInt();
        if (index == 0xFFFF)
            return valueResult(s.mask);
        const auto it = s.switches.find(index);
        return valueResult(it == s.switches.end() ? 0 : it->second);
    }
    if (method == QLatin1String("stamp.get"))
        return valueResult(s.stamp);
    if (method == QLatin1String("opc.get")) {
        const auto it = s.opc.find(params.value(QStringLiteral("kind")).toInt() * 10 + params.value(QStringLiteral("param")).toInt());
        return valueResult(it == s.opc.end() ? 0 : it->second);
    }
    if (method == QLatin1String("service.query"))
        return valueResult(0);
    if (method == QLatin1String("project.path")) {
        if (s.projectPathFails)
            return QJsonObject{{QStringLiteral("error"), QJsonObject{{QStringLiteral("code"), -32002},
                                                                     {QStringLiteral("message"), QStringLiteral("no")}}}};
        return QJsonObject{{QStringLiteral("path"), s.projectFolder + params.value(QStringLiteral("file")).toString()}};
    }
    if (method == QLatin1String("config.get"))
        return QJsonObject{{QStringLiteral("value"), storeValue(s.config, params)}};
    if (method == QLatin1String("profile.get"))
        return QJsonObject{{QStringLiteral("value"), storeValue(s.profile, params)}};
    if (method == QLatin1String("tag.parse")) {
        const bool valid = !params.value(QStringLiteral("name")).toString().startsWith(s.invalidTagPrefix);
        QJsonObject r{{QStringLiteral("valid"), valid}};
        if (valid)
            r.insert(QStringLiteral("id"), 1);
        return r;
    }
    if (method == QLatin1String("log.read")) {
        if (m_settings.reads.empty())
            return QJsonObject{{QStringLiteral("text"), QString()}, {QStringLiteral("seq"), m_seq}};
        const auto [text, waiting] = m_settings.reads.front();
        m_settings.reads.erase(m_settings.reads.begin());
        QJsonObject answer{{QStringLiteral("text"), text}, {QStringLiteral("seq"), ++m_seq}};
        if (waiting)
            answer.insert(QStringLiteral("waiting"), *waiting);
        return answer;
    }
    return QJsonObject{};
}
