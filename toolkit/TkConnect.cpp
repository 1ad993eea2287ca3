#include "toolkit/TkConnect.h"

#include "toolkit/MiraboToolkit.h"

namespace mirabo {

namespace {

constexpr std::size_t kMaxProxyLine = 8 * 1024;
constexpr int kMaxProxyHeaderLines = 100;

std::string hostPort(const QString& host, int32_t port) {
    QString h = host.isEmpty() ? QStringLiteral("127.0.0.1") : host;
    if (h.contains(QLatin1Char(':')) && !h.startsWith(QLatin1Char('[')))
        h = QLatin1Char('[') + h + QLatin1Char(']');
    return h.toStdString() + ':' + std::to_string(port);
}

// Reads the proxy's answer up to the blank line that ends it. Ok when the status is 2xx.
Io readProxyAnswer(Socket* socket, Deadline deadline) {
    std::string line;
    Io io = socket->readLine(&line, kMaxProxyLine, deadline);
    if (io != Io::Ok)
        return io;
    // "HTTP/1.x NNN reason"
    const std::size_t space = line.find(' ');
    if (line.rfind("HTTP/", 0) != 0 || space == std::string::npos || line.size() < space + 4)
        return Io::Error;
    const char digit = line[space + 1];
    const bool accepted = digit == '2';
    for (int i = 0; i < kMaxProxyHeaderLines; ++i) {
        io = socket->readLine(&line, kMaxProxyLine, deadline);
        if (io != Io::Ok)
            return io;
        if (line.empty() || line == "\r")
            return accepted ? Io::Ok : Io::Refused;
    }
    return Io::Error;
}

} // namespace

int32_t resultCodeFor(Io io) {
    switch (io) {
    case Io::Ok:
        return MIRABO_OK;
    case Io::Refused:
    case Io::Unresolved:
        return MIRABO_E_ACCESSDENIED;
    case Io::Timeout:
        return MIRABO_E_TIMEOUT;
    default:
        return MIRABO_E_FAIL;
    }
}

int32_t connectEndpoint(const Endpoint& endpoint, Deadline deadline, Socket* socket) {
    const bool proxy = endpoint.viaProxy();
    const QString& host = proxy ? endpoint.proxyHost : endpoint.host;
    const int32_t port = proxy ? endpoint.proxyPort : endpoint.port;
    if (port <= 0 || port > 65535 || (proxy && (endpoint.port <= 0 || endpoint.port > 65535)))
        return MIRABO_E_FAIL;

    std::vector<SocketAddress> addresses;
    Io io = resolveHost(host.toStdString(), port, deadline, socket->abortWord(), &addresses);
    if (io == Io::Ok)
        io = socket->connectTo(addresses, deadline);
    if (io != Io::Ok || !proxy)
        return resultCodeFor(io);

    const std::string target = hostPort(endpoint.host, endpoint.port);
    const std::string request = "CONNECT " + target + " HTTP/1.1\r\nHost: " + target + "\r\n\r\n";
    io = socket->sendAll(request, deadline);
    if (io == Io::Ok)
        io = readProxyAnswer(socket, deadline);
    return resultCodeFor(io);
}

} // namespace mirabo
