// The save dialog of the log window (Save As, and "..." of Save On Disk): it opens in the log folder,
// offers a file name, and is wide enough that the file list's size, type and date read whole.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

struct SaveFileRequest {
    QString folder;        // where the dialog opens
    QString fileName;      // the name it offers (may be empty)
    QStringList filters;   // name filters; empty means every file
    QString defaultSuffix; // added to a name typed without one
};

// Runs the dialog modally; the chosen full path, or an empty string when it was cancelled. An existing
// file is replaced only after the user confirmed it.
QString AskSaveFileName(QWidget* parent, const SaveFileRequest& request);
