#include "follow/CategoryNames.h"

#include <QString>

namespace follow {

CategoryName NameOf(LogCategoryId id) {
    switch (id) {
    case LogCategoryId::RecipeReport:
        return {"recipe", "recipe and report commands"};
    case LogCategoryId::FieldRead:
        return {"fieldread", "commands that read data from the field"};
    case LogCategoryId::FieldWrite:
        return {"fieldwrite", "commands that write data to the field"};
    case LogCategoryId::Trace:
        return {"trace", "trace messages"};
    case LogCategoryId::Dde:
        return {"dde", "DDE messages"};
    case LogCategoryId::TcpIp:
        return {"tcpip", "TCP/IP messages"};
    case LogCategoryId::Display:
        return {"display", "displays opened and closed"};
    case LogCategoryId::Logon:
        return {"logon", "users logging on and off"};
    case LogCategoryId::ProtocolAnalyzer:
        return {"analyzer", "protocol analyzer"};
    case LogCategoryId::DateTimeStamp:
        return {"stamp", "date and time in front of every message"};
    case LogCategoryId::Database:
        return {"database", "database messages"};
    case LogCategoryId::OpcDa:
        return {"opcda", "OPC DA 2.05 messages"};
    case LogCategoryId::OpcXmlDa:
        return {"opcxml", "OPC XML/DA messages"};
    case LogCategoryId::OpcUa:
        return {"opcua", "OPC UA messages"};
    case LogCategoryId::OpcNet:
        return {"opcnet", "OPC .Net messages"};
    }
    return {"", ""};
}

std::optional<LogCategoryId> CategoryByName(QStringView name) {
    for (const LogCategory& category : LogCategories()) {
        if (name.compare(QLatin1String(NameOf(category.id).name), Qt::CaseInsensitive) == 0)
            return category.id;
    }
    return std::nullopt;
}

} // namespace follow
