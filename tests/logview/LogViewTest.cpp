// The log view inside a real main frame: the display pipeline, the title, the text commands.
#include "LogViewFixture.h"

#include "pipeline/LogOnDisk.h"
#include "logview/logic/TextTrimmer.h"
#include "logview/logic/ViewTextFile.h"
#include "res/Ids.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QDeadlineTimer>
#include <QFileDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <QTreeView>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <optional>
#include <sys/resource.h>

TEST_F(LogViewFixture, TitleNamesTheStationAndTheLinkState) {
    Build();
    EXPECT_EQ(window.frame->windowTitle(), QStringLiteral("Kestra: <LOCAL> - "));
    app.m_channel.m_bConnected = 0;
    Tick(); // the first tick always re-titles
    EXPECT_EQ(window.frame->windowTitle(), QStringLiteral("Kestra: <LOCAL> - Disconnected - "));
    app.m_channel.m_bConnected = 1;
    Tick();
    EXPECT_EQ(window.frame->windowTitle(), QStringLiteral("Kestra: <LOCAL> - "));
    EXPECT_EQ(app.m_pipeline.Period(), 100);
}

TEST_F(LogViewFixture, RemoteStationTitleAndPeriod) {
    Build(QStringLiteral("127.0.0.1"));
    EXPECT_EQ(window.frame->windowTitle(), QStringLiteral("Kestra: <127.0.0.1> - "));
    EXPECT_EQ(app.m_pipeline.Period(), 1000);
}

TEST_F(LogViewFixture, TicksDoNothingDuringStartUp) {
    Build();
    app.m_window.m_bStarting = 1;
    Feed("held");
    Tick();
    EXPECT_EQ(Shown(), QString());
    EXPECT_EQ(Pending(), QStringLiteral("held"));
}

TEST_F(LogViewFixture, PauseHoldsTextBackUntilResumed) {
    Build();
    Tick();
    window.frame->RunCommand(ids::ID_EDIT_PAUSE);
    EXPECT_EQ(app.m_channel.m_bPaused.load(), 1);
    EXPECT_TRUE(Action(ids::ID_EDIT_PAUSE)->isChecked());
    Feed("waiting");
    Tick();
    EXPECT_EQ(Shown(), QString());
    EXPECT_EQ(Pending(), QStringLiteral("waiting"));
    window.frame->RunCommand(ids::ID_EDIT_PAUSE);
    Tick();
    EXPECT_EQ(Shown(), QStringLiteral("waiting"));
}

TEST_F(LogViewFixture, DisconnectedDisablesLinkItemsOnly) {
    Build();
    app.m_channel.m_bConnected = 0;
    Tick();
    using namespace ids;
    for (int id : {ID_EDIT_PAUSE, ID_OPTIONS_INSERT_DATETIME, ID_LOG_RECIPE_REPORT, ID_LOG_FIELD_READ, ID_LOG_TRACE,
                   ID_LOG_DDE, ID_LOG_OPC_DA, ID_LOG_OPC_XMLDA, ID_LOG_OPC_UA, ID_LOG_OPC_NET, ID_LOG_TAGS})
        EXPECT_FALSE(Action(id)->isEnabled()) << id;
    for (int id : {ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_FILE_PRINT, ID_EDIT_CLEAR_ALL, ID_OPTIONS_ALWAYS_ON_TOP})
        EXPECT_TRUE(Action(id)->isEnabled()) << id;
    Feed("not while disconnected");
    Tick();
    EXPECT_EQ(Shown(), QString());
    app.m_channel.m_bConnected = 1;
    Tick();
    EXPECT_TRUE(Action(ID_EDIT_PAUSE)->isEnabled());
    EXPECT_TRUE(Action(ID_LOG_TAGS)->isEnabled());
}

