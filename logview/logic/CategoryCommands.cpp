#include "logview/logic/CategoryCommands.h"

#include "res/Ids.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace viewlogic {

namespace {

using Id = LogCategoryId;

constexpr std::pair<int, LogCategoryId> kCommandCategories[] = {
    {ids::ID_LOG_RECIPE_REPORT, Id::RecipeReport},
    {ids::ID_LOG_FIELD_READ, Id::FieldRead},
    {ids::ID_LOG_FIELD_WRITE, Id::FieldWrite},
    {ids::ID_LOG_PROTOCOL_ANALYZER, Id::ProtocolAnalyzer},
    {ids::ID_LOG_TRACE, Id::Trace},
    {ids::ID_LOG_TCPIP, Id::TcpIp},
    {ids::ID_LOG_OPC_DA, Id::OpcDa},
    {ids::ID_LOG_OPC_XMLDA, Id::OpcXmlDa},
    {ids::ID_LOG_OPC_UA, Id::OpcUa},
    {ids::ID_LOG_OPC_NET, Id::OpcNet},
    {ids::ID_LOG_DISPLAY, Id::Display},
    {ids::ID_LOG_LOGON, Id::Logon},
    {ids::ID_LOG_DATABASE, Id::Database},
    {ids::ID_LOG_DDE, Id::Dde},
    {ids::ID_OPTIONS_INSERT_DATETIME, Id::DateTimeStamp},
};

} // namespace

std::span<const std::pair<int, LogCategoryId>> CategoryCommands() {
    return kCommandCategories;
}

std::optional<LogCategoryId> CategoryOfCommand(int commandId) {
    const auto it = std::find_if(std::begin(kCommandCategories), std::end(kCommandCategories),
                                 [commandId](const auto& row) { return row.first == commandId; });
    if (it == std::end(kCommandCategories))
        return std::nullopt;
    return it->second;
}

bool IsSimpleCategory(int commandId) {
    const auto id = CategoryOfCommand(commandId);
    return id && Category(*id).kind == CategoryKind::Simple;
}

bool IsCheckableCommand(int commandId) {
    return commandId == ids::ID_EDIT_PAUSE || commandId == ids::ID_OPTIONS_ALWAYS_ON_TOP ||
           CategoryOfCommand(commandId).has_value();
}

int32_t OpcKindOfCommand(int commandId) {
    const auto id = CategoryOfCommand(commandId);
    if (!id || Category(*id).kind != CategoryKind::OpcKind)
        return 0;
    return Category(*id).switchIndex; // an OPC kind's switch index is the kind
}

void ToggleCategory(CategoryWords& words, WorkerChannel& channel, int commandId) {
    const auto id = CategoryOfCommand(commandId);
    if (!id)
        return;
    if (*id == LogCategoryId::DateTimeStamp)
        ToggleDateTimeStamp(words, channel);
    else
        ::ToggleCategory(words, channel, *id);
}

CommandState CategoryUpdateState(const CategoryWords& words, const WorkerChannel& channel, int commandId) {
    const auto id = CategoryOfCommand(commandId);
    if (!id || Category(*id).kind == CategoryKind::OpcKind)
        return CommandState{};
    return ::CategoryUpdateState(words, channel, *id);
}

} // namespace viewlogic
