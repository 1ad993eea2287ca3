// One link: a connection to the log service and its request/response exchange.
#pragma once

#include "toolkit/TkJson.h"
#include "toolkit/TkSocket.h"

#include <QJsonObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

namespace mirabo {

constexpr int32_t kDefaultTimeoutMs = 60000;

// The outcome of one request.
struct Reply {
    enum Kind {
        Result,  // the service answered with a result (in `result`)
        Error,   // the service answered with an error (`errorCode`); the link stays up
        Failed,  // no exchange took place (link already lost, or busy past the deadline)
        Lost,    // the exchange failed at the transport level (`io` says how); the link is now lost
    } kind = Failed;
    QJsonObject result;
    int32_t errorCode = 0;
    Io io = Io::Error;
};

class Link {
public:
    explicit Link(std::unique_ptr<Socket> socket);

    // One request/response exchange, bounded by `deadline` (including the wait for another thread's
    // exchange on this link to end). A second thread waits for the first; neither pipelines.
    Reply call(const char* method, const QJsonObject& params, Deadline deadline);
    // The same with the link's time-out.
    Reply call(const char* method, const QJsonObject& params);

    // The epoch that the service's hello answered on this connection (set before the link is shared).
    void setEpoch(const QString& epoch) { m_epoch = epoch; }
    const QString& epoch() const { return m_epoch; }

    void setTimeout(int32_t milliseconds);
    int32_t timeout() const { return m_timeout.load(); }

    // True once an exchange failed, the peer closed or sent something unasked, or markLost was called.
    // Does not wait: while another thread's exchange runs it reports the state known so far.
    bool isLost();
    void markLost() { m_lost.store(1); }
    // Ends a running exchange promptly (it then fails and marks the link lost) and every later one.
    void abort();

private:
    // One exchange at a time: m_exchange is held from the request's first byte to the answer's last.
    // A second thread polls for it in short steps, so that its own stop request is seen meanwhile.
    bool takeTurn(std::unique_lock<std::mutex>* turn, Deadline deadline);

    std::unique_ptr<Socket> m_socket;
    std::mutex m_exchange;
    std::atomic<int32_t> m_lost{0};
    std::atomic<int32_t> m_timeout{kDefaultTimeoutMs};
    int64_t m_nextId = 1; // guarded by m_exchange
    QString m_epoch;
};

} // namespace mirabo
