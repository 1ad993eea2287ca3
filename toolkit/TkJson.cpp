#include "toolkit/TkJson.h"

#include <QByteArrayView>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QJsonValue>

#include <cmath>

namespace mirabo {

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
    const QByteArray bytes = QByteArray::fromRawData(line.data(), static_cast<qsizetype>(line.size()));
    if (!QByteArrayView(bytes).isValidUtf8())
        return answer;
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
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