TEST_F(LogViewFixture, CopyAndDeleteNeedASelection) {
    Build();
    Feed("alpha beta\r\n");
    Tick();
    EXPECT_FALSE(Action(ids::ID_EDIT_COPY)->isEnabled());
    EXPECT_FALSE(Action(ids::ID_EDIT_DELETE)->isEnabled());
    window.frame->RunCommand(ids::ID_EDIT_DELETE); // Del with nothing selected deletes nothing
    EXPECT_EQ(Shown(), QStringLiteral("alpha beta\n"));
    QTextCursor cursor = window.view->textCursor();
    cursor.setPosition(0);
    cursor.setPosition(6, QTextCursor::KeepAnchor);
    window.view->setTextCursor(cursor);
    window.frame->UpdateCommandUi();
    EXPECT_TRUE(Action(ids::ID_EDIT_COPY)->isEnabled());
    window.frame->RunCommand(ids::ID_EDIT_DELETE);
    EXPECT_EQ(Shown(), QStringLiteral("beta\n"));
    EXPECT_FALSE(window.doc->IsModified());
    window.frame->RunCommand(ids::ID_EDIT_CLEAR_ALL);
    EXPECT_EQ(Shown(), QString());
}

TEST_F(LogViewFixture, SaveLogTxtTwiceReplacesTheFile) {
    Build();
    Feed("first save, long text\r\n");
    Tick();
    window.frame->RunCommand(ids::ID_FILE_SAVE);
    window.frame->RunCommand(ids::ID_EDIT_CLEAR_ALL);
    Feed("2nd");
    Tick();
    window.frame->RunCommand(ids::ID_FILE_SAVE);
    EXPECT_EQ(ReadAll(folder + "log.txt"), QByteArray("2\0n\0d\0", 6)); // UTF-16LE, no BOM
}

TEST_F(LogViewFixture, SavedTextMarksSoftBreaksWithCrCrLf) {
    Build();
    window.frame->resize(300, 300);
    window.frame->show();
    QString words;
    for (int i = 0; i < 40; ++i)
        words += QStringLiteral("word%1 ").arg(i);
    Feed(words + "\r\nshort\r\n");
    Tick();
    const QTextBlock first = window.view->document()->firstBlock();
    ASSERT_GT(first.layout()->lineCount(), 1) << "the long line wraps at the window's edge";
    ASSERT_TRUE(window.view->SaveViewText(folder + "wrapped.txt"));
    const QByteArray bytes = ReadAll(folder + "wrapped.txt");
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
    EXPECT_EQ(text.count(QStringLiteral("\r\r\n")), first.layout()->lineCount() - 1);
    QString joined = text;
    joined.replace(QStringLiteral("\r\r\n"), QString());
    EXPECT_EQ(joined, words + "\r\nshort\r\n");
}

TEST_F(LogViewFixture, ExactFitRemovesTheWholeFirstLine) {
    Build();
    app.m_channel.m_nMaxTextLength = 200;
    // 100 characters in the view, three lines.
    Feed(QString(40, u'a') + "\n" + QString(30, u'b') + "\n" + QString(28, u'c'));
    Tick();
    ASSERT_EQ(window.view->TextLength(), 100);
    Feed(QString(100, u'x'));
    Tick();
    EXPECT_EQ(Shown(), QString(30, u'b') + "\n" + QString(28, u'c') + QString(100, u'x'));
}

TEST_F(LogViewFixture, ChunkOfExactlyMIntoAnEmptyViewIsShownWhole) {
    Build();
    app.m_channel.m_nMaxTextLength = 500;
    Feed(QString(500, u'z'));
    Tick();
    EXPECT_EQ(window.view->TextLength(), 500);
}

TEST_F(LogViewFixture, BulkCutAtFourteenThousandThenLineTrim) {
    Build();
    QString line = QString(99, u'l') + "\n";
    Feed(line.repeated(140)); // 14000 characters
    Tick();
    ASSERT_EQ(window.view->TextLength(), 14000);
    Feed("tail");
    Tick();
    // The first 5000 characters went (mid-line), then the line-based trim found room.
    EXPECT_EQ(window.view->TextLength(), 9004);
    EXPECT_TRUE(Shown().endsWith("\ntail"));
}

