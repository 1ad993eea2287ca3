#include "service/Service.h"

#include <QDateTime>

#include <atomic>
#include <cstdio>

namespace logd {

namespace {
std::atomic<bool> g_logEnabled{true};
} // namespace

Service::Service(Project& project, const ServiceOptions& options, QObject* parent)
    : QObject(parent), m_project(project),
      m_clients(options.lingerMs, options.maxClients, options.queueCapacity, this), m_logonGuard(options.logon) {}

void Service::broadcast(int category, const QString& text) {
    broadcastEach(category, [&text](const ClientState&) { return text; });
}

void Service::broadcastEach(int category, const std::function<QString(const ClientState&)>& make) {
    const QDateTime now = QDateTime::currentDateTime();
    m_clients.forEach([&](ClientState& c) {
        if (!c.logOutput())
            return;
        if (category >= 0 && (category >= kSwitchCount || c.switchValue(category) == 0))
            return;
        const QString text = make(c);
        if (!text.isEmpty())
            c.deliver(text, now);
    });
}

void Service::tagsChanged(const QList<int>& tagIds) {
    const QDateTime now = QDateTime::currentDateTime();
    m_clients.forEach([&](ClientState& c) {
        if (!c.logOutput() || c.tags().isEmpty())
            return;
        for (int id : tagIds) {
            if (!c.tags().contains(id))
                continue;
            if (const Tag* tag = m_project.tags().byId(id))
                c.deliver(QStringLiteral("Tag %1 = %2").arg(tag->name, tag->value), now);
        }
    });
}

QString Service::shortId(const QString& id) {
    return id.size() > 8 ? id.left(8) + QStringLiteral("...") : id;
}

QString Service::printable(const QString& text, int max) {
    QString out = text.left(max);
    for (QChar& c : out)
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = QLatin1Char('?');
    return out;
}

void Service::setLogEnabled(bool enabled) {
    g_logEnabled = enabled;
}

void Service::log(const QString& text) {
    if (!g_logEnabled)
        return;
    const QByteArray line = "mirabo-logd: " + text.toUtf8() + '\n';
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
    std::fflush(stderr);
}

} // namespace logd
