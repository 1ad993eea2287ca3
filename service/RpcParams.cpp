#include "service/RpcParams.h"

#include <cmath>

namespace logd {

void RpcParams::fail(const QString& key, const char* what) {
    if (m_ok)
        m_problem = QStringLiteral("\"%1\" %2").arg(key, QLatin1String(what));
    m_ok = false;
}

int64_t RpcParams::integer(const QString& key, int64_t min, int64_t max, std::optional<int64_t> def) {
    const QJsonValue v = m_params.value(key);
    if (v.isUndefined() || v.isNull()) {
        if (def)
            return *def;
        fail(key, "is missing");
        return min;
    }
    const double d = v.toDouble(std::nan(""));
    if (!v.isDouble() || !std::isfinite(d) || std::floor(d) != d || d < double(min) || d > double(max)) {
        fail(key, "must be an integer in range");
        return min;
    }
    return static_cast<int64_t>(d);
}

QString RpcParams::string(const QString& key, std::optional<QString> def) {
    const QJsonValue v = m_params.value(key);
    if (v.isUndefined() || v.isNull()) {
        if (def)
            return *def;
        fail(key, "is missing");
        return QString();
    }
    if (!v.isString()) {
        fail(key, "must be a string");
        return QString();
    }
    return v.toString();
}

bool RpcParams::boolean(const QString& key, std::optional<bool> def) {
    const QJsonValue v = m_params.value(key);
    if (v.isUndefined() || v.isNull()) {
        if (def)
            return *def;
        fail(key, "is missing");
        return false;
    }
    if (v.isBool())
        return v.toBool();
    if (v.isDouble() && (v.toDouble() == 0 || v.toDouble() == 1))
        return v.toDouble() != 0;
    fail(key, "must be a boolean");
    return false;
}

} // namespace logd