TEST_F(LogViewFixture, OversizedChunkGoesWholeToDiskAndItsTailToTheView) {
    Build();
    app.m_channel.m_nMaxTextLength = 1000;
    app.m_logOnDisk.m_nLogOnDiskType = kLogOnDiskCustom;
    app.m_logOnDisk.m_strLogOnDiskFile = QStringLiteral("all.log");
    QString chunk;
    for (int i = 0; i < 200; ++i)
        chunk += QStringLiteral("line %1\r\n").arg(i, 4, 10, QChar(u'0'));
    ASSERT_GT(chunk.size(), 1000);
    Feed(chunk);
    Tick();
    EXPECT_EQ(ReadAll(folder + "all.log"), chunk.toUtf8());
    EXPECT_LE(window.view->TextLength(), 1000);
    EXPECT_TRUE(Shown().endsWith("line 0199\n"));
}

TEST_F(LogViewFixture, NeverAboveMAfterATick) {
    Build();
    window.frame->resize(400, 300);
    window.frame->show();
    QRandomGenerator random(42);
    for (const int max : {3000, 16000}) {
        app.m_channel.m_nMaxTextLength = max;
        for (int tick = 0; tick < 200; ++tick) {
            // Lines of up to 2000 characters with and without blanks, so they wrap into many display lines.
            QString chunk;
            const int parts = random.bounded(1, 12);
            for (int p = 0; p < parts; ++p) {
                const int words = random.bounded(0, 40);
                for (int w = 0; w < words; ++w)
                    chunk += QString(random.bounded(1, 50), QChar(u'a' + random.bounded(26))) + u' ';
                chunk += random.bounded(4) == 0 ? QStringLiteral("\r\n\r\n") : QStringLiteral("\r\n");
            }
            Feed(chunk);
            Tick();
            ASSERT_LE(window.view->TextLength(), max) << "tick " << tick;
            const QString form = pipeline::DisplayForm(chunk);
            if (chunk.size() <= max) {
                ASSERT_TRUE(Shown().endsWith(form)) << "tick " << tick;
            } else {
                // Too long for the view: a marker line, then the end of the chunk from a line start.
                const QString marker = QStringLiteral("characters not shown ...]\n");
                const qsizetype at = Shown().lastIndexOf(marker);
                ASSERT_GE(at, 0) << "tick " << tick;
                const QString tail = Shown().mid(at + marker.size());
                ASSERT_FALSE(tail.isEmpty()) << "tick " << tick;
                ASSERT_TRUE(form.endsWith(tail) && form[form.size() - tail.size() - 1] == u'\n') << "tick " << tick;
            }
        }
    }
}

