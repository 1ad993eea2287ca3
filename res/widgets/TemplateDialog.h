// A dialog built from a dialog template (res/Resources.h): one child widget per template control, at the
// template's place converted from dialog units with the dialog's font, in template order (which is also
// the tab order). Subclasses reach controls by id and hook clicks, text changes and selection changes.
//
// Results follow the platform's dialog convention: 1 (OK) and 2 (Cancel). Buttons 1 and 2 end the dialog
// through OnOK() and OnCancel(); Esc and the close box also go to OnCancel().
#pragma once

#include "res/Resources.h"

#include <QDialog>
#include <QHash>

class QFont;

namespace res {

class TemplateDialog : public QDialog {
    Q_OBJECT
public:
    explicit TemplateDialog(int templateId, QWidget* parent = nullptr);
    explicit TemplateDialog(const DialogTemplate& dialogTemplate, QWidget* parent = nullptr);
    ~TemplateDialog() override;

    // The control with this id (nullptr when the template has none); the first wins on duplicates.
    QWidget* Control(int id) const;
    template <typename T> T* ControlAs(int id) const { return qobject_cast<T*>(Control(id)); }
    // The control at this position of the template (nullptr when out of range).
    QWidget* ControlAt(int index) const;
    const DialogTemplate& Template() const { return m_template; }

    // Runs the dialog modally and returns the code it ended with (1 OK, 2 Cancel, or EndDialog's).
    int DoModal();
    void EndDialog(int result) { done(result); }

    // Runs OnInitDialog once. Showing the dialog calls it; tests may call it before showing.
    void InitDialog();

    // Dialog units to pixels: x * average character width / 4, y * character height / 8, rounded.
    static QSize BaseUnits(const QFont& font);
    static QRect MapDialogRect(const QRect& dialogUnits, const QFont& font);
    QRect MapDialogRect(const QRect& dialogUnits) const;

protected:
    virtual void OnInitDialog() {}
    // A push button, radio button or check box was clicked by the user (or by click()).
    virtual void OnCommand(int id);
    virtual void OnEditChange(int id) { Q_UNUSED(id); }
    virtual void OnSelChange(int id) { Q_UNUSED(id); }
    virtual void OnOK() { done(1); }
    virtual void OnCancel() { QDialog::done(2); }

    void reject() override { OnCancel(); }
    void showEvent(QShowEvent* event) override;

private:
    void Build();
    QWidget* CreateControl(const DialogControl& control);

    DialogTemplate m_template;
    QHash<int, QWidget*> m_controls;
    QList<QWidget*> m_ordered;
    bool m_initialized = false;
};

} // namespace res
