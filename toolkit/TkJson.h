// Encoding requests and checking answers of the line protocol.
#pragma once

#include <QJsonObject>
#include <QString>

#include <cstdint>
#include <string>

namespace mirabo {

// One request line, line feed included.
std::string encodeRequest(int64_t id, const char* method, const QJsonObject& params);

// What an answer line held.
struct Answer {
    enum Kind { Result, Error, Malformed } kind = Malformed;
    QJsonObject result; // Result
    int32_t errorCode = 0; // Error
};

// Parses one answer line and checks that it answers request `id`: well-formed UTF-8 (no overlong forms,
// no encoded surrogates, nothing above U+10FFFF), a JSON object with that id and either an object
// "result" or an "error" object with an integer "code".
Answer decodeAnswer(const std::string& line, int64_t id);

// Typed fields of a result. Each returns false when the field is missing or of another type.
bool intField(const QJsonObject& object, const char* key, int32_t* out);
bool int64Field(const QJsonObject& object, const char* key, int64_t* out);
bool boolField(const QJsonObject& object, const char* key, bool* out);
bool stringField(const QJsonObject& object, const char* key, QString* out);
// A string, or null (then `*isNull` is set and `out` cleared).
bool stringOrNullField(const QJsonObject& object, const char* key, QString* out, bool* isNull);

} // namespace mirabo
