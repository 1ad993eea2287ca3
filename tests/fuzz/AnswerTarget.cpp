#include "FuzzTargets.h"

#include "toolkit/TkJson.h"

int FuzzToolkitAnswer(const uint8_t* data, size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    for (int64_t id : {int64_t(1), int64_t(7)}) {
        const mirabo::Answer answer = mirabo::decodeAnswer(line, id);
        if (answer.kind != mirabo::Answer::Result)
            continue;
        int32_t i = 0;
        int64_t l = 0;
        bool b = false;
        QString s;
        for (const char* key : {"value", "seq", "protocol", "id"}) {
            mirabo::intField(answer.result, key, &i);
            mirabo::int64Field(answer.result, key, &l);
        }
        for (const char* key : {"access", "logonRequired", "valid"})
            mirabo::boolField(answer.result, key, &b);
        for (const char* key : {"text", "epoch", "token", "value", "path"}) {
            mirabo::stringField(answer.result, key, &s);
            mirabo::stringOrNullField(answer.result, key, &s, &b);
        }
    }
    return 0;
}
