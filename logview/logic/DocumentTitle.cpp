#include "logview/logic/DocumentTitle.h"

#include "link/KestraShared.h"
#include "res/Ids.h"
#include "res/Resources.h"

namespace viewlogic {

QString ComposeDocumentTitle(const QString& host, bool connected) {
    QString title = res::String(ids::IDS_DOC_TITLE);
    title += QStringLiteral(": <");
    title += IsLocalStation(host) ? res::String(ids::IDS_LOCAL) : host;
    title += QLatin1Char('>');
    if (!connected)
        title += res::String(ids::IDS_DISCONNECTED);
    return title;
}

int RefreshPeriodMs(const QString& host) { return IsLocalStation(host) ? 100 : 1000; }

} // namespace viewlogic
