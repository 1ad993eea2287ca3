#include "settings/PrivateProfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <limits>
#include <mutex>
#include <optional>
#include <vector>

namespace profile {
namespace {

enum class Encoding { Utf8, Utf8Bom, Utf16Le };

// One line of the file: where its bytes start and end (without the line break) and where the next
// line starts.
struct Line {
    qsizetype begin = 0;
    qsizetype end = 0;
    qsizetype next = 0;
    QString text;
};

struct ParsedFile {
    Encoding encoding = Encoding::Utf8;
    QByteArray bytes;
    std::vector<Line> lines;
    QByteArray lineBreak = "\n";
};

// Serialises writers inside the process so that two writes of one file never interleave.
std::mutex& writeMutex() {
    static std::mutex m;
    return m;
}

QString decode(const QByteArray& bytes, Encoding enc) {
    if (enc == Encoding::Utf16Le) {
        const qsizetype units = bytes.size() / 2;
        return QString(reinterpret_cast<const QChar*>(bytes.constData()), units);
    }
    return QString::fromUtf8(bytes);
}

QByteArray encode(const QString& text, Encoding enc) {
    if (enc == Encoding::Utf16Le)
        return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    return text.toUtf8();
}

// Splits the file into lines. UTF-16 files are handled on the decoded text's own units (two bytes
// each), so offsets stay byte offsets in both cases.
ParsedFile parse(const QByteArray& raw) {
    ParsedFile f;
    f.bytes = raw;
    qsizetype start = 0;
    if (raw.startsWith("\xFF\xFE")) {
        f.encoding = Encoding::Utf16Le;
        start = 2;
    } else if (raw.startsWith("\xEF\xBB\xBF")) {
        f.encoding = Encoding::Utf8Bom;
        start = 3;
    }
    const bool wide = f.encoding == Encoding::Utf16Le;
    const qsizetype step = wide ? 2 : 1;
    auto unitAt = [&](qsizetype i) -> char16_t {
        if (!wide)
            return static_cast<unsigned char>(raw[i]);
        return static_cast<char16_t>(static_cast<unsigned char>(raw[i]) |
                                     (static_cast<unsigned char>(raw[i + 1]) << 8));
    };
    const qsizetype size = wide ? raw.size() - ((raw.size() - start) % 2) : raw.size();
    qsizetype i = start;
    bool sawCrLf = false;
    while (i < size) {
        qsizetype j = i;
        while (j < size && unitAt(j) != u'\n')
            j += step;
        qsizetype end = j;
        if (end > i && unitAt(end - step) == u'\r') {
            end -= step;
            if (j < size)
                sawCrLf = true;
        }
        Line line;
        line.begin = i;
        line.end = end;
        line.next = j < size ? j + step : size;
        line.text = decode(raw.mid(i, end - i), f.encoding);
        f.lines.push_back(std::move(line));
        i = j < size ? j + step : size;
    }
    if (sawCrLf)
        f.lineBreak = "\r\n";
    return f;
}

std::optional<QByteArray> readFile(const QString& path) {
    QFileInfo info(path);
    if (path.isEmpty() || !info.exists() || info.isDir())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

QString sectionName(const QString& line) {
    const QString t = line.trimmed();
    if (!t.startsWith(u'['))
        return {};
    const qsizetype close = t.indexOf(u']');
    return (close < 0 ? t.mid(1) : t.mid(1, close - 1)).trimmed();
}

bool isSection(const QString& line) { return line.trimmed().startsWith(u'['); }

bool splitKey(const QString& line, QString* key, QString* value) {
    const QString t = line.trimmed();
    if (t.isEmpty() || t.startsWith(u';') || t.startsWith(u'['))
        return false;
    const qsizetype eq = t.indexOf(u'=');
    if (eq < 0)
        return false;
    *key = t.left(eq).trimmed();
    if (value)
        *value = t.mid(eq + 1).trimmed();
    return true;
}

QString unquote(const QString& v) {
    if (v.size() >= 2) {
        const QChar a = v.front();
        const QChar b = v.back();
        if ((a == u'"' && b == u'"') || (a == u'\'' && b == u'\''))
            return v.mid(1, v.size() - 2);
    }
    return v;
}

// Index of the first line of the first matching section's body, and one past its last line.
std::optional<std::pair<size_t, size_t>> findSection(const ParsedFile& f, const QString& section) {
    for (size_t i = 0; i < f.lines.size(); ++i) {
        if (!isSection(f.lines[i].text) ||
            sectionName(f.lines[i].text).compare(section, Qt::CaseInsensitive) != 0)
            continue;
        size_t end = i + 1;
        while (end < f.lines.size() && !isSection(f.lines[end].text))
            ++end;
        return std::make_pair(i + 1, end);
    }
    return std::nullopt;
}

std::optional<QString> findValue(const QString& section, const QString& key, const QString& file) {
    const auto raw = readFile(file);
    if (!raw)
        return std::nullopt;
    const ParsedFile f = parse(*raw);
    const auto range = findSection(f, section);
    if (!range)
        return std::nullopt;
    for (size_t i = range->first; i < range->second; ++i) {
        QString k, v;
        if (splitKey(f.lines[i].text, &k, &v) && k.compare(key, Qt::CaseInsensitive) == 0)
            return unquote(v);
    }
    return std::nullopt;
}

bool writeBytes(const QString& path, const QByteArray& bytes) {
    const QFileInfo info(path);
    if (path.isEmpty() || info.isDir() || !info.absoluteDir().exists())
        return false;
    QSaveFile save(path);
    if (save.open(QIODevice::WriteOnly)) {
        if (save.write(bytes) == bytes.size() && save.commit())
            return true;
        save.cancelWriting();
    }
    // The folder may refuse new files while the file itself is writable: write in place.
    if (!info.exists())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(bytes) == bytes.size() && file.flush();
}

bool hasLineBreak(const QString& s) { return s.contains(u'\n') || s.contains(u'\r'); }

} // namespace

int32_t LeadingDecimal(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    uint32_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
        value = value * 10u + static_cast<uint32_t>(text[i].unicode() - u'0');
    if (negative)
        value = 0u - value;
    return static_cast<int32_t>(value);
}

QString GetPrivateProfileString(const QString& section, const QString& key, const QString& def, int capacity,
                                const QString& file) {
    if (capacity <= 0)
        return {};
    QString value = findValue(section, key, file).value_or(def);
    if (value.size() > capacity - 1)
        value.truncate(capacity - 1);
    return value;
}

int32_t GetPrivateProfileInt(const QString& section, const QString& key, int32_t def, const QString& file) {
    const auto value = findValue(section, key, file);
    if (!value)
        return def;
    return LeadingDecimal(*value);
}

bool WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& file) {
    // A name or value that would break the line structure is refused rather than written.
    if (section.trimmed().isEmpty() || key.trimmed().isEmpty() || hasLineBreak(section) ||
        hasLineBreak(key) || hasLineBreak(value) || key.contains(u'=') || section.contains(u']'))
        return false;

    std::lock_guard guard(writeMutex());
    const auto raw = readFile(file);
    if (!raw && QFileInfo(file).isDir())
        return false;
    ParsedFile f = parse(raw.value_or(QByteArray()));
    const Encoding enc = raw ? f.encoding : Encoding::Utf8;
    const QByteArray br = enc == Encoding::Utf16Le ? encode(QString::fromLatin1(f.lineBreak), enc) : f.lineBreak;
    QByteArray out = f.bytes;

    const auto range = findSection(f, section);
    if (range) {
        for (size_t i = range->first; i < range->second; ++i) {
            QString k;
            if (!splitKey(f.lines[i].text, &k, nullptr) || k.compare(key, Qt::CaseInsensitive) != 0)
                continue;
            const Line& line = f.lines[i];
            out.replace(line.begin, line.end - line.begin, encode(k + u'=' + value, enc));
            return writeBytes(file, out);
        }
        // New key: after the section's last non-blank line.
        size_t last = range->first - 1;
        for (size_t i = range->first; i < range->second; ++i)
            if (!f.lines[i].text.trimmed().isEmpty())
                last = i;
        const Line& anchor = f.lines[last];
        QByteArray insert = encode(key + u'=' + value, enc) + br;
        if (anchor.next == anchor.end) // the anchor is the last line and has no line break
            insert = br + encode(key + u'=' + value, enc) + br;
        out.insert(anchor.next, insert);
        return writeBytes(file, out);
    }

    // New section at the end of the file.
    QByteArray tail;
    if (!f.lines.empty()) {
        const Line& lastLine = f.lines.back();
        if (lastLine.next == lastLine.end)
            tail += br;
        tail += br;
    }
    tail += encode(u'[' + section + u']', enc) + br + encode(key + u'=' + value, enc) + br;
    return writeBytes(file, out + tail);
}

} // namespace profile
