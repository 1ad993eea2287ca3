#include "FakeLogService.h"

#include <QJsonDocument>

#include <limits>

namespace {

QJsonValue storeValue(const std::map<QString, QString>& store, const QJsonObject& params) {
    const auto it = store.find(params.value("section").toString() + '/' + params.value("key").toString());
    return it == store.end() ? QJsonValue(QJsonValue::Null) : QJsonValue(it->second);
}

int valueOr0(const std::map<int, int>& values, int key) {
    const auto it = values.find(key);
    return it == values.end() ? 0 : it->second;
}

} // namespace

FakeLogService::FakeLogService(FakeServiceSettings settings, int port)
    : m_settings(std::move(settings)),
      m_server([this](FakeConnection& c) { serve(c); }, !m_settings.refusing, port) {}

std::vector<FakeRequest> FakeLogService::requests() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_requests;
}

std::vector<QString> FakeLogService::methods(int connection) const {
    std::vector<QString> out;
    for (const FakeRequest& r : requests())
        if (connection < 0 || r.connection == connection)
            out.push_back(r.method);
    return out;
}

void FakeLogService::setSettings(const FakeServiceSettings& settings) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_settings = settings;
}

// Records and answers each request line until the peer closes, the service is dropped or destroyed.
void FakeLogService::serve(FakeConnection& c) {
    c.passTlsQuestion(); // answered below, as the settings say
    std::string line;
    while (c.readLine(&line, std::numeric_limits<int>::max())) {
        const QJsonObject request = QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
        const QString method = request.value("method").toString();
        const QJsonObject params = request.value("params").toObject();
        std::optional<QJsonObject> result;
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            // A protocol-1 service in clear: the toolkit's TLS question is a method it does not know,
            // and not one of the requests the tests look at (a silent service keeps it: it is all it
            // ever gets).
            if (method == QLatin1String("tls.start") && !m_settings.silent) {
                result = QJsonObject{{"error", QJsonObject{{"code", -32601}}}};
            } else {
                m_requests.push_back(FakeRequest{c.index(), method, params});
                result = answer(method, params);
            }
        }
        if (!result)
            continue; // silent
        QJsonObject reply{{"jsonrpc", "2.0"}, {"id", request.value("id")}};
        if (result->contains("error"))
            reply.insert("error", result->value("error"));
        else
            reply.insert("result", *result);
        if (!c.sendRaw(QJsonDocument(reply).toJson(QJsonDocument::Compact).toStdString() + '\n'))
            return;
    }
}

// Called with m_mutex held.
std::optional<QJsonObject> FakeLogService::answer(const QString& method, const QJsonObject& params) {
    FakeServiceSettings& s = m_settings;
    if (s.silent)
        return std::nullopt;
    if (method == "hello") // a service state of its own (epoch): seq starts afresh
        return QJsonObject{{"protocol", 1}, {"logonRequired", false}, {"access", true}, {"station", "FAKE"},
                           {"epoch", m_epoch}};
    if (method == "switch.get") {
        const int index = params.value("index").toInt();
        return QJsonObject{{"value", index == 0xFFFF ? s.mask : valueOr0(s.switches, index)}};
    }
    if (method == "stamp.get")
        return QJsonObject{{"value", s.stamp}};
    if (method == "opc.get")
        return QJsonObject{{"value", valueOr0(s.opc, params.value("kind").toInt() * 10 + params.value("param").toInt())}};
    if (method == "service.query")
        return QJsonObject{{"value", 0}};
    if (method == "project.path") {
        if (s.projectPathFails)
            return QJsonObject{{"error", QJsonObject{{"code", -32002}, {"message", "no"}}}};
        return QJsonObject{{"path", s.projectFolder + params.value("file").toString()}};
    }
    if (method == "config.get" || method == "profile.get")
        return QJsonObject{{"value", storeValue(method == "config.get" ? s.config : s.profile, params)}};
    if (method == "tag.parse") {
        const bool valid = !params.value("name").toString().startsWith(s.invalidTagPrefix);
        return valid ? QJsonObject{{"valid", true}, {"id", 1}} : QJsonObject{{"valid", false}};
    }
    if (method == "log.read") {
        if (s.reads.empty())
            return QJsonObject{{"text", QString()}, {"seq", m_seq}};
        const auto [text, waiting] = s.reads.front();
        s.reads.erase(s.reads.begin());
        QJsonObject read{{"text", text}, {"seq", ++m_seq}};
        if (waiting)
            read.insert("waiting", *waiting);
        return read;
    }
    return QJsonObject{};
}
