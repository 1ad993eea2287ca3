#include "toolkit/TkLink.h"

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

bool Link::takeTurn(Deadline deadline, bool wait) {
    std::unique_lock<std::mutex> lock(m_turnMutex);
    // Another thread's exchange is waited for in slices, so that a stop request is seen here too.
    while (m_busy) {
        if (!wait || m_lost.load() || stopRequested(m_socket->abortWord()))
            return false;
        const int slice = nextSliceMs(deadline);
        if (slice == 0)
            return false;
        m_turnFree.wait_for(lock, std::chrono::milliseconds(slice));
    }
    m_busy = true;
    return true;
}

void Link::giveTurn() {
    {
        std::lock_guard<std::mutex> guard(m_turnMutex);
        m_busy = false;
    }
    m_turnFree.notify_one();
}

Reply Link::call(const char* method, const QJsonObject& params, Deadline deadline) {
    Reply reply;
    if (m_lost.load() || !takeTurn(deadline, true))
        return reply; // Failed: nothing was sent
    struct Turn {
        Link* link;
        ~Turn() { link->giveTurn(); }
    } turn{this};
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
    if (!takeTurn(Clock::now(), false))
        return false; // an exchange is running; it finds out itself
    if (m_socket->hasBuffered() || m_socket->peerStirred())
        m_lost.store(1);
    giveTurn();
    return m_lost.load() != 0;
}

} // namespace mirabo