TEST_F(LogViewFixture, AlwaysOnTopTogglesTheFlagAndTheWindow) {
    Build();
    window.frame->show();
    const QPoint before = window.frame->pos();
    window.frame->RunCommand(ids::ID_OPTIONS_ALWAYS_ON_TOP);
    EXPECT_EQ(app.m_window.m_bAlwaysOnTop.load(), 1);
    EXPECT_TRUE(window.frame->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(window.frame->isVisible());
    EXPECT_EQ(window.frame->pos(), before);
    EXPECT_TRUE(Action(ids::ID_OPTIONS_ALWAYS_ON_TOP)->isChecked());
    window.frame->RunCommand(ids::ID_OPTIONS_ALWAYS_ON_TOP);
    EXPECT_FALSE(window.frame->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(LogViewFixture, EmptyTickClearsTheDocumentsModifiedFlag) {
    Build();
    window.view->insertPlainText("typed");
    EXPECT_TRUE(window.doc->IsModified());
    Tick();
    EXPECT_FALSE(window.doc->IsModified());
    EXPECT_EQ(Shown(), QStringLiteral("typed"));
}

TEST_F(LogViewFixture, LogMenuTogglesQueuePackedEntries) {
    Build();
    Tick();
    window.frame->RunCommand(ids::ID_LOG_TRACE);       // switch 3
    window.frame->RunCommand(ids::ID_LOG_TRACE);
    window.frame->RunCommand(ids::ID_LOG_RECIPE_REPORT); // switch 0
    EXPECT_EQ(app.m_categories.m_nLogTrace.load(), 0);
    EXPECT_EQ(app.m_categories.m_nLogRecipeReport.load(), 1);
    EXPECT_EQ(app.m_channel.SwitchQueue(), (std::vector<uint32_t>{PackChange(3, 1), PackChange(3, 0), PackChange(0, 1)}));
    window.frame->UpdateCommandUi();
    EXPECT_TRUE(Action(ids::ID_LOG_RECIPE_REPORT)->isChecked());
    EXPECT_FALSE(Action(ids::ID_LOG_TRACE)->isChecked());

    window.frame->RunCommand(ids::ID_OPTIONS_INSERT_DATETIME);
    EXPECT_EQ(app.m_categories.m_nDateTimeStamp.load(), 1);
    EXPECT_EQ(app.m_channel.m_bDateTimeChanged.load(), 1);
    window.frame->UpdateCommandUi();
    EXPECT_TRUE(Action(ids::ID_OPTIONS_INSERT_DATETIME)->isChecked());

    // With the link down a click changes nothing and queues nothing; the check marks stay.
    app.m_channel.m_bConnected = 0;
    Tick();
    window.frame->RunCommand(ids::ID_LOG_RECIPE_REPORT);
    EXPECT_EQ(app.m_categories.m_nLogRecipeReport.load(), 1);
    EXPECT_EQ(app.m_channel.SwitchQueue().size(), 3u);
    EXPECT_TRUE(Action(ids::ID_LOG_RECIPE_REPORT)->isChecked());
}

TEST_F(LogViewFixture, TrimTakesOneDisplayLineOfAWrappedLine) {
    Build();
    window.frame->resize(300, 300);
    window.frame->show();
    QString words;
    for (int i = 0; i < 30; ++i)
        words += QStringLiteral("w%1 ").arg(i, 2, 10, QChar(u'0'));
    Feed(words + "\r\nend");
    Tick();
    const QTextBlock first = window.view->document()->firstBlock();
    const QTextLayout* layout = first.layout();
    ASSERT_GE(layout->lineCount(), 3);
    const QString rest = words.mid(layout->lineAt(1).textStart());
    // L + N == M: n is 0, so exactly the first display line goes.
    app.m_channel.m_nMaxTextLength = window.view->TextLength() + 5;
    Feed("12345");
    Tick();
    EXPECT_EQ(Shown(), rest + "\nend12345");
}

TEST_F(LogViewFixture, LogFontAtInitialUpdateAndOnceTheWorkerReadIt) {
    Build();
    EXPECT_TRUE(window.view->AppliedFontName().isEmpty()); // no name yet: the default font stays
    const QFont before = window.view->font();
    app.m_channel.m_bConnected = 0;
    Tick();
    app.m_channel.SetFont(QStringLiteral("DejaVu Sans Mono with a face name longer than thirty-one"), -1);
    app.m_channel.m_bConnected = 1; // the worker stores the name before it raises the connected flag
    Tick();
    EXPECT_EQ(window.view->AppliedFontName(), QStringLiteral("DejaVu Sans Mono with a face na"));
    EXPECT_EQ(window.view->font().family(), QStringLiteral("DejaVu Sans Mono with a face na"));
    EXPECT_EQ(window.view->font().pointSizeF(), before.pointSizeF());
}

TEST_F(LogViewFixture, TypingStopsAtTheTextLimitButIncomingTextDoesNot) {
    app.m_channel.m_nMaxTextLength = 5;
    Build();
    EXPECT_EQ(window.view->TextLimit(), 5);
    for (const char c : QByteArray("abcdefg")) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A + (c - 'a'), Qt::NoModifier, QString(QChar(c)));
        QApplication::sendEvent(window.view, &press);
    }
    EXPECT_EQ(Shown(), QStringLiteral("abcde"));
    app.m_channel.m_nMaxTextLength = 4096; // slow connection lowers M after the window exists; the limit stays
    Feed("0123456789");
    Tick();
    EXPECT_EQ(window.view->TextLimit(), 5);
    EXPECT_TRUE(Shown().endsWith("0123456789"));
}

TEST_F(LogViewFixture, InitialUpdateRestoresTheSavedPlacementOnAScreen) {
    const QRect screen = QApplication::primaryScreen()->availableGeometry();
    const auto restored = [&](const QRect& saved) {
        WindowPlacement placement;
        placement.length = WindowPlacement::kLength;
        placement.showCmd = WindowPlacement::kShowNormal;
        placement.rcNormalPositionLeft = saved.left();
        placement.rcNormalPositionTop = saved.top();
        placement.rcNormalPositionRight = saved.left() + saved.width();
        placement.rcNormalPositionBottom = saved.top() + saved.height();
        EXPECT_TRUE(placement.Write(app.m_paths.m_strUserIniPath));
        delete window.frame;
        app.m_channel.m_bConnected = 1;
        window = CreateLogWindow(Parts(), Tools());
        window.frame->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.frame));
        (void)QTest::qWaitFor([&] { return window.frame->frameGeometry().size() == saved.size(); });
        return window.frame->frameGeometry();
    };
    // The keys hold the window's outer rectangle.
    EXPECT_EQ(restored(QRect(screen.left() + 100, screen.top() + 50, 500, 400)),
              QRect(screen.left() + 100, screen.top() + 50, 500, 400));
    // A placement off every screen comes back onto the nearest one, at its nearest edge.
    EXPECT_EQ(restored(QRect(screen.right() + 200, screen.top() + 100, 300, 200)),
              QRect(screen.right() + 1 - 300, screen.top() + 100, 300, 200));
    EXPECT_EQ(restored(QRect(screen.left() + 40, screen.top() - 500, 300, 200)),
              QRect(screen.left() + 40, screen.top(), 300, 200));
    // Taller than the screen and below it: it fits the screen again.
    EXPECT_EQ(restored(QRect(screen.left() + 10, screen.bottom() + 100, 300, screen.height() + 300)),
              QRect(screen.left() + 10, screen.top(), 300, screen.height()));
}

