// The worker's connect step: open the link, then read the service's switches, the project folder, the log
// font and the stored tag list into the shared state. (The OPC values follow in the first cycle after.)
#include "link/Worker.h"

#include "base/Station.h"
#include "link/LinkOpen.h"
#include "link/LogCategories.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace {

constexpr int32_t kPathCapacity = 261;
constexpr int32_t kFontNameCapacity = 32;
constexpr int32_t kTagNameCapacity = 1024;
const QString kProbeFile = QStringLiteral("a.txt");

// The log folder of the local station becomes the running project's folder (the path of a file in it
// without the file name). A failed query gives no path; the folder is then left as it was rather than
// emptied, which would move the log files into whatever the working directory is.
void ReadProjectFolder(WorkerChannel& channel) {
    QString path;
    ProjectFilePath(kProbeFile, &path, kPathCapacity);
    if (path.size() <= kProbeFile.size() || !path.endsWith(kProbeFile))
        return;
    channel.SetLogFolder(path.left(path.size() - kProbeFile.size()));
}

void ReadFont(WorkerChannel& channel) {
    const QString name = ConfigGetString(QStringLiteral("Font"), QStringLiteral("FontName"), QString(),
                                         kFontNameCapacity);
    const int32_t charSet = ConfigGetInt(QStringLiteral("Font"), QStringLiteral("CharSet"), -1);
    channel.SetFont(name, charSet);
}

// Subscribes the tags of the stored list that the service knows and makes them the shared tag list.
void ReadTags(WorkerChannel& channel, MiraboLink link) {
    QStringList tags;
    // A damaged store may hold any count; more tags than this were never stored by the tag list, and
    // reading them one by one would keep the connect step busy for hours.
    const int32_t count = std::min(ProfileGetInt(QStringLiteral("Kestra"), QStringLiteral("TagCount"), 0),
                                   kMaxStoredTags);
    for (int32_t i = 1; i <= count; ++i) {
        // A huge count must not hold the worker once the link is gone or a stop is requested.
        if (channel.m_bStopWorker.load() != 0 || LinkIsLost(link))
            break;
        const QString key = QStringLiteral("Tag%1").arg(i);
        const QString name = ProfileGetString(QStringLiteral("Kestra"), key, QString(), kTagNameCapacity);
        MiraboTagRef ref;
        if (TagParse(&ref, name) != 0) {
            TagLogEnable(name, 1);
            tags.append(name);
        }
    }
    channel.SetTags(tags);
}

// The end of a connect step: a link lost meanwhile is closed and the step fails.
int32_t FinishConnect(WorkerChannel& channel, MiraboLink& link) {
    if (LinkIsLost(link)) {
        LinkClose(link);
        link = nullptr;
        return MIRABO_E_FAIL;
    }
    ++channel.m_nConnectCount; // before the flag, so that whoever sees the flag sees the count
    channel.m_bConnected = 1;
    return MIRABO_OK;
}

} // namespace

bool ReadStationOpc(WorkerChannel& channel, MiraboLink link, int32_t kind) {
    // In the order the OPC dialog has always read them.
    OpcStationValues values;
    values.switchValue = SwitchGet(kind);
    for (const int32_t param : {2, 3, 1, 0, 4})
        values.params[param] = OpcLogParamGet(kind, param);
    if (LinkIsLost(link))
        return false;
    values.known = true;
    channel.SetStationOpc(kind, values);
    return true;
}

bool ReadStationOpcSwitches(WorkerChannel& channel, MiraboLink link) {
    constexpr int32_t kMaskQuery = 0xFFFF;
    constexpr int kFirstOpcMaskBit = 13; // OPC XML/DA, UA, .Net: bits 13, 14, 15
    const int32_t mask = SwitchGet(kMaskQuery);
    std::array<int32_t, std::size(kOpcKinds)> switches{};
    for (size_t i = 0; i < switches.size(); ++i)
        switches[i] = (mask & 1) ? (mask >> (kFirstOpcMaskBit + static_cast<int>(i))) & 1 : SwitchGet(kOpcKinds[i]);
    if (LinkIsLost(link))
        return false;
    for (size_t i = 0; i < switches.size(); ++i) {
        OpcStationValues values = channel.StationOpc(kOpcKinds[i]);
        if (!values.known)
            continue; // read whole first
        values.switchValue = switches[i];
        channel.SetStationOpc(kOpcKinds[i], values);
    }
    return true;
}

int32_t ConnectStep(WorkerParts parts, MiraboLink& link) {
    WorkerChannel& channel = parts.channel;
    channel.m_bConnected = 0;
    MiraboLink opened = nullptr;
    const int32_t rc = LinkOpen(StationEndpoint(parts.options, parts.exeIniPath), &opened);
    if (rc != MIRABO_OK)
        return rc;
    if (!opened)
        return MIRABO_E_FAIL;
    link = opened;

    LinkSetTimeout(link, parts.options.m_nTimeout);
    LinkActivate(link);
    LogOutputEnable(1);
    ReadCategoryValues(parts.categories, parts.options.m_bSlowConnection != 0);
    if (parts.options.m_bSlowConnection)
        return FinishConnect(channel, link);

    if (IsLocalStation(parts.options.m_strHost))
        ReadProjectFolder(channel);
    ReadFont(channel);
    ReadTags(channel, link);
    return FinishConnect(channel, link);
}
