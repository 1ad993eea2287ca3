// Resource lookups: the current module first, then the program's own resources.
#include "res/Resources.h"

#include "res/BuiltinResources.h"
#include "res/Ids.h"

#include "base/Station.h"

#include <atomic>

namespace res {
namespace {

// The program's own resources, answering from the built-in tables.
class OwnResourceModule final : public ResourceModule {
public:
    bool FindString(int id, QString* text) const override {
        const auto& strings = builtin::Strings();
        const auto it = strings.find(id);
        if (it == strings.end())
            return false;
        *text = it->second;
        return true;
    }

    bool FindMenuText(int commandOrPopupKey, QString* text) const override {
        const QList<MenuItem>& bar = builtin::MainMenu();
        for (int position = 0; position < bar.size(); ++position) {
            if (PopupKey(position) == commandOrPopupKey) {
                *text = bar[position].text;
                return true;
            }
            for (const MenuItem& item : bar[position].children) {
                if (!item.separator && item.id == commandOrPopupKey) {
                    *text = item.text;
                    return true;
                }
            }
        }
        return false;
    }

    bool FindDialogCaption(int dialogId, QString* text) const override {
        const auto& dialogs = builtin::Dialogs();
        const auto it = dialogs.find(dialogId);
        if (it == dialogs.end())
            return false;
        *text = it->second.caption;
        return true;
    }

    bool FindDialogText(int dialogId, int controlIndex, QString* text) const override {
        const auto& dialogs = builtin::Dialogs();
        const auto it = dialogs.find(dialogId);
        if (it == dialogs.end() || controlIndex < 0 || controlIndex >= it->second.controls.size())
            return false;
        *text = it->second.controls[controlIndex].text;
        return true;
    }
};

// Set at start-up and shut-down on the user-interface thread; atomic so that a lookup from another
// thread never sees a torn pointer.
std::atomic<const ResourceModule*> g_currentModule{nullptr};

// Looks a text up in the current module, then in the own module.
template <typename Find> bool Lookup(Find find, QString* text) {
    const ResourceModule* current = CurrentModule();
    if (find(*current, text))
        return true;
    const ResourceModule* own = OwnModule();
    return current != own && find(*own, text);
}

void TranslateMenu(QList<MenuItem>& items) {
    for (MenuItem& item : items) {
        if (item.separator)
            continue;
        if (item.id != 0) {
            QString text;
            if (Lookup([&](const ResourceModule& m, QString* t) { return m.FindMenuText(item.id, t); },
                       &text))
                item.text = text;
        }
        TranslateMenu(item.children);
    }
}

} // namespace

const ResourceModule* OwnModule() {
    static const OwnResourceModule own;
    return &own;
}

void SetCurrentModule(const ResourceModule* module) {
    g_currentModule.store(module);
}

const ResourceModule* CurrentModule() {
    const ResourceModule* module = g_currentModule.load();
    return module ? module : OwnModule();
}

QString String(int id) {
    QString text;
    Lookup([id](const ResourceModule& m, QString* t) { return m.FindString(id, t); }, &text);
    return text;
}

QList<MenuItem> Menu(int id) {
    if (id != ids::IDR_MAINFRAME)
        return {};
    QList<MenuItem> bar = builtin::MainMenu();
    for (int position = 0; position < bar.size(); ++position) {
        QString text;
        if (Lookup([position](const ResourceModule& m,
                              QString* t) { return m.FindMenuText(PopupKey(position), t); },
                   &text))
            bar[position].text = text;
        TranslateMenu(bar[position].children);
    }
    return bar;
}

QList<Accelerator> Accelerators(int id) {
    if (id != ids::IDR_MAINFRAME)
        return {};
    return builtin::MainAccelerators();
}

DialogTemplate Dialog(int id) {
    const auto& dialogs = builtin::Dialogs();
    const auto it = dialogs.find(id);
    if (it == dialogs.end())
        return {};
    DialogTemplate dialog = it->second;
    QString text;
    if (Lookup([id](const ResourceModule& m, QString* t) { return m.FindDialogCaption(id, t); }, &text))
        dialog.caption = text;
    for (int index = 0; index < dialog.controls.size(); ++index) {
        if (Lookup(
                [id, index](const ResourceModule& m, QString* t) { return m.FindDialogText(id, index, t); },
                &text))
            dialog.controls[index].text = text;
    }
    return dialog;
}

QString StationName(const QString& host) { return ::StationName(host, String(ids::IDS_LOCAL)); }

QString FormatString(int id, const QList<QString>& args) {
    // One pass over the format only: arguments are copied in and never scanned again, so a percent
    // sign inside an argument stays as it is. A specifier without an argument left becomes empty.
    const QString format = String(id);
    QString result;
    result.reserve(format.size());
    qsizetype next = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c != u'%' || i + 1 >= format.size()) {
            result += c;
            continue;
        }
        const QChar spec = format[i + 1];
        if (spec == u's' || spec == u'd') {
            if (next < args.size())
                result += args[next];
            ++next;
            ++i;
        } else if (spec == u'%') {
            result += u'%';
            ++i;
        } else {
            result += c;
        }
    }
    return result;
}

} // namespace res
