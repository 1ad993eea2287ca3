#include "halcyte/StationPoller.h"

#include "res/StationKeyTexts.h"

#include <QMetaObject>

#include <chrono>

namespace {

constexpr int kRefreshMs = 1000;
constexpr int kRetryMs = 2000;
constexpr int kRequestTimeoutMs = 5000;
constexpr int kStopSliceMs = 50;

} // namespace

StationPoller::StationPoller(QString host, int32_t port, QObject* parent)
    : QObject(parent), m_host(std::move(host)), m_port(port) {}

StationPoller::~StationPoller() {
    m_stop = 1;
    if (m_thread.joinable())
        m_thread.join();
}

void StationPoller::Start() {
    if (!m_thread.joinable())
        m_thread = std::thread([this] { Run(); });
}

bool StationPoller::Pause(int ms) {
    for (int waited = 0; waited < ms && m_stop.load() == 0; waited += kStopSliceMs)
        std::this_thread::sleep_for(std::chrono::milliseconds(kStopSliceMs));
    return m_stop.load() == 0;
}

void StationPoller::Report(QList<MiraboTagInfo> tags) {
    QMetaObject::invokeMethod(this, [this, tags = std::move(tags)] {
        if (m_onTags)
            m_onTags(tags);
    }, Qt::QueuedConnection);
}

void StationPoller::Report(const QString& problem) {
    QMetaObject::invokeMethod(this, [this, problem] {
        if (m_onProblem)
            m_onProblem(problem);
    }, Qt::QueuedConnection);
}

QString StationPoller::Describe(int32_t code) const {
    const QString station = QStringLiteral("%1:%2").arg(m_host).arg(m_port);
    MiraboStationKey refusal;
    if (code == MIRABO_E_UNTRUSTED && LinkStationRefusal(Endpoint(), &refusal))
        return res::StationKeyMessage(refusal); // as Kestra tells it; nothing was sent to the station
    switch (code) {
    case MIRABO_E_ACCESSDENIED:
        return tr("Cannot reach the station %1: the host is unknown or refuses the connection. "
                  "Trying again...").arg(station);
    case MIRABO_E_ABORT:
        return tr("The station %1 refuses access to its tags (a logon is required).").arg(station);
    case MIRABO_E_TIMEOUT:
        return tr("The station %1 does not answer. Trying again...").arg(station);
    default:
        return tr("Cannot read the tags of the station %1 (error 0x%2). Trying again...")
            .arg(station)
            .arg(static_cast<uint32_t>(code), 8, 16, QLatin1Char('0'));
    }
}

MiraboEndpoint StationPoller::Endpoint() const { return MiraboEndpoint{m_host, m_port, QString(), 0, QString(), 10}; }

void StationPoller::Run() {
    ToolkitInit();
    ToolkitSetCancelWord(&m_stop);
    MiraboLink link = nullptr;
    try {
        Poll(&link);
    } catch (...) {
        Report(tr("Reading the tags failed; restart HalcyteExt to try again."));
    }
    if (link)
        LinkClose(link);
    ToolkitSetCancelWord(nullptr);
    ToolkitExit();
}

void StationPoller::Poll(MiraboLink* linkOut) {
    MiraboLink& link = *linkOut;
    while (m_stop.load() == 0) {
        if (!link) {
            const int32_t code = LinkOpen(Endpoint(), &link);
            if (code != MIRABO_OK) {
                link = nullptr;
                Report(Describe(code));
                Pause(kRetryMs);
                continue;
            }
            LinkSetTimeout(link, kRequestTimeoutMs);
            LinkActivate(link);
        }
        QList<MiraboTagInfo> tags;
        const int32_t code = TagList(QString(), &tags);
        if (LinkIsLost(link) != 0) {
            LinkClose(link);
            link = nullptr;
            if (m_stop.load() == 0)
                Report(tr("The connection to the station %1:%2 was lost. Reconnecting...").arg(m_host).arg(m_port));
            Pause(kRetryMs);
            continue;
        }
        if (code == MIRABO_OK)
            Report(std::move(tags));
        else
            Report(Describe(code));
        Pause(kRefreshMs);
    }
}
