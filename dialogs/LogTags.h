// The Log Tags dialog (template 102) and the Add Tag dialog (template 130). The Log Tags dialog lists
// the tags now logged; Add, Remove and Remove All edit the list, Close applies it, Esc and the close box
// drop it. The rules live in TagListRules; these classes wire the controls to them.
#pragma once

#include "dialogs/TagListRules.h"
#include "res/widgets/TemplateDialog.h"

#include <functional>

class QListWidget;

class CDlgSimpleAddTag : public res::TemplateDialog {
    Q_OBJECT
public:
    // `parse` checks a typed name against the running project (the toolkit's TagParse).
    CDlgSimpleAddTag(std::function<int32_t(const QString&)> parse, QWidget* parent = nullptr);

    static constexpr int kMaxTagName = 1024; // the edit control takes no more
    QString m_strTagName;

protected:
    void OnOK() override;

private:
    std::function<int32_t(const QString&)> m_parse;
};

class CLogTags : public res::TemplateDialog {
    Q_OBJECT
public:
    CLogTags(TagListParts parts, TagListToolkit& toolkit, QWidget* parent = nullptr);

    // How Add asks for a typed name in slow-connection mode; by default the Add Tag dialog.
    std::function<std::optional<QString>()> m_typeName;

protected:
    void OnInitDialog() override;
    void OnCommand(int id) override;
    void OnSelChange(int id) override;
    void OnOK() override;

private:
    void OnAdd();
    void OnRemove();
    void OnRemoveAll();
    void EnableRemove(bool enable);
    QListWidget* List() const;

    TagListRules m_rules;
};

// Command 108: runs the Log Tags dialog over `parent` with the client toolkit.
void RunLogTagsDialog(TagListParts parts, QWidget* parent);