namespace {

// Lets this process write files only up to `bytes` bytes, as a full file system would: a write that
// crosses the limit is cut short and the next one fails.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { Lift(); }
    void Lift() { setrlimit(RLIMIT_FSIZE, &m_saved); }

private:
    rlimit m_saved{};
};

QList<QMessageBox*> VisibleBoxes() {
    QList<QMessageBox*> boxes;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
            boxes.append(box);
    }
    return boxes;
}

} // namespace

TEST_F(LogViewFixture, FailedLogWritesLeaveWholeLinesAndTheTextFollowsOnceThereIsRoom) {
    app.m_logOnDisk.m_nLogOnDiskType = kLogOnDiskCustom;
    app.m_logOnDisk.m_strLogOnDiskFile = QStringLiteral("custom.log");
    Build();
    Feed("first\r\n");
    Tick();

    QString burst;
    for (int i = 0; i < 100; ++i)
        burst += QString(60, u'\u00e9') + QStringLiteral("\r\n");
    FileSizeLimit full(4100); // the burst (12200 bytes) stops in the middle of a line and a character
    Feed(burst);
    Tick();
    EXPECT_EQ(ReadAll(folder + "custom.log"), QByteArray("first\r\n"));
    ASSERT_TRUE(QTest::qWaitFor([] { return VisibleBoxes().size() == 1; }));
    const QString told = VisibleBoxes()[0]->text(); // the file and the system's reason
    EXPECT_TRUE(told.contains(folder + "custom.log") &&
                told.contains(QString::fromLocal8Bit(std::strerror(EFBIG))))
        << told.toStdString();
    Feed("second\r\n"); // the same run of failures: no second box
    Tick();
    EXPECT_EQ(VisibleBoxes().size(), 1);
    EXPECT_TRUE(Shown().endsWith("second\n")) << "the view shows everything all the same";

    full.Lift();
    Feed("third\r\n");
    Tick();
    const QByteArray written = ReadAll(folder + "custom.log");
    EXPECT_EQ(written,
              (QStringLiteral("first\r\n") + burst + QStringLiteral("second\r\nthird\r\n")).toUtf8());
    for (QMessageBox* box : VisibleBoxes())
        box->close();
}

namespace {

// The file list of a file dialog shows every column whole: size, type and date are as wide as their
// texts and lie inside the list.
bool ColumnsReadWhole(QFileDialog* dialog) {
    auto* tree = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!tree || !tree->isVisible() || tree->model()->rowCount(tree->rootIndex()) == 0)
        return false;
    const QHeaderView* header = tree->header();
    for (int column = 1; column < header->count(); ++column) {
        if (header->sectionSize(column) <
                static_cast<const QAbstractItemView*>(tree)->sizeHintForColumn(column) ||
            header->sectionViewportPosition(column) + header->sectionSize(column) > tree->viewport()->width())
            return false;
    }
    return true;
}

} // namespace

