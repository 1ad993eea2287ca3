#include "link/LogCategories.h"

#include "res/Ids.h"

#include <algorithm>
#include <iterator>
#include <mutex>

namespace {

constexpr SimpleCategory kCategories[] = {
    {ids::ID_LOG_RECIPE_REPORT, &CKestraExtShared::m_nLogRecipeReport, 0},
    {ids::ID_LOG_FIELD_READ, &CKestraExtShared::m_nLogFieldRead, 1},
    {ids::ID_LOG_FIELD_WRITE, &CKestraExtShared::m_nLogFieldWrite, 2},
    {ids::ID_LOG_PROTOCOL_ANALYZER, &CKestraExtShared::m_nLogProtocolAnalyzer, 7},
    {ids::ID_LOG_TRACE, &CKestraExtShared::m_nLogTrace, 3},
    {ids::ID_LOG_TCPIP, &CKestraExtShared::m_nLogTcpIp, 8},
    {ids::ID_LOG_OPC_DA, &CKestraExtShared::m_nLogOpcDa, 9},
    {ids::ID_LOG_DISPLAY, &CKestraExtShared::m_nLogDisplay, 4},
    {ids::ID_LOG_LOGON, &CKestraExtShared::m_nLogLogon, 5},
    {ids::ID_LOG_DATABASE, &CKestraExtShared::m_nLogDatabase, 10},
    {ids::ID_LOG_DDE, &CKestraExtShared::m_nLogDde, 6},
};

int32_t Negated(int32_t value) {
    return value == 0 ? 1 : 0;
}

} // namespace

std::span<const SimpleCategory> SimpleCategories() {
    return kCategories;
}

const SimpleCategory* FindSimpleCategory(int commandId) {
    const auto it = std::find_if(std::begin(kCategories), std::end(kCategories),
                                 [commandId](const SimpleCategory& c) { return c.commandId == commandId; });
    return it == std::end(kCategories) ? nullptr : &*it;
}

bool IsSimpleCategory(int commandId) {
    return FindSimpleCategory(commandId) != nullptr;
}

void ToggleCategory(CKestraExtShared& app, int commandId) {
    const SimpleCategory* category = FindSimpleCategory(commandId);
    if (!category || app.m_bConnected.load() == 0)
        return;
    KestraWord& field = app.*(category->field);
    const int32_t value = Negated(field.load());
    field = value;
    std::lock_guard<std::mutex> guard(app.m_lock);
    app.m_switchQueue.push_back(PackChange(category->switchIndex, value));
}

void ToggleDateTimeStamp(CKestraExtShared& app) {
    if (app.m_bConnected.load() == 0)
        return;
    app.m_nDateTimeStamp = Negated(app.m_nDateTimeStamp.load());
    app.m_bDateTimeChanged = 1;
}

CommandState CategoryUpdateState(const CKestraExtShared& app, int commandId) {
    const KestraWord* field = nullptr;
    if (commandId == ids::ID_OPTIONS_INSERT_DATETIME)
        field = &app.m_nDateTimeStamp;
    else if (const SimpleCategory* category = FindSimpleCategory(commandId))
        field = &(app.*(category->field));
    if (!field || app.m_bConnected.load() == 0)
        return CommandState{};
    return CommandState{true, field->load()};
}
