// The highlight rules editor: editing a rule, an expression that does not work shown as such, the live
// preview, the order, export and import, and OK writing the per-user file.
#include "dialogs/HighlightRulesDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <gtest/gtest.h>

using namespace highlight;

namespace {

// The colour the preview shows at the start of the line that holds `text` (invalid: none).
QColor PreviewColour(QPlainTextEdit* preview, const QString& text) {
    for (QTextBlock block = preview->document()->begin(); block.isValid(); block = block.next()) {
        if (!block.text().contains(text))
            continue;
        const qsizetype at = block.text().indexOf(text);
        for (const QTextLayout::FormatRange& range : block.layout()->formats())
            if (range.start <= at && at < range.start + range.length)
                return range.format.foreground().color();
        return QColor();
    }
    return QColor();
}

} // namespace

TEST(HighlightRulesDialog, EditsShowAtOnceABadExpressionIsToldAndOkWritesTheFile) {
    QTemporaryDir dir;
    const QString path = RulesFilePath(dir.path() + u'/');
    QString exported;
    bool accepted = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<CHighlightRulesDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->m_askColour = [](const QColor&) { return QColor(0x12, 0x34, 0x56); };
        // Every key of the dialog reaches one control only.
        QString keys;
        for (const QWidget* w : dialog->findChildren<QWidget*>()) {
            const QString text = w->property("text").toString();
            const qsizetype amp = text.indexOf(u'&');
            if (amp >= 0 && amp + 1 < text.size())
                keys += text[amp + 1].toLower();
        }
        for (const QChar key : keys)
            EXPECT_EQ(keys.count(key), 1) << "Alt+" << QString(key).toStdString() << " in " << keys.toStdString();
        auto* list = dialog->findChild<QListWidget*>();
        EXPECT_EQ(static_cast<size_t>(list->count()), DefaultRules().size()) << "no file yet: the defaults";
        EXPECT_EQ(PreviewColour(dialog->Preview(), "ALARM"), QColor::fromRgb(0xD01818));

        // A new rule: a bad expression is shown as such and colours nothing; mended, it colours at once.
        dialog->AddRule();
        dialog->findChild<QCheckBox*>("regularExpression")->setChecked(true);
        dialog->PatternEdit()->setText("Pump[0-9");
        EXPECT_FALSE(dialog->ProblemLabel()->text().isEmpty());
        EXPECT_TRUE(list->item(dialog->Current())->text().startsWith(QStringLiteral("\u26a0")));
        dialog->PatternEdit()->setText("Tank[0-9]\\.Level");
        EXPECT_TRUE(dialog->ProblemLabel()->text().isEmpty());
        EXPECT_TRUE(PreviewColour(dialog->Preview(), "Tank1.Level").isValid());
        // An expression that matches empty text would colour every line: refused, and said so.
        dialog->PatternEdit()->setText("x*");
        EXPECT_EQ(dialog->Compiled().ProblemOf(static_cast<size_t>(dialog->Current())), Problem::MatchesEmpty);
        dialog->PatternEdit()->setText("Tank[0-9]");

        // The new rule goes first: the later (red) ALARM rule still wins on its line.
        const int added = dialog->Current();
        for (int i = 0; i < added; ++i)
            dialog->MoveRule(-1);
        EXPECT_EQ(dialog->Current(), 0);
        EXPECT_EQ(dialog->Rules().front().pattern, "Tank[0-9]");
        EXPECT_EQ(PreviewColour(dialog->Preview(), "ALARM"), QColor::fromRgb(0xD01818));

        // Export, change, import the exported file back.
        exported = dir.path() + "/exported.ini";
        dialog->m_askFile = [&](bool) { return exported; };
        dialog->Export();
        dialog->RemoveRule();
        EXPECT_EQ(dialog->Rules().size(), DefaultRules().size());
        dialog->Import();
        EXPECT_EQ(dialog->Rules().size(), DefaultRules().size() + 1);
        EXPECT_EQ(dialog->Rules().front().pattern, "Tank[0-9]");
        accepted = true;
        dialog->accept();
    });
    const std::optional<std::vector<Rule>> chosen = RunHighlightRulesDialog(path, nullptr);
    ASSERT_TRUE(accepted);
    ASSERT_TRUE(chosen.has_value());
    const LoadedRules written = ReadRulesFile(path);
    EXPECT_TRUE(written.found);
    EXPECT_EQ(written.rules, *chosen);
    EXPECT_EQ(written.rules.front().pattern, "Tank[0-9]");
    EXPECT_TRUE(written.rules.front().regularExpression);

    // Cancel writes nothing.
    QTimer::singleShot(0, [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape); });
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_FALSE(RunHighlightRulesDialog(path, nullptr).has_value());
    EXPECT_FALSE(QFile::exists(path));
}
