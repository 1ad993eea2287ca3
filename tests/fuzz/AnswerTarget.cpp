#include "FuzzTargets.h"

#include "toolkit/TkJson.h"

#include <QJsonDocument>

#include <cmath>

namespace {

// The fields the toolkit reads from results.
const char* const kFields[] = {"value", "seq", "protocol", "id", "access", "logonRequired", "valid",
                               "text", "epoch", "token", "path", "name", "missing"};

bool integralIn(const QJsonValue& v, double lo, double hi) {
    const double d = v.toDouble();
    return v.isDouble() && std::isfinite(d) && std::trunc(d) == d && d >= lo && d <= hi;
}

// A reader that takes a field hands out exactly its JSON value; one that refuses it leaves the output
// as it was.
void checkFields(const QJsonObject& result) {
    const QString untouched = QStringLiteral("\x01untouched");
    for (const char* key : kFields) {
        const QJsonValue v = result.value(QLatin1String(key));

        int32_t i = 12345;
        const bool isInt = mirabo::intField(result, key, &i);
        FuzzCheck(isInt == integralIn(v, -2147483648.0, 2147483647.0), "intField takes 32-bit integers only");
        FuzzCheck(isInt ? i == v.toDouble() : i == 12345, "intField hands out the value, or nothing");

        int64_t l = 12345;
        const bool isInt64 = mirabo::int64Field(result, key, &l);
        FuzzCheck(isInt64 == integralIn(v, -9007199254740992.0, 9007199254740992.0),
                  "int64Field takes exactly representable integers only");
        FuzzCheck(isInt64 ? static_cast<double>(l) == v.toDouble() : l == 12345,
                  "int64Field hands out the value, or nothing");

        bool b = true;
        const bool isBool = mirabo::boolField(result, key, &b);
        FuzzCheck(isBool == v.isBool() && (!isBool || b == v.toBool()), "boolField reads booleans only");

        QString s = untouched;
        const bool isString = mirabo::stringField(result, key, &s);
        FuzzCheck(isString == v.isString() && s == (isString ? v.toString() : untouched),
                  "stringField reads strings only");

        QString n = untouched;
        bool isNull = false;
        const bool isStringOrNull = mirabo::stringOrNullField(result, key, &n, &isNull);
        FuzzCheck(isStringOrNull == (v.isString() || v.isNull()), "stringOrNullField reads strings and null only");
        if (isStringOrNull)
            FuzzCheck(isNull == v.isNull() && n == v.toString(), "stringOrNullField tells null from text");
        else
            FuzzCheck(n == untouched, "stringOrNullField leaves a refused field alone");
    }
}

} // namespace

// Whatever the line holds, an answer the decoder accepts is well-formed UTF-8, answers the one request
// whose id it carries, and holds exactly the result or error of the line; the typed field readers hand
// out a field only when it has their type and range.
int FuzzToolkitAnswer(const uint8_t* data, size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    const QByteArray bytes = QByteArray::fromStdString(line);
    int accepted = 0;
    for (int64_t id : {int64_t(0), int64_t(1), int64_t(7)}) {
        const mirabo::Answer answer = mirabo::decodeAnswer(line, id);
        if (answer.kind == mirabo::Answer::Malformed)
            continue;
        ++accepted;
        FuzzCheck(FuzzWellFormedUtf8(bytes), "an accepted answer is well-formed UTF-8");
        const QJsonObject object = QJsonDocument::fromJson(bytes).object();
        FuzzCheck(object.value(QStringLiteral("id")).toDouble() == static_cast<double>(id),
                  "an accepted answer carries the id it answers");
        const QJsonValue result = object.value(QStringLiteral("result"));
        const QJsonValue error = object.value(QStringLiteral("error"));
        if (answer.kind == mirabo::Answer::Result) {
            FuzzCheck(error.isUndefined() && result.isObject() && answer.result == result.toObject(),
                      "a result is the line's result object, without an error");
            checkFields(answer.result);
        } else {
            FuzzCheck(result.isUndefined() && error.isObject() &&
                          error.toObject().value(QStringLiteral("code")).toDouble() == answer.errorCode,
                      "an error is the line's error code, without a result");
        }
    }
    FuzzCheck(accepted <= 1, "one answer answers one request");
    return 0;
}
