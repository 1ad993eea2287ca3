#include "logview/KestraExtDoc.h"

#include "app/KestraExtApp.h"
#include "logview/KestraExtView.h"
#include "logview/MainFrame.h"
#include "logview/logic/DocumentTitle.h"
#include "res/Ids.h"
#include "res/Resources.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QMessageBox>

CKestraExtDoc::CKestraExtDoc(CKestraExtApp& app, QObject* parent) : QObject(parent), m_app(app) {}

void CKestraExtDoc::SetTitle(const QString& /*ignored*/) {
    m_strTitle = viewlogic::ComposeDocumentTitle(m_app.m_strHost, m_app.m_bConnected.load() != 0);
    if (m_pFrame)
        m_pFrame->SetDocumentTitle(m_strTitle);
}

bool CKestraExtDoc::OnNewDocument() {
    m_strPathName.clear();
    SetTitle();
    SetModifiedFlag(false);
    return true;
}

bool CKestraExtDoc::OnSaveDocument(const QString& path) {
    if (m_pView)
        m_pView->SaveViewText(path);
    return true;
}

bool CKestraExtDoc::DoSaveAs(QWidget* dialogParent) {
    const QString path = QFileDialog::getSaveFileName(dialogParent, QString(), m_strPathName);
    if (path.isEmpty())
        return false;
    if (!OnSaveDocument(path))
        return false;
    m_strPathName = path;
    SetModifiedFlag(false);
    return true;
}

bool CKestraExtDoc::SaveModified(QWidget* dialogParent) {
    if (!IsModified())
        return true;
    QMessageBox box(QMessageBox::Question, res::String(ids::IDS_APP_TITLE),
                    res::FormatString(ids::IDS_ASK_TO_SAVE, {m_strTitle}),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, dialogParent);
    box.setDefaultButton(QMessageBox::Yes);
    box.button(QMessageBox::Yes)->setText(res::String(ids::IDS_BUTTON_YES));
    box.button(QMessageBox::No)->setText(res::String(ids::IDS_BUTTON_NO));
    box.button(QMessageBox::Cancel)->setText(res::String(ids::IDS_BUTTON_CANCEL));
    const auto answer = static_cast<QMessageBox::StandardButton>(box.exec());
    if (answer == QMessageBox::Cancel)
        return false;
    if (answer == QMessageBox::No)
        return true;
    if (!m_strPathName.isEmpty())
        return OnSaveDocument(m_strPathName);
    return DoSaveAs(dialogParent);
}
