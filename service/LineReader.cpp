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
    m_scanned = 0;
    if (m_pos == m_buffer.size()) {
        m_buffer.clear();
        m_pos = 0;
    }
    return Result::Line;
}

bool isValidUtf8(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int extra = 0;
        uint32_t cp = 0;
        uint32_t min = 0;
        if ((c & 0xE0) == 0xC0) {
            extra = 1;
            cp = c & 0x1F;
            min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            cp = c & 0x0F;
            min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            cp = c & 0x07;
            min = 0x10000;
        } else {
            return false;
        }
        if (i + extra >= n)
            return false;
        for (int k = 1; k <= extra; ++k) {
            const unsigned char cc = p[i + k];
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

} // namespace logd
