#include "base/StationKey.h"

#include <QRegularExpression>

namespace base {

QString FormatFingerprint(const QByteArray& digest) {
    return QString::fromLatin1(digest.toHex(':').toUpper());
}

std::optional<QString> NormalizeFingerprint(const QString& typed) {
    QString text = typed.trimmed();
    static const QRegularExpression prefix(QStringLiteral("^(sha-?256( fingerprint)?\\s*[:=]\\s*)"),
                                           QRegularExpression::CaseInsensitiveOption);
    text.remove(prefix);
    QByteArray hex;
    for (const QChar c : text) {
        if (c == u':' || c.isSpace())
            continue;
        const char16_t u = c.unicode();
        const bool digit = (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
        if (!digit)
            return std::nullopt;
        hex += c.toLatin1();
    }
    if (hex.size() != 64)
        return std::nullopt;
    return FormatFingerprint(QByteArray::fromHex(hex));
}

QString StationKeyHost(const QString& host) {
    QString h = host.trimmed().toLower();
    if (h.endsWith(u'.'))
        h.chop(1);
    if (h.startsWith(u'[') && h.endsWith(u']'))
        h = h.mid(1, h.size() - 2);
    return h.isEmpty() ? QStringLiteral("localhost") : h;
}

bool IsRefusal(KeyVerdict verdict) {
    return verdict != KeyVerdict::None && verdict != KeyVerdict::Known && verdict != KeyVerdict::Clear;
}

} // namespace base
