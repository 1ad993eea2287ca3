#include "toolkit/TkLink.h"

#include <poll.h>

#include <string>

namespace mirabo {

Link::Link(std::unique_ptr<Socket> socket) : m_socket(std::move(socket)) {}

void Link::setTimeout(int32_t milliseconds) { m_timeout.store(milliseconds > 0 ? milliseconds : kDefaultTimeoutMs); }

void Link::abort() {
    m_lost.store(1);
    m_socket->abort();
}

Reply Link::call(const char* method, const QJsonObject& params) {
    return call(method, params, deadlineIn(m_timeout.load()));
}

bool Link::takeTurn(std::unique_lock<std::mutex>* turn, Deadline deadline) {
    constexpr int kStepMs = 2;
    while (!turn->try_lock()) {
        if (m_lost.load() || stopRequested(m_socket->abortWord()) || Clock::now() >= deadline)
            return false;
        ::poll(nullptr, 0, kStepMs);
    }
    return true;
}

Reply Link::call(const char* method, const QJsonObject& params, Deadline deadline) {
    Reply reply;
    std::unique_lock<std::mutex> turn(m_exchange, std::defer_lock);
    if (m_lost.load() || !takeTurn(&turn, deadline))
        return reply; // Failed: nothing was sent
    if (m_lost.load())
        return reply;

    const int64_t id = m_nextId++;
    Io io = m_socket->sendAll(encodeRequest(id, method, params), deadline);
    std::string line;
    if (io == Io::Ok)
        io = m_socket->readLine(&line, kMaxLineBytes, deadline);
    if (io != Io::Ok) {
        m_lost.store(1);
        reply.kind = Reply::Lost;
        reply.io = io;
        return reply;
    }
    const Answer answer = decodeAnswer(line, id);
    if (answer.kind == Answer::Malformed) {
        m_lost.store(1);
        reply.kind = Reply::Lost;
        reply.io = Io::Error;
        return reply;
    }
    // The service sends nothing but answers: anything beyond this one means the stream is out of step.
    if (m_socket->hasBuffered())
        m_lost.store(1);
    reply.io = Io::Ok;
    if (answer.kind == Answer::Result) {
        reply.kind = Reply::Result;
        reply.result = answer.result;
    } else {
        reply.kind = Reply::Error;
        reply.errorCode = answer.errorCode;
    }
    return reply;
}

bool Link::isLost() {
    if (m_lost.load())
        return true;
    std::unique_lock<std::mutex> turn(m_exchange, std::try_to_lock);
    if (!turn.owns_lock())
        return false; // an exchange is running; it finds out itself
    if (m_socket->hasBuffered() || m_socket->peerStirred())
        m_lost.store(1);
    return m_lost.load() != 0;
}

} // namespace mirabo
