// The log window as the single-document template made it: the document, the main frame and the log view
// as the frame's client area, with the find bar below the view. The window shows and changes the parts
// it is given; the received text reaches it through the pipeline, whose ticks it starts.
#pragma once

#include "highlight/Highlighter.h"
#include "link/WorkerChannel.h"
#include "pipeline/ReceivedTextPipeline.h"
#include "state/CategoryWords.h"
#include "state/ConnectionOptions.h"
#include "state/LogOnDiskChoice.h"
#include "state/SettingsPaths.h"
#include "state/WindowState.h"

#include <functional>
#include <memory>

class CFindBar;
class CKestraExtDoc;
class CKestraExtView;
class CMainFrame;
class QWidget;

struct LogWindowParts {
    const ConnectionOptions& options; // the station: title, refresh period
    const SettingsPaths& paths;       // the per-user settings file: placement, window keys
    CategoryWords& categories;        // the Log menu's switches
    WorkerChannel& channel;           // link state, pause, log folder, font, change queues
    WindowState& window;              // keep-on-top
    LogOnDiskChoice& logOnDisk;       // Save On Disk
    pipeline::ReceivedTextPipeline& pipeline;
    std::shared_ptr<const highlight::Highlighter> highlighter = {}; // the colours of incoming lines
};

// The dialogs and tools the window's commands open. They live above the log window; the application
// hands them in when it builds the window. A command whose tool is empty stays disabled.
struct WindowTools {
    std::function<void(QWidget* parent)> logTags;                    // Log > Tags...
    std::function<void(int32_t kind, QWidget* parent)> opcSettings;  // Log > OPC XML/DA..., UA..., .Net...
    std::function<void(QWidget* parent)> launchTool;                 // the database tool (61207)
    std::function<void(QWidget* parent)> about;                      // Help > About Kestra...
    // The highlight rules editor (Ctrl+Shift+L, the view's context menu): the rules the user chose, or
    // nullptr when the editor was cancelled.
    std::function<std::shared_ptr<const highlight::Highlighter>(QWidget* parent)> highlightRules;
};

struct LogWindow {
    CMainFrame* frame = nullptr; // top-level window; owns the document and the view
    CKestraExtDoc* doc = nullptr;
    CKestraExtView* view = nullptr;
    CFindBar* findBar = nullptr; // below the view, hidden until Ctrl+F
};

// The frame is not shown. The caller owns the frame (deleting it deletes the document and the view).
// The parts must outlive the window.
LogWindow CreateLogWindow(const LogWindowParts& parts, const WindowTools& tools = {});

// Every command of the window, in one place: its handler, when it is enabled, its check mark and what
// its state follows (WindowCommands.cpp).
void AddLogWindowCommands(const LogWindow& window, const LogWindowParts& parts, const WindowTools& tools);
