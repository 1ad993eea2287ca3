#include "follow/KeyNotices.h"

#include <QDir>

namespace follow {

namespace {

QString When(const QDateTime& t) {
    return t.isValid() ? t.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm 'UTC'")) : QStringLiteral("?");
}

const QString kNothingSent = QStringLiteral("nothing was sent to it");

} // namespace

QString KeyAddress(const MiraboStationKey& key) {
    const QString host = base::StationKeyHost(key.host);
    return (host.contains(u':') ? u'[' + host + u']' : host) + u':' + QString::number(key.port);
}

QString UnknownKeyLines(const MiraboStationKey& key) {
    return QStringLiteral("the station %1 presents a key that is not in your list of known stations (%2).\n"
                          "SHA-256 fingerprint of its key: %3\n"
                          "Trust it only when this is the fingerprint the station's administrator gave you "
                          "(mirabo-logd --fingerprint shows it on the station).\n")
        .arg(KeyAddress(key), QDir::toNativeSeparators(key.listFile), key.presented);
}

QString KeyRefusal(const MiraboStationKey& key) {
    using base::KeyVerdict;
    const QString station = KeyAddress(key);
    const QString list = QDir::toNativeSeparators(key.listFile);
    switch (key.verdict) {
    case KeyVerdict::Unknown:
        return QStringLiteral("the station %1 presents a key you have not trusted (SHA-256 %2); %3. Run kestra-follow "
                              "on a terminal to be asked, or pass --trust FINGERPRINT")
            .arg(station, key.presented, kNothingSent);
    case KeyVerdict::Changed:
        return QStringLiteral("WARNING: the key of the station %1 has changed! Trusted until now: %2; presented now: "
                              "%3. Someone may be listening in between, or the station got a new key; %4, no "
                              "password above all. If the key was changed on purpose, check the new fingerprint "
                              "with the station's administrator and pass it with --trust (or delete the line of %1 "
                              "from %5)")
            .arg(station, key.known, key.presented, kNothingSent, list);
    case KeyVerdict::ClearWhereTls:
        return QStringLiteral("WARNING: the station %1 answered without TLS, but it is known to speak TLS (key %2). "
                              "Someone in between may be removing the protection; %3. If it serves in clear again "
                              "on purpose, delete the line of %1 from %4")
            .arg(station, key.known, kNothingSent, list);
    case KeyVerdict::ClearWhereCa:
        return QStringLiteral("the station %1 does not speak TLS, but this installation trusts the certificate "
                              "authority in %2 (set in %3) and speaks to TLS stations only; %4")
            .arg(station, key.caFile, key.settingsFile, kNothingSent);
    case KeyVerdict::NotValidNow:
        return QStringLiteral("the certificate of the station %1 is not valid now (valid from %2 until %3); %4")
            .arg(station, When(key.notBefore), When(key.notAfter), kNothingSent);
    case KeyVerdict::WrongName:
        return QStringLiteral("the certificate of the station %1 is not issued for the name \"%2\"; %3")
            .arg(station, base::StationKeyHost(key.host), kNothingSent);
    case KeyVerdict::NotFromCa:
        return QStringLiteral("the certificate of the station %1 is not vouched for by the certificate authority in "
                              "%2 (%3); %4")
            .arg(station, key.caFile, key.detail, kNothingSent);
    case KeyVerdict::CaUnusable:
        return QStringLiteral("the certificate authority file %1 (set in %2) cannot be used (%3); nothing was sent to "
                              "the station %4")
            .arg(key.caFile, key.settingsFile, key.detail, station);
    default:
        return QStringLiteral("the secure connection to the station %1 could not be set up (%2); %3")
            .arg(station, key.detail, kNothingSent);
    }
}

} // namespace follow
