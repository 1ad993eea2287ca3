#include "logview/ViewText.h"

#include "logview/logic/ViewTextFile.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

QString ReportedText(const QTextDocument& text) {
    QList<QStringList> lines;
    for (QTextBlock block = text.begin(); block.isValid(); block = block.next()) {
        text.documentLayout()->blockBoundingRect(block); // lays the block out at the current width
        const QString blockText = block.text();
        const QTextLayout* layout = block.layout();
        QStringList displayLines;
        if (layout && layout->lineCount() > 1) {
            for (int i = 0; i < layout->lineCount(); ++i) {
                const QTextLine line = layout->lineAt(i);
                displayLines.append(blockText.mid(line.textStart(), line.textLength()));
            }
        } else {
            displayLines.append(blockText);
        }
        lines.append(displayLines);
    }
    return viewlogic::ReportedText(lines);
}

bool SaveReportedText(const QTextDocument& text, const QString& path, QString* error) {
    return viewlogic::WriteUtf16LeFile(path, ReportedText(text), error);
}
