#include "dialogs/TagListToolkit.h"

int32_t ToolkitTagList::LinkOpen(const MiraboEndpoint& endpoint, MiraboLink* link) { return ::LinkOpen(endpoint, link); }
int32_t ToolkitTagList::LinkStationRefusal(const MiraboEndpoint& endpoint, MiraboStationKey* key) {
    return ::LinkStationRefusal(endpoint, key);
}
void ToolkitTagList::LinkActivate(MiraboLink link) { ::LinkActivate(link); }
int32_t ToolkitTagList::LinkIsLost(MiraboLink link) { return ::LinkIsLost(link); }
void ToolkitTagList::LinkReset() { ::LinkReset(); }
void ToolkitTagList::LinkClose(MiraboLink link) { ::LinkClose(link); }
int32_t ToolkitTagList::TagBrowserAvailable() { return ::TagBrowserAvailable(); }

int32_t ToolkitTagList::Orbelle(char16_t* name) {
    const MiraboTagBrowserProc browse = TagBrowserProc();
    return browse ? browse(name, 0, 0, 0) : 0;
}

void ToolkitTagList::TagNameNormalize(QString* name) { ::TagNameNormalize(name); }

int32_t ToolkitTagList::TagParse(const QString& name) {
    MiraboTagRef ref; // not used further
    return ::TagParse(&ref, name);
}

void ToolkitTagList::TagLogEnable(const QString& name, int32_t enable) { ::TagLogEnable(name, enable); }

void ToolkitTagList::ProfileSetString(const QString& section, const QString& key, const QString& value) {
    ::ProfileSetString(section, key, value);
}
