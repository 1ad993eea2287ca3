// Creates the log window as the single-document template does: the document, the main frame and the
// log view as the frame's client area, with the view's commands bound and its initial update run.
#pragma once

class CKestraExtShared;
class CFindBar;
class CKestraExtDoc;
class CKestraExtView;
class CMainFrame;

struct LogWindow {
    CMainFrame* frame = nullptr;   // top-level window; owns the document and the view
    CKestraExtDoc* doc = nullptr;
    CKestraExtView* view = nullptr;
    CFindBar* findBar = nullptr;   // below the view, hidden until Ctrl+F
};

// The frame is not shown. The caller owns the frame (deleting it deletes the document and the view).
LogWindow CreateLogWindow(CKestraExtShared& shared);
