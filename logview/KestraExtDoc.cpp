#include "logview/KestraExtDoc.h"

#include "app/KestraExtApp.h"
#include "logview/KestraExtView.h"
#include "logview/MainFrame.h"
#include "logview/logic/DocumentTitle.h"
#include "res/Ids.h"
#include "res/Resources.h"

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
    const auto answer = QMessageBox::question(
        dialogParent, res::String(ids::IDS_APP_TITLE), tr("Save changes to %1?").arg(m_strTitle),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (answer == QMessageBox::Cancel)
        return false;
    if (answer == QMessageBox::No)
        return true;
    if (!m_strPathName.isEmpty())
        return OnSaveDocument(m_strPathName);
    return DoSaveAs(dialogParent);
}
