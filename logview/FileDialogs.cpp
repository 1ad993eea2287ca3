#include "logview/FileDialogs.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QTreeView>

namespace {

// The list shows name, size, type and date: the last three as wide as their texts, the name takes the
// rest of a dialog that has room for a useful name besides them.
void FitFileList(QFileDialog& dialog) {
    dialog.setViewMode(QFileDialog::Detail);
    auto* list = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!list)
        return; // the platform's own dialog
    QHeaderView* header = list->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < header->count(); ++column)
        header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    const QFontMetrics metrics(dialog.font());
    dialog.resize(
        dialog.sizeHint().expandedTo(QSize(metrics.averageCharWidth() * 110, metrics.height() * 28)));
}

} // namespace

QString AskSaveFileName(QWidget* parent, const SaveFileRequest& request) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (!request.filters.isEmpty())
        dialog.setNameFilters(request.filters);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.folder.isEmpty())
        dialog.setDirectory(request.folder);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    FitFileList(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}
