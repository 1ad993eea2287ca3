#include "logview/KestraExtDoc.h"

#include "link/WorkerChannel.h"
#include "logview/FileDialogs.h"
#include "logview/ViewText.h"
#include "logview/logic/DocumentTitle.h"
#include "res/Ids.h"
#include "res/Resources.h"
#include "res/widgets/MessageBox.h"
#include "state/ConnectionOptions.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QTextDocument>

CKestraExtDoc::CKestraExtDoc(const ConnectionOptions& options, const WorkerChannel& channel, QObject* parent)
    : QObject(parent), m_options(options), m_channel(channel) {}

void CKestraExtDoc::AttachText(QTextDocument* text) { m_text = text; }

void CKestraExtDoc::SetTitle() {
    m_strTitle = viewlogic::ComposeDocumentTitle(m_options.m_strHost, m_channel.m_bConnected.load() != 0);
    Q_EMIT titleChanged(m_strTitle);
}

bool CKestraExtDoc::OnNewDocument() {
    m_strPathName.clear();
    SetTitle();
    SetModifiedFlag(false);
    return true;
}

void CKestraExtDoc::SetModifiedFlag(bool modified) {
    if (m_text)
        m_text->setModified(modified);
}

bool CKestraExtDoc::IsModified() const { return m_text && m_text->isModified(); }

QString CKestraExtDoc::AskSavePath(QWidget* dialogParent) const {
    // The path saved to last, else "log.txt" in the log folder.
    if (!m_strPathName.isEmpty()) {
        const QFileInfo last(m_strPathName);
        return AskSaveFileName(dialogParent, {last.absolutePath(), last.fileName(), {}, {}});
    }
    return AskSaveFileName(dialogParent, {m_channel.LogFolder(), QStringLiteral("log.txt"), {}, {}});
}

bool CKestraExtDoc::DoSaveAs(QWidget* dialogParent) {
    const QString path = AskSavePath(dialogParent);
    if (path.isEmpty())
        return false;
    // Nothing is shown when the write fails; the path is recorded all the same.
    if (m_text)
        SaveReportedText(*m_text, path);
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

    // The user asked to keep the text: a save that fails says so and the window stays open.
    const QString path = m_strPathName.isEmpty() ? AskSavePath(dialogParent) : m_strPathName;
    if (path.isEmpty())
        return false;
    QString error;
    if (m_text && !SaveReportedText(*m_text, path, &error)) {
        res::ShowMessageBox(dialogParent,
                            res::FormatString(ids::IDS_SAVE_FAILED, {QDir::toNativeSeparators(path), error}));
        return false;
    }
    m_strPathName = path;
    SetModifiedFlag(false);
    return true;
}
