#include "dialogs/TagListRules.h"

#include "link/LinkOpen.h"
#include "res/Ids.h"
#include "res/Resources.h"
#include "res/StationKeyTexts.h"

#include <QCursor>
#include <QGuiApplication>

#include <algorithm>
#include <array>

namespace {

const QString kSection = QStringLiteral("Kestra");

bool LessNoCase(const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) < 0; }

// The wait cursor while a link opens, on every way out.
class WaitCursor {
public:
    WaitCursor() : m_shown(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
        if (m_shown)
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    }
    ~WaitCursor() {
        if (m_shown)
            QGuiApplication::restoreOverrideCursor();
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    bool m_shown;
};

} // namespace

qsizetype SortedPosition(const QStringList& names, const QString& name) {
    return std::upper_bound(names.begin(), names.end(), name, LessNoCase) - names.begin();
}

QString BrowsedName(const char16_t* buffer) {
    const char16_t* end = std::find(buffer, buffer + kTagNameMax, u'\0');
    return QString::fromUtf16(buffer, end - buffer);
}

TagListRules::TagListRules(TagListParts parts, TagListToolkit& toolkit) : m_parts(parts), m_toolkit(toolkit) {}

TagListRules::~TagListRules() {
    if (m_hLink) {
        m_toolkit.LinkClose(m_hLink);
        m_hLink = nullptr;
    }
}

void TagListRules::Load() {
    m_names = m_parts.channel.Tags();
    std::stable_sort(m_names.begin(), m_names.end(), LessNoCase);
}

bool TagListRules::EnsureLink() {
    if (m_hLink) {
        if (m_toolkit.LinkIsLost(m_hLink) == 0)
            return true; // reused as it is, not activated again
        m_toolkit.LinkReset(); // drops the lost link; it is not closed here
    }
    WaitCursor wait;
    m_hLink = nullptr;
    const MiraboEndpoint endpoint = StationEndpoint(m_parts.options, m_parts.exeIniPath);
    const int32_t result = m_toolkit.LinkOpen(endpoint, &m_hLink);
    if (result != 0) {
        m_hLink = nullptr;
        // A station refused for its key is told why, as at start-up; nothing was sent to it.
        MiraboStationKey refusal;
        const bool refused = result == MIRABO_E_UNTRUSTED && m_toolkit.LinkStationRefusal(endpoint, &refusal) != 0;
        if (m_showError)
            m_showError(refused ? res::StationKeyMessage(refusal)
                                : res::FormatString(ids::IDS_ERROR_CONNECTING,
                                                    {res::StationName(m_parts.options.m_strHost),
                                                     QString::number(result), res::String(ids::IDS_TCPIP_SERVER)}));
        return false;
    }
    m_toolkit.LinkActivate(m_hLink);
    return true;
}

std::optional<QString> TagListRules::Browse() {
    if (m_toolkit.TagBrowserAvailable() == 0)
        return std::nullopt;
    std::array<char16_t, kTagNameMax + 1> buffer{};
    if (m_toolkit.Orbelle(buffer.data()) == 0)
        return std::nullopt;
    return BrowsedName(buffer.data());
}

int TagListRules::Add(const std::function<std::optional<QString>()>& typeName) {
    m_bChanged = true;
    if (!EnsureLink())
        return -1;
    std::optional<QString> name = m_parts.options.m_bSlowConnection ? typeName() : Browse();
    if (!name)
        return -1;
    QString tag = name->left(kTagNameMax);
    m_toolkit.TagNameNormalize(&tag);
    if (tag.isEmpty())
        return -1;
    const bool listed = std::any_of(m_names.begin(), m_names.end(), [&tag](const QString& listedName) {
        return listedName.compare(tag, Qt::CaseInsensitive) == 0;
    });
    if (listed)
        return -1;
    const qsizetype position = SortedPosition(m_names, tag);
    m_names.insert(position, tag);
    return static_cast<int>(position);
}

bool TagListRules::Remove(int index) {
    if (index < 0 || index >= m_names.size())
        return false;
    m_names.removeAt(index);
    m_bChanged = true;
    return true;
}

void TagListRules::RemoveAll() {
    m_bChanged = true;
    m_names.clear();
}

void TagListRules::Close() {
    if (!m_bChanged || !EnsureLink())
        return; // after a failed link the changes are dropped
    ApplyTagList();
}

void TagListRules::ApplyTagList() {
    const bool store = m_parts.options.m_bSlowConnection == 0;
    if (store)
        m_toolkit.ProfileSetString(kSection, QStringLiteral("TagCount"), QString::number(m_names.size()));
    for (const QString& old : m_parts.channel.Tags())
        m_toolkit.TagLogEnable(old, 0);
    QStringList applied;
    for (qsizetype i = 0; i < m_names.size(); ++i) {
        applied.append(m_names[i]);
        m_toolkit.TagLogEnable(m_names[i], 1);
        if (store)
            m_toolkit.ProfileSetString(kSection, QStringLiteral("Tag%1").arg(i + 1), m_names[i]);
    }
    m_parts.channel.SetTags(applied);
}
