// Reading the params of one JSON-RPC request: every getter records a missing or ill-typed member, and
// ok() tells whether all were fine (else the request is answered with -32602).
#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

namespace logd {

class RpcParams {
public:
    explicit RpcParams(const QJsonObject& params) : m_params(params) {}

    bool ok() const { return m_ok; }
    QString problem() const { return m_problem; }

    int64_t integer(const QString& key, int64_t min, int64_t max, std::optional<int64_t> def = std::nullopt);
    QString string(const QString& key, std::optional<QString> def = std::nullopt);
    bool boolean(const QString& key, std::optional<bool> def = std::nullopt);

private:
    void fail(const QString& key, const char* what);

    QJsonObject m_params;
    bool m_ok = true;
    QString m_problem;
};

} // namespace logd
