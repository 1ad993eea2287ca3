// The trim rules of the log view over a model of display lines: lines split at '\n' and wrapped every
// `width` characters.
#include "logview/logic/TextTrimmer.h"
#include "pipeline/ViewChunk.h"

#include <gtest/gtest.h>

using namespace viewlogic;
using namespace pipeline;

namespace {

// Display-line keys of `text` when each line wraps after `width` characters (a line break belongs to the
// display line it ends).
std::vector<int64_t> WrappedLines(const QString& text, int width) {
    std::vector<int64_t> keys(text.size() + 1);
    int64_t key = 0;
    int column = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\n' && column == width) {
            ++key;
            column = 0;
        }
        keys[i] = key;
        if (text[i] == u'\n') {
            ++key;
            column = 0;
        } else {
            ++column;
        }
    }
    keys[text.size()] = key;
    return keys;
}

int Trim(const QString& text, int chunk, int max, int width = 1000) {
    const auto keys = WrappedLines(text, width);
    return TrimPrefixLength(text, chunk, max, [&](int i) { return keys.at(i); });
}

} // namespace

TEST(TextTrimmer, NothingGoesWhileTheChunkFits) {
    EXPECT_EQ(Trim(QStringLiteral("abc\ndef"), 2, 10), 0);
    EXPECT_EQ(Trim(QString(), 9, 10), 0);
}

TEST(TextTrimmer, ChunkOfExactlyMIntoAnEmptyViewRemovesNothing) { EXPECT_EQ(Trim(QString(), 10, 10), 0); }

TEST(TextTrimmer, ExactFitRemovesTheWholeFirstLineAndItsBreak) {
    // 100 characters in three lines; L + N == M gives n == 0, yet the first line goes.
    const QString text = QString(40, u'a') + u'\n' + QString(30, u'b') + u'\n' + QString(28, u'c');
    ASSERT_EQ(text.size(), 100);
    EXPECT_EQ(Trim(text, 50, 150), 41);
}

TEST(TextTrimmer, CutInsideALineTakesTheLineAndTheEmptyLinesAfterIt) {
    const QString text = QStringLiteral("first line\nsecond line\n\n\nthird");
    // Excess 13 falls inside "second line" (11..21); the line, its break and two empty lines go.
    EXPECT_EQ(Trim(text, 13, static_cast<int>(text.size())), 25);
    EXPECT_EQ(text.mid(25), QStringLiteral("third"));
}

TEST(TextTrimmer, CutInTheLastLineEmptiesTheView) {
    const QString text = QStringLiteral("one\ntwo\nthree");
    EXPECT_EQ(Trim(text, 10, 12), static_cast<int>(text.size()));
}

TEST(TextTrimmer, ChunkOfMReplacesTheWholeView) {
    const QString text = QStringLiteral("one\ntwo");
    EXPECT_EQ(Trim(text, 20, 20), static_cast<int>(text.size()));
}

TEST(TextTrimmer, OnlyTheDisplayLineOfTheCutGoesWhenALineWraps) {
    // One line of 30 characters shown as three display lines of 10.
    const QString text = QString(10, u'a') + QString(10, u'b') + QString(10, u'c');
    EXPECT_EQ(Trim(text, 5, 20, 10), 20); // excess 15 lies on the "b" display line
    EXPECT_EQ(Trim(text, 1, 31, 10), 10); // excess 0: the first display line
}

TEST(TextTrimmer, KeepsTheLimitForAnyCut) {
    QString text;
    for (int i = 0; i < 60; ++i)
        text += QString(i % 7, QChar(u'a' + i % 26)) + u'\n';
    for (int chunk = 1; chunk <= 120; chunk += 7) {
        const int max = 120;
        const int prefix = Trim(text, chunk, max, 5);
        if (static_cast<int>(text.size()) + chunk >= max) {
            EXPECT_LE(static_cast<int>(text.size()) - prefix + chunk, max) << chunk;
            // The view starts at a display line's start: the character before the cut is a break or a wrap.
            if (prefix > 0 && prefix < text.size()) {
                EXPECT_TRUE(text[prefix - 1] == u'\n' || text[prefix] != u'\n') << chunk;
            }
        }
    }
}

TEST(TextTrimmer, BulkCutAtFourteenThousand) {
    EXPECT_EQ(BulkCutLength(13999), 0);
    EXPECT_EQ(BulkCutLength(14000), 5000);
    EXPECT_EQ(BulkCutLength(16000), 5000);
}

TEST(TextTrimmer, ViewPartKeepsTheLastMCharacters) {
    const QString chunk = QStringLiteral("0123456789");
    EXPECT_EQ(ViewPartOfChunk(chunk, 4).toString(), QStringLiteral("6789"));
    EXPECT_EQ(ViewPartOfChunk(chunk, 10).toString(), chunk);
}

TEST(TextTrimmer, DisplayFormMakesOneBreakPerLineBreak) {
    EXPECT_EQ(DisplayForm(u"a\r\nb\rc\nd"), QStringLiteral("a\nb\nc\nd"));
    EXPECT_EQ(DisplayForm(u"a\r\r\nb"), QStringLiteral("a\n\nb"));
    bool pendingCr = false;
    EXPECT_EQ(DisplayForm(u"line\r", &pendingCr), QStringLiteral("line\n"));
    EXPECT_TRUE(pendingCr);
    EXPECT_EQ(DisplayForm(u"\nnext", &pendingCr), QStringLiteral("next")); // CR LF split across chunks
    EXPECT_FALSE(pendingCr);
    EXPECT_EQ(DisplayForm(u"\nmore", &pendingCr), QStringLiteral("\nmore"));
}
