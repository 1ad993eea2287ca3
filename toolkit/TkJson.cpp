#include "toolkit/TkJson.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QJsonValue>

#include <cmath>

namespace mirabo {

bool isValidUtf8(const char* bytes, std::size_t size) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes);
    std::size_t i = 0;
    while (i < size) {
        const unsigned char c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int extra = 0;
        uint32_t cp = 0, min = 0;
        if ((c & 0xE0) == 0xC0) {
            extra = 1, cp = c & 0x1F, min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2, cp = c & 0x0F, min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3, cp = c & 0x07, min = 0x10000;
        } else {
            return false;
        }
        if (size - i <= static_cast<std::size_t>(extra))
            return false;
        for (int k = 1; k <= extra; ++k) {
            const unsigned char d = s[i + k];
            if ((d & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

std::string encodeRequest(int64_t id, const char* method, const QJsonObject& params) {
    QJsonObject request;
    request.insert(QStringLiteral("jsonrpc"), QStringLiteral("2.0"));
    request.insert(QStringLiteral("id"), static_cast<qint64>(id));
    request.insert(QStringLiteral("method"), QString::fromLatin1(method));
    request.insert(QStringLiteral("params"), params);
    QByteArray line = QJsonDocument(request).toJson(QJsonDocument::Compact);
    line.append('\n');
    return line.toStdString();
}

namespace {

bool integral(const QJsonValue& v, double lo, double hi, double* out) {
    if (!v.isDouble())
        return false;
    const double d = v.toDouble();
    if (!std::isfinite(d) || d != std::floor(d) || d < lo || d > hi)
        return false;
    *out = d;
    return true;
}

} // namespace

Answer decodeAnswer(const std::string& line, int64_t id) {
    Answer answer;
    if (!isValidUtf8(line.data(), line.size()))
        return answer;
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromRawData(line.data(), static_cast<qsizetype>(line.size())), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return answer;
    const QJsonObject object = doc.object();
    double answeredId = 0;
    if (!integral(object.value(QStringLiteral("id")), -9007199254740992.0, 9007199254740992.0, &answeredId) ||
        static_cast<int64_t>(answeredId) != id)
        return answer;
    const QJsonValue result = object.value(QStringLiteral("result"));
    const QJsonValue failure = object.value(QStringLiteral("error"));
    if (result.isObject() && failure.isUndefined()) {
        answer.kind = Answer::Result;
        answer.result = result.toObject();
    } else if (failure.isObject() && result.isUndefined()) {
        double code = 0;
        if (!integral(failure.toObject().value(QStringLiteral("code")), -2147483648.0, 2147483647.0, &code))
            return answer;
        answer.kind = Answer::Error;
        answer.errorCode = static_cast<int32_t>(code);
    }
    return answer;
}

bool intField(const QJsonObject& object, const char* key, int32_t* out) {
    double d = 0;
    if (!integral(object.value(QLatin1String(key)), -2147483648.0, 2147483647.0, &d))
        return false;
    *out = static_cast<int32_t>(d);
    return true;
}

bool int64Field(const QJsonObject& object, const char* key, int64_t* out) {
    double d = 0;
    if (!integral(object.value(QLatin1String(key)), -9007199254740992.0, 9007199254740992.0, &d))
        return false;
    *out = static_cast<int64_t>(d);
    return true;
}

bool boolField(const QJsonObject& object, const char* key, bool* out) {
    const QJsonValue v = object.value(QLatin1String(key));
    if (!v.isBool())
        return false;
    *out = v.toBool();
    return true;
}

bool stringField(const QJsonObject& object, const char* key, QString* out) {
    const QJsonValue v = object.value(QLatin1String(key));
    if (!v.isString())
        return false;
    *out = v.toString();
    return true;
}

bool stringOrNullField(const QJsonObject& object, const char* key, QString* out, bool* isNull) {
    const QJsonValue v = object.value(QLatin1String(key));
    if (v.isNull()) {
        out->clear();
        *isNull = true;
        return true;
    }
    *isNull = false;
    return stringField(object, key, out);
}

} // namespace mirabo