TEST_F(LogViewFixture, SaveAtTheClosePromptThatFailsSaysSoAndKeepsTheWindow) {
    WriteAll(folder + "log.txt", QByteArray(418, 'x'));
    Build();
    window.frame->show();
    app.m_channel.m_bConnected = 0;
    Tick();
    window.view->insertPlainText("typed while disconnected");

    QString offered;
    bool readable = false;
    QString told;
    QDeadlineTimer listLoaded(10000);
    std::optional<FileSizeLimit> full;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal); box && box->icon() == QMessageBox::Question) {
            box->button(QMessageBox::Yes)->click();
        } else if (auto* dialog = qobject_cast<QFileDialog*>(modal);
                   dialog && (ColumnsReadWhole(dialog) || listLoaded.hasExpired())) {
            offered = dialog->selectedFiles().value(0);
            readable = ColumnsReadWhole(dialog);
            // Another name, typed: the offered file is no longer chosen.
            dialog->findChild<QTreeView*>(QStringLiteral("treeView"))->selectionModel()->clear();
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText("kept.txt");
            full.emplace(0); // the disk is full: the save fails
            QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
        } else if (box && box->icon() == QMessageBox::Critical) {
            told = box->text();
            box->accept();
        }
    });
    answer.start(20);
    window.frame->close();
    answer.stop();
    full.reset();
    EXPECT_EQ(offered, folder + "log.txt");
    EXPECT_TRUE(readable);
    EXPECT_TRUE(told.contains(folder + "kept.txt")) << told.toStdString();
    EXPECT_TRUE(window.frame->isVisible());
    EXPECT_TRUE(window.doc->IsModified());
}

TEST_F(LogViewFixture, CutsKeepSurrogatePairsWholeAndMarkWhatTheViewLeavesOut) {
    Build();
    const QString emoji = QStringLiteral("\U0001F600");
    // The bulk cut of 5000 characters would fall between the halves of a pair.
    Feed(u'a' + emoji.repeated(7499));
    Tick();
    Feed(QStringLiteral("x"));
    Tick();
    EXPECT_TRUE(Shown().isValidUtf16());
    window.frame->RunCommand(ids::ID_FILE_SAVE);
    const QByteArray saved = ReadAll(folder + "log.txt");
    ASSERT_GE(saved.size(), 2);
    EXPECT_FALSE(QChar(static_cast<char16_t>(uchar(saved[0]) | uchar(saved[1]) << 8)).isLowSurrogate());

    // A burst longer than the view: one marker line with the count, the rest whole, the log file all of it.
    app.m_logOnDisk.m_nLogOnDiskType = kLogOnDiskCustom;
    app.m_logOnDisk.m_strLogOnDiskFile = QStringLiteral("burst.log");
    window.frame->RunCommand(ids::ID_EDIT_CLEAR_ALL);
    const QString burst = emoji.repeated(9000);
    Feed(burst);
    Tick();
    const QString shown = Shown();
    EXPECT_TRUE(shown.isValidUtf16());
    EXPECT_LE(shown.size(), app.m_channel.m_nMaxTextLength.load());
    const QRegularExpressionMatch marker =
        QRegularExpression(QStringLiteral("^\\[\\.\\.\\. (\\d+) characters not shown \\.\\.\\.\\]\n")).match(shown);
    ASSERT_TRUE(marker.hasMatch()) << shown.left(60).toStdString();
    EXPECT_EQ(marker.captured(1).toInt() + (shown.size() - marker.capturedLength()), burst.size());
    EXPECT_EQ(ReadAll(folder + "burst.log"), burst.toUtf8());
}

