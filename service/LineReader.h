// Splits a byte stream into LF-terminated lines and enforces the framing limits of the protocol.
#pragma once

#include <QByteArray>

namespace logd {

class LineReader {
public:
    enum class Result { Line, NeedMore, TooLong };

    explicit LineReader(qsizetype maxLine) : m_maxLine(maxLine) {}

    void append(const QByteArray& bytes) {
        m_buffer.append(bytes);
        m_lines += bytes.count('\n');
    }
    // Takes the next complete line (without its LF) into `line`. TooLong means a line exceeds the limit;
    // the reader is then unusable and the caller drops the stream.
    Result next(QByteArray* line);
    qsizetype buffered() const { return m_buffer.size() - m_pos; }
    // Complete lines buffered and not yet taken.
    qsizetype lines() const { return m_lines; }
    qsizetype maxLine() const { return m_maxLine; }

private:
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    qsizetype m_scanned = 0; // bytes after m_pos already known to hold no LF
    qsizetype m_maxLine;
    qsizetype m_lines = 0;
};

} // namespace logd
