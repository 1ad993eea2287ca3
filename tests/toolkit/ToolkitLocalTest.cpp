// Operations answered locally, and the text conversions of the configuration and profile getters.
#include "ToolkitTestUtil.h"
#include "common/FakeServer.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

TEST(ToolkitLocal, LeadingDecimal) {
    EXPECT_EQ(MiraboLeadingDecimal("42", 7), 42);
    EXPECT_EQ(MiraboLeadingDecimal("  \t-17abc", 7), -17);
    EXPECT_EQ(MiraboLeadingDecimal("+5 6", 7), 5);
    EXPECT_EQ(MiraboLeadingDecimal("", 7), 7);
    EXPECT_EQ(MiraboLeadingDecimal("abc", 7), 7);
    EXPECT_EQ(MiraboLeadingDecimal("-", 7), 7);
    EXPECT_EQ(MiraboLeadingDecimal("- 3", 7), 7);
    EXPECT_EQ(MiraboLeadingDecimal("0x10", 7), 0);
    EXPECT_EQ(MiraboLeadingDecimal("99999999999999999999", 7), INT32_MAX);
    EXPECT_EQ(MiraboLeadingDecimal("-99999999999999999999", 7), INT32_MIN);
}

TEST(ToolkitLocal, RelativePath) {
    EXPECT_NE(IsRelativePath("log.txt"), 0);
    EXPECT_NE(IsRelativePath("sub/log.txt"), 0);
    EXPECT_NE(IsRelativePath(""), 0);
    EXPECT_EQ(IsRelativePath("/var/log/x.log"), 0);
}

TEST(ToolkitLocal, OnlyALibraryExportingOrbelleIsATagBrowser) {
    QTemporaryDir dir;
    const QString browser = dir.path() + "/libOrbelleExt.so";
    EXPECT_EQ(TagBrowserProc(dir.path()), nullptr) << "missing";
    QFile text(browser);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a library\n");
    text.close();
    EXPECT_EQ(TagBrowserProc(dir.path()), nullptr) << "not a library";
    ASSERT_TRUE(QFile::remove(browser));
    ASSERT_TRUE(QFile::copy(KESTRA_TEST_NO_ORBELLE_LIBRARY, browser));
    EXPECT_EQ(TagBrowserProc(dir.path()), nullptr) << "a library without Orbelle";
    EXPECT_NE(TagBrowserProc(KESTRA_BIN_DIR), nullptr) << "the real browser";
    // Beside this test program there is no browser.
    EXPECT_EQ(TagBrowserAvailable(), 0);
}

TEST(ToolkitLocal, ConfigAndProfileValuesFromTheService) {
    ToolkitScope scope;
    const QJsonObject values{{"Font/FontName", "DejaVu Sans Mono"}, {"Font/CharSet", " 204 cyrillic"},
                             {"Kestra/TagCount", "x3"}, {"Kestra/Tag1", "Tank.Level"}};
    FakeServer server([&](FakeConnection& c) { serveWithValues(c, values); });
    MiraboLink link = nullptr;
    ASSERT_EQ(openLocal(server.port(), &link), MIRABO_OK);
    LinkActivate(link);
    EXPECT_EQ(ConfigGetString("Font", "FontName", "def", 260), "DejaVu Sans Mono");
    EXPECT_EQ(ConfigGetString("Font", "FontName", "def", 7), "DejaVu");
    EXPECT_EQ(ConfigGetString("Font", "Missing", "default", 4), "def") << "the default is cut too";
    EXPECT_EQ(ConfigGetString("Font", "FontName", "def", 0), "");
    EXPECT_EQ(ConfigGetInt("Font", "CharSet", -1), 204);
    EXPECT_EQ(ConfigGetInt("Font", "Missing", -1), -1);
    EXPECT_EQ(ProfileGetInt("Kestra", "TagCount", 9), 9) << "no leading digits: the default";
    EXPECT_EQ(ProfileGetString("Kestra", "Tag1", "", 1024), "Tank.Level");
    EXPECT_EQ(ProfileSetString("Kestra", "Tag1", "Other"), MIRABO_OK);

    QString path;
    EXPECT_EQ(ProjectFilePath("a.txt", &path), MIRABO_OK);
    EXPECT_EQ(path, "/srv/project/a.txt");
    EXPECT_NE(ProjectFilePath("a.txt", &path, 10), MIRABO_OK) << "a cut path would name another file";
    EXPECT_TRUE(path.isEmpty());

    QString name = "  Tank.Level  ";
    EXPECT_EQ(TagNameNormalize(&name), MIRABO_OK);
    EXPECT_EQ(name, "Tank.Level");
    MiraboTagRef ref;
    EXPECT_NE(TagParse(&ref, "Tank"), 0);
    EXPECT_EQ(ref.id, 42);
    EXPECT_EQ(TagParse(&ref, "bogus"), 0);
    EXPECT_EQ(DateTimeStampGet(), 7);
    EXPECT_EQ(ServiceQuery("MIRABO", 0), 7);
    EXPECT_EQ(LinkIsLost(link), 0);
    LinkClose(link);
}
