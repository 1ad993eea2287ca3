// A client's queue of waiting log messages: bounded in UTF-16 code units, oldest dropped first, and the
// number of dropped messages reported in one line ahead of the next text the client reads.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <deque>

namespace logd {

class LogQueue {
public:
    static constexpr qsizetype kDefaultCapacity = qsizetype(1) << 20; // code units

    explicit LogQueue(qsizetype capacity = kDefaultCapacity) : m_capacity(capacity) {}

    // Appends one message (it should end with CR LF). A message longer than the whole capacity is cut.
    void push(QString message);
    // Puts text back at the front, split after each CR LF, so that it is read before anything else.
    void pushFront(const QString& text);
    // Takes as many whole messages as fit in `max` code units or, when the first message alone is longer,
    // its first `max` code units without splitting a surrogate pair (the rest stays queued).
    QString take(qsizetype max);
    void clear();

    bool empty() const { return m_messages.empty() && m_dropped == 0; }
    qsizetype units() const { return m_units; }
    qsizetype count() const { return static_cast<qsizetype>(m_messages.size()); }
    int64_t dropped() const { return m_dropped; }

    static QString dropLine(int64_t count);

private:
    std::deque<QString> m_messages;
    qsizetype m_units = 0;
    qsizetype m_capacity;
    int64_t m_dropped = 0;
};

} // namespace logd
