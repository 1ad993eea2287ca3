// The toolkit operations the Log Tags dialog makes, behind one interface so that its rules can be
// checked against a recording stand-in. ToolkitTagList forwards each to the client toolkit.
#pragma once

#include "toolkit/MiraboToolkit.h"

#include <cstdint>

class TagListToolkit {
public:
    virtual ~TagListToolkit() = default;

    virtual int32_t LinkOpen(const MiraboEndpoint& endpoint, MiraboLink* link) = 0;
    // Why the last attempt to reach the station was refused for its key; 0 when it was not.
    virtual int32_t LinkStationRefusal(const MiraboEndpoint& endpoint, MiraboStationKey* key) = 0;
    virtual void LinkActivate(MiraboLink link) = 0;
    virtual int32_t LinkIsLost(MiraboLink link) = 0;
    virtual void LinkReset() = 0;
    virtual void LinkClose(MiraboLink link) = 0;
    virtual int32_t TagBrowserAvailable() = 0;
    // The tag browser's Orbelle(name, 0, 0, 0); `name` holds kTagNameMax + 1 code units.
    virtual int32_t Orbelle(char16_t* name) = 0;
    virtual void TagNameNormalize(QString* name) = 0;
    virtual int32_t TagParse(const QString& name) = 0;
    virtual void TagLogEnable(const QString& name, int32_t enable) = 0;
    virtual void ProfileSetString(const QString& section, const QString& key, const QString& value) = 0;
};

constexpr int kTagNameMax = 2048; // code units of a tag name buffer, without the terminator

// The client toolkit itself.
class ToolkitTagList final : public TagListToolkit {
public:
    int32_t LinkOpen(const MiraboEndpoint& endpoint, MiraboLink* link) override;
    int32_t LinkStationRefusal(const MiraboEndpoint& endpoint, MiraboStationKey* key) override;
    void LinkActivate(MiraboLink link) override;
    int32_t LinkIsLost(MiraboLink link) override;
    void LinkReset() override;
    void LinkClose(MiraboLink link) override;
    int32_t TagBrowserAvailable() override;
    int32_t Orbelle(char16_t* name) override;
    void TagNameNormalize(QString* name) override;
    int32_t TagParse(const QString& name) override;
    void TagLogEnable(const QString& name, int32_t enable) override;
    void ProfileSetString(const QString& section, const QString& key, const QString& value) override;
};
