#include "logview/logic/DocumentTitle.h"

#include "res/Ids.h"
#include "res/Resources.h"

namespace viewlogic {

QString ComposeDocumentTitle(const QString& host, bool connected) {
    QString title = res::String(ids::IDS_DOC_TITLE);
    title += QStringLiteral(": <");
    title += res::StationName(host);
    title += QLatin1Char('>');
    if (!connected)
        title += res::String(ids::IDS_DISCONNECTED);
    return title;
}

} // namespace viewlogic
