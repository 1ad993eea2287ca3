#include "settings/PrivateProfile.h"

#include "base/Numbers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <mutex>
#include <optional>
#include <vector>

namespace profile {
namespace {

enum class Encoding { Utf8, Utf8Bom, Utf16Le };

// One line of the file: where its bytes start and end (without the line break), where the next line
// starts, and whether a line break ends it (only the last line may lack one).
struct Line {
    qsizetype begin = 0;
    qsizetype end = 0;
    qsizetype next = 0;
    bool hasBreak = false;
    QString text;
};

struct ParsedFile {
    Encoding encoding = Encoding::Utf8;
    QByteArray bytes;
    std::vector<Line> lines;
    QByteArray lineBreak = "\n";
    // End of the text proper. A UTF-16 file with an odd byte count keeps its stray last byte after it,
    // so text appended at the end goes before that byte and stays aligned.
    qsizetype contentEnd = 0;
};

// Serialises writers inside the process so that two writes of one file never interleave.
std::mutex& writeMutex() {
    static std::mutex m;
    return m;
}

QString decode(const QByteArray& bytes, qsizetype from, qsizetype to, Encoding enc) {
    if (enc != Encoding::Utf16Le)
        return QString::fromUtf8(bytes.constData() + from, to - from);
    QString text;
    text.reserve((to - from) / 2);
    for (qsizetype i = from; i + 1 < to; i += 2)
        text.append(QChar(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                (static_cast<unsigned char>(bytes[i + 1]) << 8))));
    return text;
}

QByteArray encode(const QString& text, Encoding enc) {
    if (enc != Encoding::Utf16Le)
        return text.toUtf8();
    QByteArray out;
    out.reserve(text.size() * 2);
    for (const QChar c : text) {
        out.append(static_cast<char>(c.unicode() & 0xFF));
        out.append(static_cast<char>(c.unicode() >> 8));
    }
    return out;
}

// Splits the file into lines at LF; a CR before the LF belongs to the line break. Offsets are byte
// offsets for both encodings (UTF-16 units are read two bytes at a time).
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
    f.contentEnd = size;
    qsizetype i = start;
    bool sawCrLf = false;
    while (i < size) {
        qsizetype j = i;
        while (j < size && unitAt(j) != u'\n')
            j += step;
        Line line;
        line.begin = i;
        line.hasBreak = j < size;
        line.end = j;
        if (line.hasBreak && j > i && unitAt(j - step) == u'\r') {
            line.end -= step;
            sawCrLf = true;
        }
        line.next = line.hasBreak ? j + step : size;
        line.text = decode(raw, line.begin, line.end, f.encoding);
        i = line.next;
        f.lines.push_back(std::move(line));
    }
    if (sawCrLf)
        f.lineBreak = "\r\n";
    return f;
}

// The file's bytes; std::nullopt when there is no regular file at `path` or it cannot be read.
std::optional<QByteArray> readFile(const QString& path) {
    if (path.isEmpty())
        return std::nullopt;
    const QFileInfo info(path);
    if (!info.isFile()) // missing, a directory, or a device or pipe that must not be read to its end
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

bool isSection(const QString& line) { return line.trimmed().startsWith(u'['); }

QString sectionName(const QString& line) {
    const QString t = line.trimmed();
    if (!t.startsWith(u'['))
        return {};
    const qsizetype close = t.indexOf(u']');
    return (close < 0 ? t.mid(1) : t.mid(1, close - 1)).trimmed();
}

// A "key=value" line; comment lines (';') and section lines are not.
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
    const auto range = findSection(f, section.trimmed());
    if (!range)
        return std::nullopt;
    const QString wanted = key.trimmed();
    for (size_t i = range->first; i < range->second; ++i) {
        QString k, v;
        if (splitKey(f.lines[i].text, &k, &v) && k.compare(wanted, Qt::CaseInsensitive) == 0)
            return unquote(v);
    }
    return std::nullopt;
}

bool writeBytes(const QString& path, const QByteArray& bytes) {
    const QFileInfo info(path);
    if (!info.absoluteDir().exists())
        return false;
    QSaveFile save(path);
    if (save.open(QIODevice::WriteOnly)) {
        if (save.write(bytes) == bytes.size() && save.commit())
            return true;
        save.cancelWriting();
    }
    // The folder may refuse new files while the file itself is writable: write in place.
    if (!info.isFile())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(bytes) == bytes.size() && file.flush();
}

bool hasLineBreak(const QString& s) { return s.contains(u'\n') || s.contains(u'\r'); }

// Names that the file could not give back: empty, or spoiling the line they are written on.
bool badSection(const QString& s) { return s.isEmpty() || hasLineBreak(s) || s.contains(u']'); }
bool badKey(const QString& k) {
    return k.isEmpty() || hasLineBreak(k) || k.contains(u'=') || k.startsWith(u'[') || k.startsWith(u';');
}

} // namespace

QString GetPrivateProfileString(const QString& section, const QString& key, const QString& def, int capacity,
                                const QString& file) {
    if (capacity <= 0)
        return {};
    QString value = findValue(section, key, file).value_or(def);
    if (value.size() > capacity - 1) {
        value.truncate(capacity - 1);
        if (!value.isEmpty() && value.back().isHighSurrogate()) // never keep half a character
            value.chop(1);
    }
    return value;
}

int32_t GetPrivateProfileInt(const QString& section, const QString& key, int32_t def, const QString& file) {
    const auto value = findValue(section, key, file);
    if (!value)
        return def;
    return base::LeadingDecimalWrapped(*value);
}

bool WritePrivateProfileString(const QString& sectionIn, const QString& keyIn, const QString& value,
                               const QString& file) {
    // Names are compared trimmed, so they are written trimmed; a name or value that would break the
    // line structure is refused rather than written.
    const QString section = sectionIn.trimmed();
    const QString key = keyIn.trimmed();
    if (file.isEmpty() || hasLineBreak(sectionIn) || hasLineBreak(keyIn) || hasLineBreak(value) ||
        badSection(section) || badKey(key))
        return false;

    std::lock_guard guard(writeMutex());
    const QFileInfo info(file);
    std::optional<QByteArray> raw;
    if (info.exists() || info.isSymLink()) {
        // Only a regular file that can be read is changed: anything else would be replaced by a file
        // holding just this key, and its contents lost.
        raw = readFile(file);
        if (!raw)
            return false;
    }
    ParsedFile f = parse(raw.value_or(QByteArray()));
    const Encoding enc = f.encoding;
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
        // New key: after the section's last non-blank line (the header when the body is empty).
        size_t last = range->first - 1;
        for (size_t i = range->first; i < range->second; ++i)
            if (!f.lines[i].text.trimmed().isEmpty())
                last = i;
        const Line& anchor = f.lines[last];
        QByteArray insert = encode(key + u'=' + value, enc) + br;
        if (!anchor.hasBreak)
            insert.prepend(br);
        out.insert(anchor.next, insert);
        return writeBytes(file, out);
    }

    // New section at the end of the text, after a blank line.
    QByteArray tail;
    if (!f.lines.empty()) {
        if (!f.lines.back().hasBreak)
            tail += br;
        tail += br;
    }
    tail += encode(u'[' + section + u']', enc) + br + encode(key + u'=' + value, enc) + br;
    out.insert(f.contentEnd, tail);
    return writeBytes(file, out);
}

} // namespace profile
