#include "res/StationKeyTexts.h"

#include "res/Ids.h"
#include "res/Resources.h"

#include <QDir>

namespace res {

namespace {

QString When(const QDateTime& time) {
    return time.isValid() ? time.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm")) : QStringLiteral("?");
}

QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

// The two names every text starts with: the station as titles name it, and where it is.
QList<QString> Station(const base::StationKeyFacts& f) { return {StationName(f.host), StationAddress(f)}; }

} // namespace

QString StationAddress(const base::StationKeyFacts& facts) {
    const QString host = base::StationKeyHost(facts.host);
    return (host.contains(u':') ? u'[' + host + u']' : host) + u':' + QString::number(facts.port);
}

QString StationKeyMessage(const base::StationKeyFacts& f) {
    using base::KeyVerdict;
    const QList<QString> s = Station(f);
    switch (f.verdict) {
    case KeyVerdict::Unknown:
        return FormatString(ids::IDS_KEY_NOT_TRUSTED_YET, s + QList<QString>{f.presented});
    case KeyVerdict::Changed:
        return FormatString(ids::IDS_KEY_CHANGED, s + QList<QString>{f.known, f.presented, s[1], Native(f.listFile)});
    case KeyVerdict::ClearWhereTls:
        return FormatString(ids::IDS_CLEAR_WHERE_TLS, s + QList<QString>{f.known, s[1], Native(f.listFile)});
    case KeyVerdict::ClearWhereCa:
        return FormatString(ids::IDS_CLEAR_WHERE_CA, s + QList<QString>{Native(f.caFile), Native(f.settingsFile)});
    case KeyVerdict::NotValidNow:
        return FormatString(ids::IDS_KEY_NOT_VALID_NOW, s + QList<QString>{When(f.notBefore), When(f.notAfter)});
    case KeyVerdict::WrongName:
        return FormatString(ids::IDS_KEY_WRONG_NAME, s + QList<QString>{base::StationKeyHost(f.host)});
    case KeyVerdict::NotFromCa:
        return FormatString(ids::IDS_KEY_NOT_FROM_CA, s + QList<QString>{Native(f.caFile), f.detail});
    case KeyVerdict::CaUnusable:
        return FormatString(ids::IDS_KEY_CA_UNUSABLE,
                            s + QList<QString>{Native(f.caFile), Native(f.settingsFile), f.detail});
    case KeyVerdict::HandshakeFailed:
    default:
        return FormatString(ids::IDS_TLS_FAILED, s + QList<QString>{f.detail});
    }
}

QString TrustQuestion(const base::StationKeyFacts& f) {
    return FormatString(ids::IDS_TRUST_QUESTION, Station(f) + QList<QString>{f.presented});
}

QString TrustDeclinedMessage(const base::StationKeyFacts& f) {
    return FormatString(ids::IDS_TRUST_DECLINED, Station(f));
}

QString ClearPasswordQuestion(const base::StationKeyFacts& f) {
    return FormatString(ids::IDS_CLEAR_PASSWORD, Station(f));
}

} // namespace res
