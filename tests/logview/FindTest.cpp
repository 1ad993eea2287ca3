// Finding text in the log view: the search rules, then the find bar on a live view.
#include "LogViewFixture.h"

#include "logview/FindBar.h"
#include "logview/logic/TextSearch.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

using viewlogic::TextMatch;
using viewlogic::TextSearch;

TEST(TextSearch, PlainAndRegularExpressionsForwardBackwardAndWrapping) {
    const QString text = QStringLiteral("Pump1 on\nPUMP2 off\npump3 on\n");
    const TextSearch anyCase(QStringLiteral("pump"), false, false);
    EXPECT_EQ(anyCase.FindAll(text).size(), 3);
    EXPECT_EQ(TextSearch(QStringLiteral("pump"), true, false).FindAll(text), (QList<TextMatch>{{19, 4}}));
    bool wrapped = true;
    EXPECT_EQ(anyCase.Find(text, 1, true, &wrapped), (TextMatch{9, 4}));
    EXPECT_FALSE(wrapped);
    EXPECT_EQ(anyCase.Find(text, 20, true, &wrapped), (TextMatch{0, 4})); // past the last: from the top
    EXPECT_TRUE(wrapped);
    EXPECT_EQ(anyCase.Find(text, 9, false, &wrapped), (TextMatch{0, 4}));
    EXPECT_FALSE(wrapped);
    EXPECT_EQ(anyCase.Find(text, 3, false, &wrapped), (TextMatch{19, 4})); // before the first: from the end
    EXPECT_TRUE(wrapped);

    const TextSearch digits(QStringLiteral("pump(\\d) o(n|ff)"), false, true);
    EXPECT_EQ(digits.FindAll(text).size(), 3);
    EXPECT_TRUE(
        TextSearch(QStringLiteral("x*"), false, true).FindAll(text).isEmpty()); // empty matches skipped
    const TextSearch broken(QStringLiteral("pump("), false, true);
    EXPECT_FALSE(broken.IsValid());
    EXPECT_FALSE(broken.Error().isEmpty());
    EXPECT_TRUE(broken.FindAll(text).isEmpty());
    EXPECT_FALSE(broken.Find(text, 0, true).has_value());
    EXPECT_FALSE(TextSearch().Find(text, 0, true).has_value());
}

TEST_F(LogViewFixture, FindBarSearchesAsYouTypeWrapsAndHighlightsFollowTheTrim) {
    Build();
    window.frame->show();
    QString lines;
    for (int i = 0; i < 20; ++i)
        lines +=
            QStringLiteral("line %1 alarm %2\r\n").arg(i, 2, 10, QChar(u'0')).arg(i % 2 ? "low" : "high");
    Feed(lines);
    Tick();

    QTextCursor caret = window.view->textCursor();
    caret.setPosition(0);
    window.view->setTextCursor(caret);
    window.view->OpenFind();
    ASSERT_TRUE(window.findBar->isVisible());
    window.findBar->Field()->setText(QStringLiteral("alarm HIGH")); // typing searches from the caret
    EXPECT_EQ(window.view->textCursor().selectedText(), QStringLiteral("alarm high"));
    EXPECT_EQ(window.view->extraSelections().size(), 10 + 1); // every match, and the current one on top
    for (int i = 0; i < 9; ++i)
        window.view->FindAgain(true);
    window.view->FindAgain(true); // past the last one: wraps to the first, with a notice
    EXPECT_LT(window.view->textCursor().selectionStart(), 20);
    EXPECT_EQ(window.findBar->findChildren<QLabel*>().last()->text(), QStringLiteral("Search wrapped"));

    // An expression that does not compile is shown as such; nothing is highlighted, nothing breaks.
    window.findBar->findChildren<QCheckBox*>().last()->setChecked(true);
    window.findBar->Field()->setText(QStringLiteral("alarm ("));
    EXPECT_TRUE(window.view->extraSelections().isEmpty());
    EXPECT_TRUE(window.findBar->findChildren<QLabel*>().last()->text().startsWith(
        QStringLiteral("Invalid expression")));
    window.findBar->Field()->setText(QStringLiteral("line 0\\d alarm"));

    // New text keeps arriving: the trim takes the first lines and their highlights with them.
    app.m_channel.m_nMaxTextLength = window.view->TextLength() + 10;
    Feed(QStringLiteral("line 05 alarm new\r\n"));
    Tick();
    const QList<QTextEdit::ExtraSelection> after = window.view->extraSelections();
    ASSERT_FALSE(after.isEmpty());
    for (const QTextEdit::ExtraSelection& s : after)
        EXPECT_TRUE(s.cursor.hasSelection() && s.cursor.selectedText().startsWith(QStringLiteral("line 0")));
    EXPECT_FALSE(window.view->toPlainText().startsWith(QStringLiteral("line 00"))); // trimmed away
    // Lines 01-09, and the new line, found too; the current match (line 00) went with the trim.
    EXPECT_EQ(after.size(), 10);
    EXPECT_EQ(after.last().cursor.selectionStart(),
              window.view->toPlainText().lastIndexOf(QStringLiteral("line 05")));

    // Esc closes the bar and gives the focus back to the text.
    QTest::keyClick(window.findBar->Field(), Qt::Key_Escape);
    EXPECT_FALSE(window.findBar->isVisible());
    EXPECT_TRUE(window.view->extraSelections().isEmpty());
}
