#include "logview/LogWindow.h"

#include "link/KestraShared.h"
#include "logview/KestraExtDoc.h"
#include "logview/KestraExtView.h"
#include "logview/MainFrame.h"

LogWindow CreateLogWindow(CKestraExtShared& shared) {
    LogWindow window;
    window.frame = new CMainFrame(&shared);
    window.doc = new CKestraExtDoc(shared, window.frame);
    QObject::connect(window.doc, &CKestraExtDoc::titleChanged, window.frame, &CMainFrame::SetDocumentTitle);
    window.view = new CKestraExtView(shared, *window.doc, window.frame);
    window.frame->setCentralWidget(window.view);
    window.view->WireCommands(window.frame);
    window.doc->OnNewDocument();
    window.view->OnInitialUpdate(window.frame);
    window.view->setFocus();
    return window;
}
