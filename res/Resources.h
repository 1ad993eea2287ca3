// The program's user-interface resources, keyed by the same numeric ids everywhere: the string table,
// the main menu (128), the accelerator table (128) and the dialog templates.
//
// The program's own resources are compiled in (res/BuiltinResources.cpp). A language bundle may
// replace any string, menu text or dialog text by id; lookups go through the current resource module,
// which is the program's own module unless a bundle was loaded and installed.
#pragma once

#include <QKeySequence>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

#include <map>
#include <memory>

namespace res {

// One menu entry. A popup has children and id 0; a separator has separator = true.
struct MenuItem {
    int id = 0;
    QString text; // exact text, "&" marks the mnemonic, "\t" separates the accelerator label
    bool separator = false;
    bool initiallyDisabled = false;
    QList<MenuItem> children;
};

struct Accelerator {
    QKeySequence key;
    int commandId = 0;
};

// One control of a dialog template. Geometry is in dialog units.
struct DialogControl {
    int id = -1;   // -1 for controls without an id (labels, group boxes)
    QString kind;  // "button", "defbutton", "radio", "check", "edit", "static", "rstatic", "group",
                   // "listbox", "combo", "password", "icon" (the program icon)
    QString text;
    QRect rect;    // x, y, w, h in dialog units
};

struct DialogTemplate {
    int id = 0;
    QString caption;
    QSize size; // dialog units
    QString fontName;
    int pointSize = 8;
    QList<DialogControl> controls;
};

// A set of resources: the program's own, or a language bundle that overrides some of them.
class ResourceModule {
public:
    virtual ~ResourceModule() = default;
    // Each lookup returns false when this module has no entry for the id.
    virtual bool FindString(int id, QString* text) const = 0;
    virtual bool FindMenuText(int commandOrPopupKey, QString* text) const = 0;
    virtual bool FindDialogCaption(int dialogId, QString* text) const = 0;
    virtual bool FindDialogText(int dialogId, int controlIndex, QString* text) const = 0;
};

// The program's own module (never null, lives for the whole process).
const ResourceModule* OwnModule();

// The framework's current resource handle: lookups below consult it first, then the own module.
void SetCurrentModule(const ResourceModule* module); // nullptr means the own module
const ResourceModule* CurrentModule();

// Lookups through the current module, falling back to the program's own resources.
QString String(int id);                       // empty when no module has the id
QList<MenuItem> Menu(int id);                  // 128: the main menu bar
QList<Accelerator> Accelerators(int id);       // 128
DialogTemplate Dialog(int id);                 // texts already replaced by the current module
QString FormatString(int id, const QList<QString>& args); // "%s"/"%d" filled in order, no re-reading
// The station as titles and messages name it: string 133 ("LOCAL") for the local station, else the host
// as typed.
QString StationName(const QString& host);

// Key used by FindMenuText for a popup menu (which has no command id): 0x10000 + its position in the bar.
constexpr int PopupKey(int position) { return 0x10000 + position; }

} // namespace res
