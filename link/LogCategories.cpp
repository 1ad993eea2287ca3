#include "link/LogCategories.h"

#include "toolkit/MiraboToolkit.h"

#include <algorithm>
#include <iterator>

namespace {

using Id = LogCategoryId;
using Kind = CategoryKind;

#define KESTRA_FIELD(member) [](CKestraExtShared& s) -> KestraWord& { return s.member; }

constexpr int kStamp = -1;

const LogCategory kCategories[] = {
    {Id::RecipeReport, Kind::Simple, KESTRA_FIELD(m_nLogRecipeReport), 0, 1, true},
    {Id::FieldRead, Kind::Simple, KESTRA_FIELD(m_nLogFieldRead), 1, 2, true},
    {Id::FieldWrite, Kind::Simple, KESTRA_FIELD(m_nLogFieldWrite), 2, 3, true},
    {Id::Trace, Kind::Simple, KESTRA_FIELD(m_nLogTrace), 3, 4, true},
    {Id::Dde, Kind::Simple, KESTRA_FIELD(m_nLogDde), 6, 5, true},
    {Id::TcpIp, Kind::Simple, KESTRA_FIELD(m_nLogTcpIp), 8, 6, true},
    {Id::Display, Kind::Simple, KESTRA_FIELD(m_nLogDisplay), 4, 8, true},
    {Id::Logon, Kind::Simple, KESTRA_FIELD(m_nLogLogon), 5, 9, true},
    {Id::ProtocolAnalyzer, Kind::Simple, KESTRA_FIELD(m_nLogProtocolAnalyzer), 7, 10, true},
    {Id::DateTimeStamp, Kind::Stamp, KESTRA_FIELD(m_nDateTimeStamp), kStamp, 11, true},
    {Id::Database, Kind::Simple, KESTRA_FIELD(m_nLogDatabase), 10, 12, true},
    {Id::OpcDa, Kind::Simple, KESTRA_FIELD(m_nLogOpcDa), 9, 7, true},
    {Id::OpcXmlDa, Kind::OpcKind, KESTRA_FIELD(m_opcXmlDa.enabled), kOpcKindXmlDa, 13, true},
    {Id::OpcUa, Kind::OpcKind, KESTRA_FIELD(m_opcUa.enabled), kOpcKindUa, 14, true},
    {Id::OpcNet, Kind::OpcKind, KESTRA_FIELD(m_opcNet.enabled), kOpcKindNet, 15, true},
};

#undef KESTRA_FIELD

constexpr int32_t kMaskQuery = 0xFFFF;

int32_t Negated(int32_t value) { return value == 0 ? 1 : 0; }

} // namespace

std::span<const LogCategory> LogCategories() { return kCategories; }

const LogCategory& Category(LogCategoryId id) {
    const auto it = std::find_if(std::begin(kCategories), std::end(kCategories),
                                 [id](const LogCategory& c) { return c.id == id; });
    return *it; // every id has a row
}

void ReadCategoryValues(CKestraExtShared& shared) {
    const int32_t mask = SwitchGet(kMaskQuery);
    if (mask & 1) {
        for (const LogCategory& c : kCategories)
            c.field(shared) = (mask >> c.maskBit) & 1;
        return;
    }
    if (shared.m_bSlowConnection)
        return;
    for (const LogCategory& c : kCategories)
        c.field(shared) = c.kind == CategoryKind::Stamp ? DateTimeStampGet() : SwitchGet(c.switchIndex);
}

void ToggleCategory(CKestraExtShared& shared, LogCategoryId id) {
    const LogCategory& category = Category(id);
    if (category.kind != CategoryKind::Simple || shared.m_bConnected.load() == 0)
        return;
    KestraWord& field = category.field(shared);
    const int32_t value = Negated(field.load());
    field = value;
    shared.QueueSwitchChange(PackChange(static_cast<uint32_t>(category.switchIndex), value));
}

void ToggleDateTimeStamp(CKestraExtShared& shared) {
    if (shared.m_bConnected.load() == 0)
        return;
    shared.m_nDateTimeStamp = Negated(shared.m_nDateTimeStamp.load());
    shared.m_bDateTimeChanged = 1;
}

CommandState CategoryUpdateState(const CKestraExtShared& shared, LogCategoryId id) {
    if (shared.m_bConnected.load() == 0)
        return CommandState{};
    auto& mutableShared = const_cast<CKestraExtShared&>(shared); // the accessor only reads here
    return CommandState{true, Category(id).field(mutableShared).load()};
}
