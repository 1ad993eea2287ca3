#include "toolkit/TkTrust.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <map>
#include <mutex>
#include <utility>

namespace mirabo {

namespace {

// Longer files are not a list anybody wrote by hand or through the toolkit.
constexpr qint64 kMaxListBytes = 4 * 1024 * 1024;
const QString kHeader = QStringLiteral(
    "# Stations this user has trusted: HOST PORT tls SHA-256-OF-THE-KEY, or HOST PORT clear (the user was\n"
    "# told that passwords to it cross the network in clear). Delete a station's line to be asked again.\n");

using StationId = std::pair<QString, int32_t>;

struct TrustState {
    std::mutex mutex;
    MiraboTrust settings;
    std::map<StationId, KnownStation> trustedHere; // what this process trusted, also when not written
    std::map<StationId, MiraboStationKey> facts;
};

TrustState& state() {
    static TrustState s;
    return s;
}

StationId idOf(const QString& host, int32_t port) { return {base::StationKeyHost(host), port}; }

QString lineFor(const StationId& id, const KnownStation& entry) {
    return id.first + u' ' + QString::number(id.second) +
           (entry.kind == KnownStation::Tls ? QStringLiteral(" tls ") + entry.fingerprint : QStringLiteral(" clear"));
}

QStringList readLines(const QString& path, bool* exists) {
    QFile f(path);
    *exists = f.exists();
    if (!f.open(QIODevice::ReadOnly) || f.size() > kMaxListBytes)
        return {};
    return QString::fromUtf8(f.readAll()).split(u'\n');
}

} // namespace

std::optional<KnownStation> parseKnownLine(const QString& line, QString* host, int32_t* port) {
    const QString text = line.trimmed();
    if (text.isEmpty() || text.startsWith(u'#'))
        return std::nullopt;
    const QStringList words = text.split(u' ', Qt::SkipEmptyParts);
    if (words.size() < 3)
        return std::nullopt;
    bool ok = false;
    const int p = words[1].toInt(&ok);
    if (!ok || p <= 0 || p > 65535)
        return std::nullopt;
    KnownStation entry;
    if (words[2] == u"clear" && words.size() == 3) {
        entry.kind = KnownStation::ClearTold;
    } else if (words[2] == u"tls" && words.size() == 4) {
        const std::optional<QString> fingerprint = base::NormalizeFingerprint(words[3]);
        if (!fingerprint)
            return std::nullopt;
        entry.kind = KnownStation::Tls;
        entry.fingerprint = *fingerprint;
    } else {
        return std::nullopt;
    }
    *host = base::StationKeyHost(words[0]);
    *port = p;
    return entry;
}

MiraboTrust trustSettings() {
    TrustState& s = state();
    std::lock_guard<std::mutex> guard(s.mutex);
    return s.settings;
}

void setTrustSettings(const MiraboTrust& trust) {
    TrustState& s = state();
    std::lock_guard<std::mutex> guard(s.mutex);
    s.settings = trust;
}

KnownStation knownStation(const QString& host, int32_t port) {
    const StationId id = idOf(host, port);
    QString path;
    {
        TrustState& s = state();
        std::lock_guard<std::mutex> guard(s.mutex);
        const auto it = s.trustedHere.find(id);
        if (it != s.trustedHere.end())
            return it->second;
        path = s.settings.knownStationsFile;
    }
    if (path.isEmpty())
        return KnownStation();
    bool exists = false;
    for (const QString& line : readLines(path, &exists)) {
        QString h;
        int32_t p = 0;
        const std::optional<KnownStation> entry = parseKnownLine(line, &h, &p);
        if (entry && h == id.first && p == id.second)
            return *entry;
    }
    return KnownStation();
}

bool rememberStation(const QString& host, int32_t port, const KnownStation& entry, QString* error) {
    const StationId id = idOf(host, port);
    QString path;
    {
        TrustState& s = state();
        std::lock_guard<std::mutex> guard(s.mutex);
        s.trustedHere[id] = entry;
        path = s.settings.knownStationsFile;
    }
    if (path.isEmpty()) {
        *error = QStringLiteral("no list of known stations is set");
        return false;
    }
    bool exists = false;
    QStringList lines = readLines(path, &exists);
    if (exists && lines.isEmpty() && QFileInfo(path).size() > 0) {
        *error = QStringLiteral("%1 cannot be read").arg(path); // never overwrite what cannot be read
        return false;
    }
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    if (!exists)
        lines = kHeader.trimmed().split(u'\n');
    QStringList out;
    bool placed = false;
    for (const QString& line : lines) {
        QString h;
        int32_t p = 0;
        if (parseKnownLine(line, &h, &p) && h == id.first && p == id.second) {
            if (!placed)
                out << lineFor(id, entry);
            placed = true;
            continue;
        }
        out << line;
    }
    if (!placed)
        out << lineFor(id, entry);
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        *error = f.errorString();
        return false;
    }
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    f.write((out.join(u'\n') + u'\n').toUtf8());
    if (!f.commit()) {
        *error = f.errorString();
        return false;
    }
    return true;
}

void recordFacts(const MiraboStationKey& facts) {
    TrustState& s = state();
    std::lock_guard<std::mutex> guard(s.mutex);
    s.facts[idOf(facts.host, facts.port)] = facts;
}

std::optional<MiraboStationKey> lastFacts(const QString& host, int32_t port) {
    TrustState& s = state();
    std::lock_guard<std::mutex> guard(s.mutex);
    const auto it = s.facts.find(idOf(host, port));
    if (it == s.facts.end())
        return std::nullopt;
    return it->second;
}

void resetTrustForTest() {
    TrustState& s = state();
    std::lock_guard<std::mutex> guard(s.mutex);
    s.settings = MiraboTrust();
    s.trustedHere.clear();
    s.facts.clear();
}

} // namespace mirabo
