// The Log Tags dialog: its rules against a recording toolkit, then its buttons and the Add Tag dialog.
#include "dialogs/LogTags.h"
#include "common/StationParts.h"
#include "res/Ids.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>

#include <deque>

namespace {

// Records every toolkit call in order; the browser hands out queued buffers.
class FakeToolkit final : public TagListToolkit {
public:
    QStringList calls;
    int32_t openResult = 0;
    bool lost = false;
    std::deque<std::u16string> browsed; // each entry is copied raw into the 2049-unit buffer; none: Cancel

    int32_t LinkOpen(const MiraboEndpoint& endpoint, MiraboLink* link) override {
        calls << "open " + endpoint.host;
        if (openResult != 0)
            return openResult;
        *link = reinterpret_cast<MiraboLink>(++m_links);
        lost = false;
        return 0;
    }
    int32_t LinkStationRefusal(const MiraboEndpoint&, MiraboStationKey*) override { return 0; }
    void LinkActivate(MiraboLink link) override { calls << QStringLiteral("activate %1").arg(Id(link)); }
    int32_t LinkIsLost(MiraboLink) override { return lost ? 1 : 0; }
    void LinkReset() override { calls << "reset"; }
    void LinkClose(MiraboLink link) override { calls << QStringLiteral("close %1").arg(Id(link)); }
    int32_t TagBrowserAvailable() override { return 1; }
    int32_t Orbelle(char16_t* name) override {
        if (browsed.empty())
            return 0;
        // The browser's buffer holds kTagNameMax + 1 units, terminator included.
        const auto& next = browsed.front();
        std::copy_n(next.begin(), std::min<size_t>(next.size(), kTagNameMax + 1), name);
        browsed.pop_front();
        return 1;
    }
    void TagNameNormalize(QString* name) override { *name = name->trimmed(); }
    int32_t TagParse(const QString& name) override { return name.startsWith("Tank") ? 1 : 0; }
    void TagLogEnable(const QString& name, int32_t enable) override { calls << QStringLiteral("log %1 %2").arg(name).arg(enable); }
    void ProfileSetString(const QString& section, const QString& key, const QString& value) override {
        calls << QStringLiteral("store %1/%2=%3").arg(section, key, value);
    }

private:
    static uintptr_t Id(MiraboLink link) { return reinterpret_cast<uintptr_t>(link); }
    uintptr_t m_links = 0;
};

class TagListTest : public ::testing::Test {
protected:
    void SetUp() override {
        shared.m_channel.SetTags({"Tank1.Level", "pump1.Running"});
        shared.m_channel.m_bConnected = 1;
    }
    // Runs Add with the browser returning `name` (or Cancel when it is empty).
    int Browse(TagListRules& rules, const std::u16string& name) {
        if (!name.empty())
            toolkit.browsed.push_back(name + u'\0');
        return rules.Add({});
    }
    TagListParts Parts() { return TagListParts{shared.m_options, shared.m_paths.m_strExeIniPath, shared.m_channel}; }
    StationParts shared;
    FakeToolkit toolkit;
};

} // namespace

TEST_F(TagListTest, CloseAppliesOnlyAfterAnEditAndThenRewritesEverything) {
    {
        TagListRules rules(Parts(), toolkit);
        rules.Load();
        EXPECT_EQ(rules.Names(), QStringList({"pump1.Running", "Tank1.Level"})) << "sorted without regard to case";
        rules.Close();
        EXPECT_TRUE(toolkit.calls.isEmpty()) << "no edit: no link, no store, no subscription";
    }
    EXPECT_TRUE(toolkit.calls.isEmpty());

    {
        // Add with the browser cancelled still counts as an edit: Close reuses the link and rewrites all.
        TagListRules rules(Parts(), toolkit);
        rules.Load();
        EXPECT_EQ(Browse(rules, u""), -1);
        EXPECT_TRUE(rules.Changed());
        rules.Close();
    }
    EXPECT_EQ(toolkit.calls, QStringList({"open localhost", "activate 1", "store Kestra/TagCount=2",
                                          "log Tank1.Level 0", "log pump1.Running 0", "log pump1.Running 1",
                                          "store Kestra/Tag1=pump1.Running", "log Tank1.Level 1",
                                          "store Kestra/Tag2=Tank1.Level", "close 1"}));
    EXPECT_EQ(shared.m_channel.Tags(), QStringList({"pump1.Running", "Tank1.Level"}));
}

TEST_F(TagListTest, AddNormalizesSortsAndSkipsDuplicatesEmptyNamesAndOverlongBuffers) {
    TagListRules rules(Parts(), toolkit);
    rules.Load();
    EXPECT_EQ(Browse(rules, u"TANK1.LEVEL"), -1) << "listed without regard to case";
    EXPECT_EQ(Browse(rules, u"   "), -1) << "empty once normalized";
    EXPECT_EQ(Browse(rules, u"  Boiler.Pressure "), 0);
    // A browser that fills the whole buffer without a terminator: only the first 2048 units count.
    EXPECT_EQ(Browse(rules, std::u16string(kTagNameMax + 1, u'x')), 3);
    ASSERT_EQ(rules.Names().size(), 4);
    EXPECT_EQ(rules.Names()[0], "Boiler.Pressure");
    EXPECT_EQ(rules.Names()[3], QString(kTagNameMax, u'x'));
    EXPECT_EQ(toolkit.calls.count("open localhost"), 1) << "one link for the dialog's whole life";
    EXPECT_EQ(toolkit.calls.count("activate 1"), 1) << "a live link is reused without activating it again";

    // The link is found lost: reset, opened and activated anew; the lost one is never closed.
    toolkit.lost = true;
    toolkit.calls.clear();
    EXPECT_EQ(Browse(rules, u""), -1);
    EXPECT_EQ(toolkit.calls, QStringList({"reset", "open localhost", "activate 2"}));

    // Remove All, then Close: the count becomes 0, every old tag is unsubscribed, old keys stay.
    EXPECT_FALSE(rules.Remove(-1));
    rules.RemoveAll();
    toolkit.calls.clear();
    rules.Close();
    EXPECT_EQ(toolkit.calls,
              QStringList({"store Kestra/TagCount=0", "log Tank1.Level 0", "log pump1.Running 0"}));
    EXPECT_TRUE(shared.m_channel.Tags().isEmpty());
}

