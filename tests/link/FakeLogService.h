// A tiny scripted log service for the worker tests: it answers the requests the worker makes from a few
// settings (switch bit mask, switch values, stores) and records every request in arrival order. It can
// also stay silent (accept and never answer) and drop every open connection at once.
#pragma once

#include "common/FakeServer.h"

#include <QJsonObject>
#include <QString>
#include <QUuid>

#include <map>
#include <mutex>
#include <optional>
#include <vector>

struct FakeRequest {
    int connection = 0; // 0 for the first accepted connection
    QString method;
    QJsonObject params;
};

struct FakeServiceSettings {
    int mask = 1;                      // answer to switch.get 65535
    std::map<int, int> switches;       // switch.get index -> value (0 when absent)
    int stamp = 0;                     // stamp.get
    std::map<int, int> opc;            // opc.get kind * 10 + param -> value (0 when absent)
    bool projectPathFails = false;     // project.path answers an error
    QString projectFolder = QStringLiteral("/fake/project/");
    std::map<QString, QString> config;  // "Section/Key" -> value (absent -> null)
    std::map<QString, QString> profile; // "Section/Key" -> value (absent -> null)
    QString invalidTagPrefix = QStringLiteral("Bad"); // tag.parse says invalid for these names
    // log.read answers in turn, each {"text", and "waiting" when set}; then empty text
    std::vector<std::pair<QString, std::optional<int>>> reads;
    bool silent = false;               // accept connections but never answer
    bool refusing = false;             // bound but refusing connections until listen() (the port stays ours)
};

class FakeLogService {
public:
    // Listens on 127.0.0.1 (port 0 = a free port).
    explicit FakeLogService(FakeServiceSettings settings = {}, int port = 0);

    bool listening() const { return m_server.listening(); }
    // Starts accepting on the port of a refusing service.
    bool listen() { return m_server.listen(); }
    int port() const { return m_server.port(); }
    int accepted() const { return m_server.accepted(); }

    std::vector<FakeRequest> requests() const;
    // The methods of the recorded requests, optionally of one connection only.
    std::vector<QString> methods(int connection = -1) const;
    void setSettings(const FakeServiceSettings& settings);
    // Closes every open connection (the peer sees the end of the stream).
    void dropConnections() { m_server.dropConnections(); }

private:
    void serve(FakeConnection& c);
    std::optional<QJsonObject> answer(const QString& method, const QJsonObject& params);

    FakeServiceSettings m_settings;
    int m_seq = 0; // of the last log.read answer with text
    const QString m_epoch = QUuid::createUuid().toString(QUuid::WithoutBraces);
    mutable std::mutex m_mutex;
    std::vector<FakeRequest> m_requests;
    FakeServer m_server; // last: its connections use the members above
};
