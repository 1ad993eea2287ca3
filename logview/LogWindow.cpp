#include "logview/LogWindow.h"

#include "logview/FindBar.h"
#include "logview/KestraExtDoc.h"
#include "logview/KestraExtView.h"
#include "logview/MainFrame.h"
#include "logview/logic/WindowPlacement.h"
#include "res/Ids.h"
#include "res/Resources.h"
#include "res/widgets/MessageBox.h"

#include <QDir>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// A first run has no saved placement: the window takes three fifths of the screen (never less than this)
// where the window system puts it.
constexpr int kFirstRunShareNumerator = 3;
constexpr int kFirstRunShareDenominator = 5;
constexpr QSize kFirstRunMinimum(480, 320);
constexpr QSize kNoScreen(1024, 768);

void ApplySavedPlacement(CMainFrame& frame, const QString& userIniPath) {
    const WindowPlacement placement = WindowPlacement::Read(userIniPath);
    if (placement.ShouldApply()) {
        frame.ApplyPlacement(placement);
        return;
    }
    const QScreen* screen = frame.screen();
    const QSize available = screen ? screen->availableGeometry().size() : kNoScreen;
    const QSize share = available * kFirstRunShareNumerator / kFirstRunShareDenominator;
    frame.resize(share.expandedTo(kFirstRunMinimum));
}

// The window follows the pipeline: what it keeps of each chunk, the link state (title, the font the
// worker read on connecting, the commands that need the link), and failed log-file writes.
void FollowPipeline(const LogWindow& window, const LogWindowParts& parts) {
    pipeline::ReceivedTextPipeline& road = parts.pipeline;
    CKestraExtView* view = window.view;
    CKestraExtDoc* doc = window.doc;
    CMainFrame* frame = window.frame;
    WorkerChannel& channel = parts.channel;
    // The notices in the view and in the log files, in the user's language.
    road.SetLeftOutMarker([](int characters) {
        return res::FormatString(ids::IDS_VIEW_LEFT_OUT, {QString::number(characters)});
    });
    road.Writer().SetDroppedNotice([](qint64 lines) {
        return res::FormatString(ids::IDS_LOG_LINES_DROPPED, {QString::number(lines)});
    });
    QObject::connect(&road, &pipeline::ReceivedTextPipeline::shown, view, &CKestraExtView::ShowChunk);
    QObject::connect(&road, &pipeline::ReceivedTextPipeline::linkStateChanged, frame,
                     [doc, view, frame, &channel](bool connected) {
                         doc->SetTitle();
                         if (connected)
                             view->ApplyLogFont(channel.Font().name);
                         frame->UpdateCommands(StateFollows::Link);
                     });
    QObject::connect(&road, &pipeline::ReceivedTextPipeline::logWriteFailed, frame,
                     [frame](const pipeline::LogWriteFailure& failure) {
                         // Without waiting for the answer: the ticks go on and keep the text meanwhile.
                         res::ShowMessageBoxLater(frame, res::FormatString(ids::IDS_LOG_WRITE_FAILED,
                                                                           {QDir::toNativeSeparators(failure.path),
                                                                            failure.error}));
                     });
}

} // namespace

LogWindow CreateLogWindow(const LogWindowParts& parts, const WindowTools& tools) {
    LogWindow window;
    WorkerChannel& channel = parts.channel;
    window.frame = new CMainFrame(FrameSettings{parts.paths.m_strUserIniPath, &parts.logOnDisk,
                                                [&channel] { return channel.LogFolder(); }});
    window.doc = new CKestraExtDoc(parts.options, channel, window.frame);
    QObject::connect(window.doc, &CKestraExtDoc::titleChanged, window.frame, &CMainFrame::SetDocumentTitle);
    // The frame's client area: the view, with the find bar below it (hidden until Ctrl+F).
    auto* client = new QWidget(window.frame);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    window.view = new CKestraExtView(*window.doc, client);
    window.findBar = new CFindBar(client);
    layout->addWidget(window.view, 1);
    layout->addWidget(window.findBar);
    window.view->AttachFindBar(window.findBar);
    window.frame->setCentralWidget(client);
    AddLogWindowCommands(window, parts, tools);
    FollowPipeline(window, parts);
    window.doc->OnNewDocument();

    // The initial update: the typing limit is the maximum text length of this moment, the saved
    // placement, and the log font when one is known already.
    window.view->SetTextLimit(channel.m_nMaxTextLength.load());
    ApplySavedPlacement(*window.frame, parts.paths.m_strUserIniPath);
    window.view->ApplyLogFont(channel.Font().name);
    window.view->SetHighlighter(parts.highlighter);
    window.view->setFocus();

    // The ticks begin with the window (no timer: no text is ever shown, nothing is reported); they do
    // nothing while start-up runs.
    parts.pipeline.HoldWhile(&parts.window.m_bStarting);
    parts.pipeline.Start(pipeline::RefreshPeriodMs(parts.options.m_strHost));
    return window;
}