TEST_F(TagListTest, SlowModeStoresNothingAndAFailedLinkDropsTheChanges) {
    shared.m_options.m_bSlowConnection = 1;
    {
        TagListRules rules(Parts(), toolkit);
        rules.Load();
        EXPECT_EQ(rules.Add([] { return std::optional<QString>(" Tank2.Level"); }), 2);
        EXPECT_EQ(rules.Add([] { return std::optional<QString>(); }), -1);
        rules.Close();
    }
    EXPECT_EQ(toolkit.calls.filter("store").size(), 0);
    EXPECT_EQ(toolkit.calls.filter("log").size(), 5);
    EXPECT_EQ(shared.m_channel.Tags(), QStringList({"pump1.Running", "Tank1.Level", "Tank2.Level"}));

    // The station cannot be reached: the message names the local station, and nothing is applied.
    shared.m_options.m_strHost = "LocalHost";
    toolkit.openResult = static_cast<int32_t>(0x80070005);
    toolkit.calls.clear();
    QStringList shown;
    {
        TagListRules rules(Parts(), toolkit);
        rules.m_showError = [&shown](const QString& text) { shown << text; };
        rules.Load();
        rules.RemoveAll();
        rules.Close();
    }
    EXPECT_EQ(toolkit.calls, QStringList({"open LocalHost"}));
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0], "Error connecting to 'LOCAL' (-2147024891) .\nPlease make sure that 'TCP/IP Server' is "
                        "running on the remote station.");
    EXPECT_EQ(shared.m_channel.Tags().size(), 3);
}

TEST_F(TagListTest, DialogButtonsFollowTheSelectionAndEscAppliesNothing) {
    shared.m_options.m_bSlowConnection = 1;
    CLogTags dialog(Parts(), toolkit);
    dialog.m_typeName = [] { return std::optional<QString>("Tank9"); };
    dialog.InitDialog();
    auto* list = dialog.ControlAs<QListWidget>(1000);
    QWidget* remove = dialog.Control(4);
    QWidget* removeAll = dialog.Control(5);
    ASSERT_EQ(list->count(), 2);
    EXPECT_TRUE(remove->isEnabled() && removeAll->isEnabled()) << "enabled at opening, even with no selection";

    dialog.ControlAs<QPushButton>(5)->click();
    EXPECT_EQ(list->count(), 0);
    EXPECT_FALSE(remove->isEnabled() || removeAll->isEnabled());
    dialog.ControlAs<QPushButton>(3)->click();
    dialog.ControlAs<QPushButton>(3)->click(); // the same name again: nothing
    ASSERT_EQ(list->count(), 1);
    EXPECT_FALSE(remove->isEnabled()) << "adding selects nothing, so Remove stays disabled";
    list->setCurrentRow(0); // as the user's click does
    EXPECT_TRUE(remove->isEnabled() && removeAll->isEnabled());
    dialog.ControlAs<QPushButton>(4)->click();
    EXPECT_EQ(list->count(), 0);
    EXPECT_FALSE(remove->isEnabled() || removeAll->isEnabled());

    toolkit.calls.clear();
    QTimer::singleShot(0, &dialog, [&dialog] { QTest::keyClick(&dialog, Qt::Key_Escape); });
    EXPECT_EQ(dialog.DoModal(), ids::IDCANCEL);
    EXPECT_TRUE(toolkit.calls.isEmpty());
    EXPECT_EQ(shared.m_channel.Tags().size(), 2);
}

TEST_F(TagListTest, AddTagTakesAtMost1024CharactersAndKeepsARejectedName) {
    CDlgSimpleAddTag dialog([this](const QString& name) { return toolkit.TagParse(name); });
    auto* edit = dialog.ControlAs<QLineEdit>(1000);
    edit->setFocus();
    QTest::keyClicks(edit, QString(1025, u'T'));
    EXPECT_EQ(edit->text().size(), 1024);

    edit->setText(" Tank1.Level");
    int boxes = 0;
    // The rejection's message box is closed as it appears; the dialog stays open with the text.
    QTimer::singleShot(0, &dialog, [&] {
        QTimer::singleShot(0, [&boxes] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                ++boxes;
                QTest::keyClick(box, Qt::Key_Return);
            }
        });
        dialog.ControlAs<QPushButton>(ids::IDOK)->click();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(edit->text(), " Tank1.Level");
        edit->setText("Tank1.Level");
        dialog.ControlAs<QPushButton>(ids::IDOK)->click();
    });
    EXPECT_EQ(dialog.DoModal(), ids::IDOK);
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(dialog.m_strTagName, "Tank1.Level");
}
