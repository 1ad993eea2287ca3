#include "link/LogCategories.h"

#include "toolkit/MiraboToolkit.h"

#include <algorithm>
#include <iterator>

namespace {

using Id = LogCategoryId;
using Kind = CategoryKind;

#define KESTRA_FIELD(member) [](CategoryWords& s) -> KestraWord& { return s.member; }

constexpr int kStamp = -1;

const LogCategory kCategories[] = {
    {Id::RecipeReport, Kind::Simple, KESTRA_FIELD(m_nLogRecipeReport), 0, 1},
    {Id::FieldRead, Kind::Simple, KESTRA_FIELD(m_nLogFieldRead), 1, 2},
    {Id::FieldWrite, Kind::Simple, KESTRA_FIELD(m_nLogFieldWrite), 2, 3},
    {Id::Trace, Kind::Simple, KESTRA_FIELD(m_nLogTrace), 3, 4},
    {Id::Dde, Kind::Simple, KESTRA_FIELD(m_nLogDde), 6, 5},
    {Id::TcpIp, Kind::Simple, KESTRA_FIELD(m_nLogTcpIp), 8, 6},
    {Id::Display, Kind::Simple, KESTRA_FIELD(m_nLogDisplay), 4, 8},
    {Id::Logon, Kind::Simple, KESTRA_FIELD(m_nLogLogon), 5, 9},
    {Id::ProtocolAnalyzer, Kind::Simple, KESTRA_FIELD(m_nLogProtocolAnalyzer), 7, 10},
    {Id::DateTimeStamp, Kind::Stamp, KESTRA_FIELD(m_nDateTimeStamp), kStamp, 11},
    {Id::Database, Kind::Simple, KESTRA_FIELD(m_nLogDatabase), 10, 12},
    {Id::OpcDa, Kind::Simple, KESTRA_FIELD(m_nLogOpcDa), 9, 7},
    {Id::OpcXmlDa, Kind::OpcKind, KESTRA_FIELD(m_opcXmlDa.enabled), kOpcKindXmlDa, 13},
    {Id::OpcUa, Kind::OpcKind, KESTRA_FIELD(m_opcUa.enabled), kOpcKindUa, 14},
    {Id::OpcNet, Kind::OpcKind, KESTRA_FIELD(m_opcNet.enabled), kOpcKindNet, 15},
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

void ReadCategoryValues(CategoryWords& words, bool slowConnection) {
    const int32_t mask = SwitchGet(kMaskQuery);
    if (mask & 1) {
        for (const LogCategory& c : kCategories)
            c.field(words) = (mask >> c.maskBit) & 1;
        return;
    }
    if (slowConnection)
        return;
    for (const LogCategory& c : kCategories)
        c.field(words) = c.kind == CategoryKind::Stamp ? DateTimeStampGet() : SwitchGet(c.switchIndex);
}

void ToggleCategory(CategoryWords& words, WorkerChannel& channel, LogCategoryId id) {
    const LogCategory& category = Category(id);
    if (category.kind != CategoryKind::Simple || channel.m_bConnected.load() == 0)
        return;
    RequestCategory(words, channel, id, Negated(category.field(words).load()));
}

void ToggleDateTimeStamp(CategoryWords& words, WorkerChannel& channel) {
    if (channel.m_bConnected.load() == 0)
        return;
    RequestCategory(words, channel, LogCategoryId::DateTimeStamp, Negated(words.m_nDateTimeStamp.load()));
}

void RequestCategory(CategoryWords& words, WorkerChannel& channel, LogCategoryId id, int32_t value) {
    const LogCategory& category = Category(id);
    category.field(words) = value;
    if (category.kind == CategoryKind::Stamp)
        channel.m_bDateTimeChanged = 1;
    else
        channel.QueueSwitchChange(PackChange(static_cast<uint32_t>(category.switchIndex), value));
}

CommandState CategoryUpdateState(const CategoryWords& words, const WorkerChannel& channel, LogCategoryId id) {
    if (channel.m_bConnected.load() == 0)
        return CommandState{};
    return CommandState{true, Category(id).Word(words).load()};
}
