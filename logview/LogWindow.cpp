#include "logview/LogWindow.h"

#include "app/KestraExtApp.h"
#include "logview/KestraExtDoc.h"
#include "logview/KestraExtView.h"
#include "logview/MainFrame.h"

LogWindow CreateLogWindow(CKestraExtApp& app) {
    LogWindow window;
    window.frame = new CMainFrame(&app);
    window.doc = new CKestraExtDoc(app, window.frame);
    window.doc->SetFrame(window.frame);
    window.view = new CKestraExtView(app, *window.doc, window.frame);
    window.frame->setCentralWidget(window.view);
    window.view->WireCommands(window.frame);
    window.doc->OnNewDocument();
    window.view->OnInitialUpdate(window.frame);
    window.view->setFocus();
    return window;
}
