#include "service/LogQueue.h"

namespace logd {

QString LogQueue::dropLine(int64_t count) {
    return QStringLiteral("mirabo-logd: %1 message%2 dropped because the client did not read in time\r\n")
        .arg(count)
        .arg(count == 1 ? QString() : QStringLiteral("s"));
}

void LogQueue::push(QString message) {
    if (message.size() > m_capacity) {
        qsizetype cut = m_capacity - 2;
        if (cut > 0 && message.at(cut - 1).isHighSurrogate())
            --cut;
        message = message.left(cut) + QStringLiteral("\r\n");
    }
    m_units += message.size();
    m_messages.push_back(std::move(message));
    while (m_units > m_capacity && !m_messages.empty()) {
        m_units -= m_messages.front().size();
        m_messages.pop_front();
        ++m_dropped;
    }
}

void LogQueue::pushFront(const QString& text) {
    QStringList pieces;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(QStringLiteral("\r\n"), start);
        end = end < 0 ? text.size() : end + 2;
        pieces.append(text.mid(start, end - start));
        start = end;
    }
    for (auto it = pieces.crbegin(); it != pieces.crend(); ++it) {
        m_units += it->size();
        m_messages.push_front(*it);
    }
}

QString LogQueue::take(qsizetype max) {
    if (m_dropped > 0) {
        const QString line = dropLine(m_dropped);
        m_dropped = 0;
        m_units += line.size();
        m_messages.push_front(line);
    }
    QString out;
    while (!m_messages.empty()) {
        QString& front = m_messages.front();
        if (out.size() + front.size() <= max) {
            out += front;
            m_units -= front.size();
            m_messages.pop_front();
            continue;
        }
        if (out.isEmpty()) {
            qsizetype cut = max;
            if (cut > 0 && front.at(cut - 1).isHighSurrogate())
                --cut;
            out = front.left(cut);
            front.remove(0, cut);
            m_units -= cut;
        }
        break;
    }
    return out;
}

void LogQueue::clear() {
    m_messages.clear();
    m_units = 0;
    m_dropped = 0;
}

} // namespace logd
