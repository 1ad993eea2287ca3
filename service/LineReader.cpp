#include "service/LineReader.h"

namespace logd {

LineReader::Result LineReader::next(QByteArray* line) {
    const qsizetype lf = m_buffer.indexOf('\n', m_pos + m_scanned);
    if (lf < 0) {
        m_scanned = m_buffer.size() - m_pos;
        if (m_scanned > m_maxLine)
            return Result::TooLong;
        if (m_pos > 0 && m_pos * 2 > m_buffer.size()) { // compact the consumed front now and then
            m_buffer.remove(0, m_pos);
            m_pos = 0;
        }
        return Result::NeedMore;
    }
    if (lf - m_pos > m_maxLine)
        return Result::TooLong;
    *line = m_buffer.mid(m_pos, lf - m_pos);
    m_pos = lf + 1;
    --m_lines;
    m_scanned = 0;
    if (m_pos == m_buffer.size()) {
        m_buffer.clear();
        m_pos = 0;
    }
    return Result::Line;
}

} // namespace logd
