#include "logview/LogWindow.h"

#include "link/KestraShared.h"
#include "logview/FindBar.h"
#include "logview/KestraExtDoc.h"
#include "logview/KestraExtView.h"
#include "logview/MainFrame.h"

#include <QVBoxLayout>

LogWindow CreateLogWindow(CKestraExtShared& shared) {
    LogWindow window;
    window.frame = new CMainFrame(&shared);
    window.doc = new CKestraExtDoc(shared, window.frame);
    QObject::connect(window.doc, &CKestraExtDoc::titleChanged, window.frame, &CMainFrame::SetDocumentTitle);
    // The frame's client area: the view, with the find bar below it (hidden until Ctrl+F).
    auto* client = new QWidget(window.frame);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    window.view = new CKestraExtView(shared, *window.doc, client);
    window.findBar = new CFindBar(client);
    layout->addWidget(window.view, 1);
    layout->addWidget(window.findBar);
    window.view->AttachFindBar(window.findBar);
    window.frame->setCentralWidget(client);
    window.view->WireCommands(window.frame);
    window.doc->OnNewDocument();
    window.view->OnInitialUpdate(window.frame);
    window.view->setFocus();
    return window;
}
