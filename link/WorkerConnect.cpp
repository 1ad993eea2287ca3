// The worker's connect step: open the link, then read the service's switches, the project folder, the
// log font and the stored tag list into the shared state.
#include "link/Worker.h"

#include "settings/PrivateProfile.h"

#include <algorithm>
#include <iterator>
#include <mutex>

namespace {

using FieldOf = KestraWord& (*)(CKestraExtShared&);

// Bit of the 0xFFFF answer -> field.
struct MaskBit {
    int bit;
    FieldOf field;
};

const MaskBit kMaskBits[] = {
    {1, [](CKestraExtShared& a) -> KestraWord& { return a.m_nLogRecipeReport; }},
    {2, [](CKestraExtShared& a) -> KestraWord& { return a.m_nLogFieldRead; }},
    {3, [](CKestraExtShared& a) -> KestraWord& { return a.m_nLogFieldWrite; }},
    {4, [](CKestraExtShared& a) -> KestraWord& { return a.m_nLogTrace; }},
    {5, [](CKestraExtShared& a) -> KestraWord& { return a.m_nLogDde; }},
    {6, [](CKestraExtShared& a) -> KestraWord& { return a.m_nLogTcpIp; }},
    {7, [](CKestraExtShared& a) -> KestraWord& { return a.m_nLogOpcDa; }},
    {8, [](CKestraExtShared& a) -> KestraWord& { return a.m_nLogDisplay; }},
    {9, [](CKestraExtShared& a) -> KestraWord& { return a.m_nLogLogon; }},
    {10, [](CKestraExtShared& a) -> KestraWord& { return a.m_nLogProtocolAnalyzer; }},
    {11, [](CKestraExtShared& a) -> KestraWord& { return a.m_nDateTimeStamp; }},
    {12, [](CKestraExtShared& a) -> KestraWord& { return a.m_nLogDatabase; }},
    {13, [](CKestraExtShared& a) -> KestraWord& { return a.m_opcXmlDa.enabled; }},
    {14, [](CKestraExtShared& a) -> KestraWord& { return a.m_opcUa.enabled; }},
    {15, [](CKestraExtShared& a) -> KestraWord& { return a.m_opcNet.enabled; }},
};

// The separate queries made when the service offers no bit mask, in the order they are made.
constexpr int kStampQuery = -1; // DateTimeStampGet instead of SwitchGet
struct SwitchQuery {
    int index;
    FieldOf field;
};

const SwitchQuery kSwitchQueries[] = {
    {0, [](CKestraExtShared& a) -> KestraWord& { return a.m_nLogRecipeReport; }},
    {1, [](CKestraExtShared& a) -> KestraWord& { return a.m_nLogFieldRead; }},
    {2, [](CKestraExtShared& a) -> KestraWord& { return a.m_nLogFieldWrite; }},
    {3, [](CKestraExtShared& a) -> KestraWord& { return a.m_nLogTrace; }},
    {6, [](CKestraExtShared& a) -> KestraWord& { return a.m_nLogDde; }},
    {8, [](CKestraExtShared& a) -> KestraWord& { return a.m_nLogTcpIp; }},
    {4, [](CKestraExtShared& a) -> KestraWord& { return a.m_nLogDisplay; }},
    {5, [](CKestraExtShared& a) -> KestraWord& { return a.m_nLogLogon; }},
    {7, [](CKestraExtShared& a) -> KestraWord& { return a.m_nLogProtocolAnalyzer; }},
    {kStampQuery, [](CKestraExtShared& a) -> KestraWord& { return a.m_nDateTimeStamp; }},
    {10, [](CKestraExtShared& a) -> KestraWord& { return a.m_nLogDatabase; }},
    {9, [](CKestraExtShared& a) -> KestraWord& { return a.m_nLogOpcDa; }},
    {11, [](CKestraExtShared& a) -> KestraWord& { return a.m_opcXmlDa.enabled; }},
    {12, [](CKestraExtShared& a) -> KestraWord& { return a.m_opcUa.enabled; }},
    {13, [](CKestraExtShared& a) -> KestraWord& { return a.m_opcNet.enabled; }},
};
static_assert(std::size(kMaskBits) == 15 && std::size(kSwitchQueries) == 15);

constexpr int32_t kMaskQuery = 0xFFFF;
constexpr int32_t kPathCapacity = 261;
constexpr int32_t kFontNameCapacity = 32;
constexpr int32_t kTagNameCapacity = 1024;
const QString kProbeFile = QStringLiteral("a.txt");

// Reads every switch value: from the bit mask when the service offers one, else one query each (not in
// slow-connection mode, where the values are kept).
void ReadSwitches(CKestraExtShared* app) {
    const int32_t mask = SwitchGet(kMaskQuery);
    if (mask & 1) {
        for (const MaskBit& m : kMaskBits)
            m.field(*app) = (mask >> m.bit) & 1;
        return;
    }
    if (app->m_bSlowConnection)
        return;
    for (const SwitchQuery& q : kSwitchQueries)
        q.field(*app) = q.index == kStampQuery ? DateTimeStampGet() : SwitchGet(q.index);
}

// The log folder of the local station becomes the running project's folder (the path of a file in it
// without the file name). A failed query gives no path; the folder is then left as it was rather than
// emptied, which would move the log files into whatever the working directory is.
void ReadProjectFolder(CKestraExtShared* app) {
    QString path;
    ProjectFilePath(kProbeFile, &path, kPathCapacity);
    if (path.size() <= kProbeFile.size() || !path.endsWith(kProbeFile))
        return;
    const QString folder = path.left(path.size() - kProbeFile.size());
    std::lock_guard<std::mutex> guard(app->m_lock);
    app->m_strLogFolder = folder;
}

void ReadFont(CKestraExtShared* app) {
    const QString name = ConfigGetString(QStringLiteral("Font"), QStringLiteral("FontName"), QString(),
                                         kFontNameCapacity);
    const int32_t charSet = ConfigGetInt(QStringLiteral("Font"), QStringLiteral("CharSet"), -1);
    std::lock_guard<std::mutex> guard(app->m_lock);
    app->m_strFontName = name;
    if (charSet != -1)
        app->m_nCharSet = charSet;
}

// Subscribes the tags of the stored list that the service knows and makes them the shared tag list.
void ReadTags(CKestraExtShared* app, MiraboLink link) {
    QStringList tags;
    // A damaged store may hold any count; more tags than this were never stored by the tag list, and
    // reading them one by one would keep the connect step busy for hours.
    const int32_t count = std::min(ProfileGetInt(QStringLiteral("Kestra"), QStringLiteral("TagCount"), 0),
                                   kMaxStoredTags);
    for (int32_t i = 1; i <= count; ++i) {
        // A huge count must not hold the worker once the link is gone or a stop is requested.
        if (app->m_bStopWorker.load() != 0 || LinkIsLost(link))
            break;
        const QString key = QStringLiteral("Tag%1").arg(i);
        const QString name = ProfileGetString(QStringLiteral("Kestra"), key, QString(), kTagNameCapacity);
        MiraboTagRef ref;
        if (TagParse(&ref, name) != 0) {
            TagLogEnable(name, 1);
            tags.append(name);
        }
    }
    std::lock_guard<std::mutex> guard(app->m_lock);
    app->m_lstTags = tags;
}

// The end of a connect step: a link lost meanwhile is closed and the step fails.
int32_t FinishConnect(CKestraExtShared* app, MiraboLink& link) {
    if (LinkIsLost(link)) {
        LinkClose(link);
        link = nullptr;
        return MIRABO_E_FAIL;
    }
    app->m_bConnected = 1;
    return MIRABO_OK;
}

} // namespace

int32_t ConnectStep(CKestraExtShared* app, MiraboLink& link) {
    QString iniPath, host, proxyHost, wtg;
    {
        std::lock_guard<std::mutex> guard(app->m_lock);
        iniPath = app->m_strExeIniPath;
        host = app->m_strHost;
        proxyHost = app->m_strProxyHost;
        wtg = app->m_strWtg;
    }
    const int32_t polling =
        profile::GetPrivateProfileInt(QStringLiteral("Options"), QStringLiteral("HTTPPolling"), 10, iniPath);

    app->m_bConnected = 0;
    MiraboLink opened = nullptr;
    const int32_t rc = LinkOpen(host, app->m_nPort, proxyHost, app->m_nProxyPort, wtg, polling, &opened);
    if (rc != MIRABO_OK)
        return rc;
    if (!opened)
        return MIRABO_E_FAIL;
    link = opened;

    LinkSetTimeout(link, app->m_nTimeout);
    LinkActivate(link);
    LogOutputEnable(1);
    ReadSwitches(app);
    if (app->m_bSlowConnection)
        return FinishConnect(app, link);

    if (IsLocalStation(host))
        ReadProjectFolder(app);
    ReadFont(app);
    ReadTags(app, link);
    return FinishConnect(app, link);
}
