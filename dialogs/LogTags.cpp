#include "dialogs/LogTags.h"

#include "res/Ids.h"
#include "res/Resources.h"
#include "res/widgets/MessageBox.h"

#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>

namespace {

constexpr int kTagList = 1000;
constexpr int kTagNameEdit = 1000;
constexpr int kAdd = 3;
constexpr int kRemove = 4;
constexpr int kRemoveAll = 5;

} // namespace

CDlgSimpleAddTag::CDlgSimpleAddTag(std::function<int32_t(const QString&)> parse, QWidget* parent)
    : res::TemplateDialog(ids::IDD_ADD_TAG, parent), m_parse(std::move(parse)) {
    if (auto* edit = ControlAs<QLineEdit>(kTagNameEdit))
        edit->setMaxLength(kMaxTagName);
}

void CDlgSimpleAddTag::OnOK() {
    if (auto* edit = ControlAs<QLineEdit>(kTagNameEdit))
        m_strTagName = edit->text();
    // Checked exactly as typed: blanks and letter case go to the service unchanged.
    if (m_parse(m_strTagName) == 0) {
        res::ShowMessageBox(this, res::String(ids::IDS_INVALID_TAGNAME));
        return; // stays open with the text as it is
    }
    res::TemplateDialog::OnOK();
}

CLogTags::CLogTags(TagListParts parts, TagListToolkit& toolkit, QWidget* parent)
    : res::TemplateDialog(ids::IDD_LOG_TAGS, parent), m_rules(parts, toolkit) {
    m_rules.m_showError = [this](const QString& text) { res::ShowMessageBox(this, text); };
    m_typeName = [this, &toolkit]() -> std::optional<QString> {
        CDlgSimpleAddTag dialog([&toolkit](const QString& name) { return toolkit.TagParse(name); }, this);
        if (dialog.DoModal() != ids::IDOK)
            return std::nullopt;
        return dialog.m_strTagName;
    };
}

QListWidget* CLogTags::List() const { return ControlAs<QListWidget>(kTagList); }

void CLogTags::OnInitDialog() {
    m_rules.Load();
    List()->addItems(m_rules.Names());
    // Otherwise both stay enabled, even with nothing selected.
    if (m_rules.Names().isEmpty())
        EnableRemove(false);
}

void CLogTags::EnableRemove(bool enable) {
    Control(kRemove)->setEnabled(enable);
    Control(kRemoveAll)->setEnabled(enable);
}

void CLogTags::OnCommand(int id) {
    switch (id) {
    case kAdd:
        OnAdd();
        break;
    case kRemove:
        OnRemove();
        break;
    case kRemoveAll:
        OnRemoveAll();
        break;
    default:
        res::TemplateDialog::OnCommand(id);
    }
}

void CLogTags::OnAdd() {
    const int position = m_rules.Add(m_typeName);
    if (position < 0)
        return;
    // The buttons keep their state: a selection change, not an insertion, enables them.
    const QSignalBlocker quiet(List());
    List()->insertItem(position, m_rules.Names().at(position));
}

void CLogTags::OnRemove() {
    const QList<QListWidgetItem*> selected = List()->selectedItems();
    const int row = selected.isEmpty() ? -1 : List()->row(selected.first());
    if (!m_rules.Remove(row))
        return;
    {
        // Nothing is selected afterwards, and Remove stays enabled while entries remain.
        const QSignalBlocker quiet(List());
        delete List()->takeItem(row);
        List()->clearSelection();
    }
    if (m_rules.Names().isEmpty())
        EnableRemove(false);
}

void CLogTags::OnRemoveAll() {
    m_rules.RemoveAll();
    {
        const QSignalBlocker quiet(List());
        List()->clear();
    }
    EnableRemove(false);
}

void CLogTags::OnSelChange(int id) {
    if (id == kTagList)
        EnableRemove(!List()->selectedItems().isEmpty() && List()->count() > 0);
}

void CLogTags::OnOK() {
    m_rules.Close();
    res::TemplateDialog::OnOK();
}

void RunLogTagsDialog(TagListParts parts, QWidget* parent) {
    ToolkitTagList toolkit;
    CLogTags dialog(parts, toolkit, parent);
    dialog.DoModal();
}
