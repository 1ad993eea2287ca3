// Random-input run of the private-profile module.
//
//   fuzz_profile SECONDS [SEED]
//
// Feeds the reader random bytes and randomly mutated settings text (UTF-8, UTF-8 with a mark, UTF-16LE
// with a mark, LF and CR LF), and makes random writes to a temporary file. After every write it checks:
//  - a write that succeeds reads back as written (trimmed, one pair of quotes removed), and one refused
//    leaves the file as it was;
//  - the write changed one line of the file only (or added lines), every other byte is kept;
//  - every other name of the pools reads as before.
// Prints the figures and exits non-zero on the first broken rule.
#include "settings/PrivateProfile.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>
#include <map>

namespace {

const QStringList kSections{"Kestra", "kestra", "Window", "LogOnDisk", "Options", " Spaced ", "Ünï", "a[b",
                            "", "x]y", "S\r\nT"};
const QStringList kKeys{"AlwaysOnTop", "alwaysontop", "Type", "FileName", "ShowCmd", "dsport", " k ", "ключ",
                        "a=b", "[k", ";k", "", "k\nx", "Tag1"};
const QStringList kValues{"", "1", "-5", " padded ", "\"quoted\"", "'q'", "\"", "x=y", "a;b", "[notasection]",
                          "two\nlines", "cr\r", QString::fromUtf8("€ü😀"), QString(300, u'v'), "\t"};
const QList<QByteArray> kFragments{"[", "]", "=", "\n", "\r\n", "\r", ";", "\"", "'", " ", "\t", "[Kestra]",
                                   "[Window]", "AlwaysOnTop=", "ShowCmd=3", "\xEF\xBB\xBF", "\xFF\xFE",
                                   QByteArray(1, '\0'), "\xC3", "\xE2\x82"};

QRandomGenerator rng;

int pick(int n) { return static_cast<int>(rng.bounded(static_cast<quint32>(n))); }
template <class L> const auto& pickFrom(const L& list) { return list[pick(static_cast<int>(list.size()))]; }

QByteArray randomBytes(int n) {
    QByteArray b(n, '\0');
    for (auto& c : b)
        c = static_cast<char>(rng.bounded(256));
    return b;
}

QByteArray toUtf16(const QString& s) {
    QByteArray out("\xFF\xFE", 2);
    for (const QChar c : s) {
        out.append(static_cast<char>(c.unicode() & 0xFF));
        out.append(static_cast<char>(c.unicode() >> 8));
    }
    return out;
}

QString validText() {
    QString text;
    const int sections = pick(5);
    for (int s = 0; s < sections; ++s) {
        text += QStringLiteral("[") + pickFrom(kSections).trimmed() + QStringLiteral("]\n");
        const int keys = pick(6);
        for (int k = 0; k < keys; ++k)
            text += pickFrom(kKeys) + u'=' + pickFrom(kValues).left(40) + u'\n';
        if (pick(3) == 0)
            text += u'\n';
    }
    return text;
}

QByteArray mutate(QByteArray bytes) {
    const int n = 1 + pick(8);
    for (int i = 0; i < n; ++i) {
        const int pos = bytes.isEmpty() ? 0 : pick(static_cast<int>(bytes.size()) + 1);
        switch (pick(4)) {
        case 0: bytes.insert(pos, pickFrom(kFragments)); break;
        case 1: bytes.remove(pos, pick(5)); break;
        case 2:
            if (pos < bytes.size())
                bytes[pos] = static_cast<char>(rng.bounded(256));
            break;
        default: bytes.insert(pos, randomBytes(pick(4))); break;
        }
    }
    return bytes;
}

QByteArray randomFile() {
    switch (pick(6)) {
    case 0: return randomBytes(pick(2000));
    case 1: return mutate(validText().toUtf8());
    case 2: return toUtf16(validText().replace("\n", "\r\n"));
    case 3: return mutate(toUtf16(validText()));
    case 4: return "\xEF\xBB\xBF" + validText().replace("\n", "\r\n").toUtf8();
    default: return validText().toUtf8();
    }
}

bool writeRaw(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray readRaw(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString expectedRead(const QString& value) {
    const QString t = value.trimmed();
    if (t.size() >= 2 && ((t.front() == u'"' && t.back() == u'"') || (t.front() == u'\'' && t.back() == u'\'')))
        return t.mid(1, t.size() - 2);
    return t;
}

using Snapshot = std::map<std::pair<int, int>, QString>;

Snapshot snapshot(const QString& file) {
    Snapshot s;
    for (int i = 0; i < kSections.size(); ++i)
        for (int j = 0; j < kKeys.size(); ++j)
            s[{i, j}] = profile::GetPrivateProfileString(kSections[i], kKeys[j], "\x01", 1 << 20, file);
    return s;
}

// True when the stretch of `before` that a write replaced holds a line break, so that more than one
// line changed. The stretch is what lies between the longest common prefix and suffix.
bool lineBreakRemoved(const QByteArray& before, const QByteArray& after) {
    qsizetype head = 0;
    while (head < before.size() && head < after.size() && before[head] == after[head])
        ++head;
    qsizetype tail = 0;
    while (tail < before.size() - head && tail < after.size() - head &&
           before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
        ++tail;
    qsizetype end = before.size() - tail;
    if (!before.startsWith("\xFF\xFE"))
        return before.mid(head, end - head).contains('\n');
    head -= head % 2; // whole UTF-16 units
    for (qsizetype i = head; i + 1 < before.size() && i < end; i += 2)
        if (before[i] == '\n' && before[i + 1] == '\0')
            return true;
    return false;
}

bool sameName(const QString& a, const QString& b) { return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0; }

int fail(const char* what, const QByteArray& before, const QByteArray& after) {
    std::fprintf(stderr, "FAILED: %s\nbefore: %s\nafter:  %s\n", what, before.toPercentEncoding().constData(),
                 after.toPercentEncoding().constData());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
    const quint32 seed = argc > 2 ? static_cast<quint32>(std::strtoul(argv[2], nullptr, 10))
                                  : QRandomGenerator::system()->generate();
    rng.seed(seed);
    std::printf("fuzz_profile: %.1f s, seed %u\n", seconds, seed);

    QTemporaryDir dir;
    if (!dir.isValid())
        return 2;
    const QString file = dir.filePath("fuzz.ini");
    QElapsedTimer clock;
    clock.start();
    long reads = 0, writes = 0, refused = 0, files = 0;
    while (clock.elapsed() < seconds * 1000) {
        if (!writeRaw(file, randomFile()))
            return 2;
        ++files;
        const int rounds = 1 + pick(6);
        for (int r = 0; r < rounds; ++r) {
            // Random reads, with random capacities.
            const QString section = pickFrom(kSections);
            const QString key = pickFrom(kKeys);
            const int cap = pick(50) - 2;
            const QString v = profile::GetPrivateProfileString(section, key, "def", cap, file);
            if (v.size() > std::max(0, cap - 1))
                return fail("read longer than its capacity", readRaw(file), v.toUtf8());
            profile::GetPrivateProfileInt(section, key, 7, file);
            reads += 2;

            // A random write, checked against what can be read afterwards.
            const int si = pick(static_cast<int>(kSections.size()));
            const int ki = pick(static_cast<int>(kKeys.size()));
            const QString value = pickFrom(kValues);
            const QByteArray before = readRaw(file);
            const Snapshot old = snapshot(file);
            const bool ok = profile::WritePrivateProfileString(kSections[si], kKeys[ki], value, file);
            const QByteArray after = readRaw(file);
            ++writes;
            if (!ok) {
                ++refused;
                if (after != before)
                    return fail("a refused write changed the file", before, after);
                continue;
            }
            if (profile::GetPrivateProfileString(kSections[si], kKeys[ki], "\x01", 1 << 20, file) !=
                expectedRead(value))
                return fail("written value does not read back", before, after);
            if (lineBreakRemoved(before, after))
                return fail("the write changed more than one line", before, after);
            for (const auto& [names, text] : snapshot(file)) {
                const bool written = sameName(kSections[names.first], kSections[si]) &&
                                     sameName(kKeys[names.second], kKeys[ki]);
                if (!written && old.at(names) != text)
                    return fail("the write changed another key", before, after);
            }
        }
        if (pick(50) == 0 && !writeRaw(file, QByteArray(pick(3) * 1024 * 1024, 'z') + "\n[Kestra]\nk=1"))
            return 2;
    }
    std::printf("files %ld, reads %ld, writes %ld (refused %ld) in %.1f s\n", files, reads, writes, refused,
                clock.elapsed() / 1000.0);
    return 0;
}
