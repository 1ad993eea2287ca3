// The rules of the Log Tags dialog without its widgets: the list it edits (kept sorted as its list box
// shows it), whether anything was done to it, its own link to the service, and Close, which applies the
// list to the service, the profile store and the shared state.
#pragma once

#include "dialogs/TagListToolkit.h"
#include "link/WorkerChannel.h"
#include "state/ConnectionOptions.h"

#include <QStringList>

#include <functional>
#include <optional>

// What the tag list works on: the station it opens its own link to (the settings file's "HTTPPolling"
// read at each opening), and the channel whose tag list it shows and replaces.
struct TagListParts {
    const ConnectionOptions& options;
    const QString& exeIniPath;
    WorkerChannel& channel;
};

class TagListRules {
public:
    TagListRules(TagListParts parts, TagListToolkit& toolkit);
    ~TagListRules(); // closes the dialog's link

    // The names of the shared tag list, sorted.
    void Load();
    const QStringList& Names() const { return m_names; }
    bool Changed() const { return m_bChanged; }

    // Add: asks for a name (in slow-connection mode with `typeName`, which returns nothing on Cancel;
    // otherwise with the tag browser), normalizes it and inserts it in sorted position unless it is empty
    // or already listed (without regard to case). Returns the new entry's position, or -1.
    int Add(const std::function<std::optional<QString>()>& typeName);
    // Removes the entry at `index`; an index of -1 (no selection) changes nothing. Returns true when an
    // entry was removed.
    bool Remove(int index);
    void RemoveAll();
    // Close: when anything was done and the link is usable, unsubscribes the old tags, subscribes the
    // listed ones, stores the list (not in slow-connection mode) and hands it to the shared state.
    void Close();

    // Makes sure the dialog's own link is usable, opening it (again) when needed; false after a failed
    // open, which has been reported through m_showError.
    bool EnsureLink();
    std::function<void(const QString&)> m_showError;

private:
    std::optional<QString> Browse();
    void ApplyTagList();

    TagListParts m_parts;
    TagListToolkit& m_toolkit;
    QStringList m_names;
    MiraboLink m_hLink = nullptr;
    bool m_bChanged = false;
};

// The sorted position for `name` in `names` (sorted without regard to case).
qsizetype SortedPosition(const QStringList& names, const QString& name);
// A name as the browser left it in a buffer of kTagNameMax + 1 code units: up to the first terminator,
// and never more than kTagNameMax units.
QString BrowsedName(const char16_t* buffer);
