// A language bundle: a resource module read from a UTF-8 text file that replaces some of the program's
// strings, menu texts and dialog texts by id. Whatever it does not name comes from the program's own
// resources.
//
// Format (lines; a line starting with ';' or '#' and a blank line are ignored; a UTF-8 byte-order mark
// is allowed):
//
//   [Bundle]
//   Format=1                 required, before any other section
//   Culture=de               optional, informative
//
//   [Strings]
//   <string id>=<text>
//
//   [Menu]
//   <command id>=<text>      a menu item
//   Popup<n>=<text>          the n-th pop-up of the menu bar, counted from 0
//
//   [Dialog <template id>]
//   Caption=<text>
//   <control index>=<text>   the control at that position of the template, counted from 0
//
// Section names and the words Format, Culture, Popup and Caption are compared without regard to case.
// A text is what follows the first '=', without surrounding blanks; one pair of surrounding double
// quotes is removed, so that "\" - Getrennt\"" keeps its leading blank. Escapes: \n line break,
// \t tab, \\ backslash, \" double quote. The first entry for an id wins.
//
// A bundle that is not valid UTF-8, lacks the [Bundle] header, has a line that is none of the above,
// a key that is not a number (or the words above), an unknown section or escape, or is larger than
// 1 MiB is malformed and is not loaded at all.
#pragma once

#include "res/Resources.h"

#include <QByteArray>
#include <QString>
#include <QTranslator>

#include <map>
#include <memory>
#include <utility>

class LanguageBundle final : public res::ResourceModule {
public:
    // Reads and checks a bundle file; null when it cannot be read or is malformed (`error` says why).
    static std::unique_ptr<LanguageBundle> Load(const QString& path, QString* error = nullptr);
    static std::unique_ptr<LanguageBundle> Parse(const QByteArray& bytes, QString* error = nullptr);

    bool FindString(int id, QString* text) const override;
    bool FindMenuText(int commandOrPopupKey, QString* text) const override;
    bool FindDialogCaption(int dialogId, QString* text) const override;
    bool FindDialogText(int dialogId, int controlIndex, QString* text) const override;

    QString Culture() const { return m_culture; }
    // Installs Qt's own translations (standard buttons, file and print dialogs) for `culture` ("de-DE"
    // looks for de_DE, then de) from Qt's translations folder, for the bundle's lifetime. False when
    // there are none.
    bool LoadQtTranslations(const QString& culture);
    size_t StringCount() const { return m_strings.size(); }
    size_t MenuTextCount() const { return m_menu.size(); }

    static constexpr qint64 kMaxBytes = 1 << 20;

private:
    LanguageBundle() = default;

    std::unique_ptr<QTranslator> m_qtTranslations;

    QString m_culture;
    std::map<int, QString> m_strings;
    std::map<int, QString> m_menu;                      // command id or res::PopupKey(position)
    std::map<int, QString> m_captions;                  // by dialog id
    std::map<std::pair<int, int>, QString> m_dialogTexts; // (dialog id, control index)
};