TEST_F(LogViewFixture, TheMarkerForLeftOutTextStandsOnALineOfItsOwn) {
    Build();
    app.m_channel.m_nMaxTextLength = 2000;
    Feed("first\r\nR04790 xxx"); // a station's last line, not ended yet
    Tick();
    QString burst;
    for (int i = 0; i < 400; ++i)
        burst += QStringLiteral("R%1 burst line\r\n").arg(i, 5, 10, QChar(u'0'));
    Feed(burst);
    Tick();
    const QString shown = Shown();
    const qsizetype marker = shown.indexOf(QStringLiteral("[... "));
    ASSERT_GT(marker, 0) << "the unfinished line stays in the view";
    EXPECT_EQ(shown.mid(marker - 11, 11), QStringLiteral("R04790 xxx\n"));
    EXPECT_LE(window.view->TextLength(), 2000);
    EXPECT_TRUE(shown.endsWith("R00399 burst line\n"));
}

namespace {

std::optional<QColor> ForegroundAt(const QTextDocument& doc, int position) {
    QTextCursor cursor(const_cast<QTextDocument*>(&doc));
    cursor.setPosition(position + 1);
    const QTextCharFormat format = cursor.charFormat();
    if (!format.hasProperty(QTextFormat::ForegroundBrush))
        return std::nullopt;
    return format.foreground().color();
}

} // namespace

TEST_F(LogViewFixture, RulesColourTheLinesButCopySaveAndPrintStayPlain) {
    Build();
    window.view->SetHighlighter(std::make_shared<highlight::Highlighter>(highlight::DefaultRules()));
    window.view->insertPlainText("typed ");
    Feed("all quiet\r\nPump1: ERROR 5\r\nwarning: low\r\n");
    Tick();
    const QString shown = Shown();
    ASSERT_EQ(shown, "typed all quiet\nPump1: ERROR 5\nwarning: low\n");
    const QTextDocument& doc = *window.view->document();
    EXPECT_FALSE(ForegroundAt(doc, shown.indexOf("quiet")).has_value());
    EXPECT_EQ(ForegroundAt(doc, shown.indexOf("Pump1")), QColor::fromRgb(0xD01818)) << "the whole line";
    EXPECT_EQ(ForegroundAt(doc, shown.indexOf("low")), QColor::fromRgb(0xC07800));

    // Copy gives the text alone; Save writes it; the printed copy carries no colour.
    window.view->selectAll();
    window.frame->RunCommand(ids::ID_EDIT_COPY);
    const QMimeData* copied = QApplication::clipboard()->mimeData();
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->text(), shown);
    EXPECT_FALSE(copied->hasHtml());
    ASSERT_TRUE(window.view->SaveViewText(folder + "coloured.txt"));
    EXPECT_EQ(ReadAll(folder + "coloured.txt"), viewlogic::Utf16LeBytes(u"typed all quiet\r\nPump1: ERROR 5\r\nwarning: low\r\n"));
    const std::unique_ptr<QTextDocument> printed = window.view->PrintableCopy();
    EXPECT_EQ(printed->toPlainText(), shown);
    for (QTextBlock block = printed->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            EXPECT_FALSE(it.fragment().charFormat().hasProperty(QTextFormat::ForegroundBrush)) << block.text().toStdString();

    // New rules from the editor (Ctrl+Shift+L) colour what the view holds too; the user's typing still
    // counts as a change of the text.
    highlight::Rule quiet;
    quiet.pattern = "quiet";
    quiet.foreground = 0x00AA00;
    quiet.scope = highlight::Scope::Match;
    chosenRules = std::make_shared<highlight::Highlighter>(std::vector<highlight::Rule>{quiet});
    window.view->moveCursor(QTextCursor::End);
    window.view->insertPlainText("!");
    ASSERT_TRUE(window.doc->IsModified());
    window.frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.frame));
    window.frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.frame));
    QTest::keyClick(window.view, Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(toolRuns, QStringList{"rules"});
    const QString now = Shown();
    ASSERT_EQ(now, shown + "!");
    EXPECT_EQ(ForegroundAt(doc, now.indexOf("quiet")), QColor::fromRgb(0x00AA00));
    EXPECT_FALSE(ForegroundAt(doc, now.indexOf("Pump1")).has_value());
    EXPECT_FALSE(ForegroundAt(doc, now.indexOf("all")).has_value()) << "only the match";
    EXPECT_TRUE(window.doc->IsModified());
}
