// Choosing the culture and finding its language bundle.
#include "app/EnvGuard.h"
#include "app/core/Language.h"
#include "app/core/LanguageBundle.h"
#include "res/Ids.h"
#include "res/Resources.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QByteArray kGermanLike = "[Bundle]\nFormat=1\n[Strings]\n9=Ungültig\n[Menu]\nPopup0=&Datei\n";

void WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QString StringFrom(const res::ResourceModule* module, int id) {
    QString text;
    return module && module->FindString(id, &text) ? text : QStringLiteral("<none>");
}

// A program folder in a temporary place with a (dummy) program file "kestra".
class BundleSearch : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_root = QFileInfo(m_dir.path()).canonicalFilePath() + u'/';
        m_exe = m_root + QStringLiteral("kestra");
        WriteFile(m_exe, "program");
    }
    void TearDown() override { FreeLanguageModule(&m_module); }

    void Bundle(const QString& relative, const QByteArray& bytes = kGermanLike) {
        WriteFile(m_root + relative, bytes);
    }
    const res::ResourceModule* Load(const QString& culture) {
        LoadLanguageModule(culture, m_exe, &m_module);
        return m_module;
    }

    QTemporaryDir m_dir;
    QString m_root;
    QString m_exe;
    const res::ResourceModule* m_module = nullptr;
};

} // namespace

TEST(CultureTable, HoldsEveryRowOnceInOrder) {
    EXPECT_EQ(CultureTableSize(), 227);
    EXPECT_TRUE(CultureTableIsSorted());
    EXPECT_EQ(CultureNameFromLcid(0x0001), QStringLiteral("ar"));
    EXPECT_EQ(CultureNameFromLcid(0x0004), QStringLiteral("zh-CHS"));
    EXPECT_EQ(CultureNameFromLcid(0x0407), QStringLiteral("de-DE"));
    EXPECT_EQ(CultureNameFromLcid(0x0409), QStringLiteral("en-US"));
    EXPECT_EQ(CultureNameFromLcid(0x081A), QStringLiteral("sr-SP-Latn"));
    EXPECT_EQ(CultureNameFromLcid(0x2409), QStringLiteral("en-CB"));
    EXPECT_EQ(CultureNameFromLcid(0x7C04), QStringLiteral("zh-CHT"));
    EXPECT_EQ(CultureNameFromLcid(0x7C1A), QStringLiteral("sr"));
    // The whole 32-bit value must match: a non-default sort order or an unknown LCID has no name.
    EXPECT_EQ(CultureNameFromLcid(0x10407), QString());
    EXPECT_EQ(CultureNameFromLcid(0x0017), QString());
    EXPECT_EQ(CultureNameFromLcid(0), QString());
    EXPECT_EQ(LcidFromCultureName(QStringLiteral("DE-de")), 0x0407u);
}

TEST(UserLocale, MapsLocaleNamesToLcids) {
    EXPECT_EQ(LcidFromLocaleName(QStringLiteral("de_DE.UTF-8")), 0x0407u);
    EXPECT_EQ(LcidFromLocaleName(QStringLiteral("de_AT@euro")), 0x0C07u);
    EXPECT_EQ(LcidFromLocaleName(QStringLiteral("de")), 0x0407u);
    EXPECT_EQ(LcidFromLocaleName(QStringLiteral("zh_CN.UTF-8")), 0x0804u);
    EXPECT_EQ(LcidFromLocaleName(QStringLiteral("nb_NO.UTF-8")), 0x0414u);
    EXPECT_EQ(LcidFromLocaleName(QStringLiteral("uz_UZ")), 0x0443u);
    // A territory the table does not list for the language falls back to the neutral language.
    EXPECT_EQ(LcidFromLocaleName(QStringLiteral("sr_RS")), 0x7C1Au);
    for (const char* english : {"C", "POSIX", "C.UTF-8", ""})
        EXPECT_EQ(LcidFromLocaleName(QString::fromLatin1(english)), 0x0409u) << english;
}

TEST(UserLocale, TakesTheFirstSetVariable) {
    EnvGuard guard({"LC_ALL", "LC_MESSAGES", "LANG"});
    EnvGuard::unset("LC_ALL");
    EnvGuard::unset("LC_MESSAGES");
    EnvGuard::unset("LANG");
    EXPECT_EQ(UserDefaultLcid(), 0x0409u);
    EnvGuard::set("LANG", "fr_FR.UTF-8");
    EXPECT_EQ(UserDefaultLcid(), 0x040Cu);
    EnvGuard::set("LC_MESSAGES", "it_IT.UTF-8");
    EXPECT_EQ(UserDefaultLcid(), 0x0410u);
    EnvGuard::set("LC_ALL", "de_CH.UTF-8");
    EXPECT_EQ(UserDefaultLcid(), 0x0807u);
    EnvGuard::set("LC_ALL", ""); // empty counts as unset
    EXPECT_EQ(UserDefaultLcid(), 0x0410u);
}

TEST(CultureName, SettingWinsOverLocaleAndEmptyCountsAsAbsent) {
    EnvGuard guard({"LC_ALL", "LC_MESSAGES", "LANG"});
    EnvGuard::set("LC_ALL", "de_DE.UTF-8");
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Program Settings.ini"));

    EXPECT_FALSE(GetCultureName(file, 0).has_value());
    EXPECT_EQ(GetCultureName(file, 255).value(), QStringLiteral("de-DE")); // no file: the locale
    EXPECT_EQ(GetCultureName(QString(), 255).value(), QStringLiteral("de-DE"));

    WriteFile(file, "[Language]\nCultureName=\n");
    EXPECT_EQ(GetCultureName(file, 255).value(), QStringLiteral("de-DE"));

    WriteFile(file, "[language]\nculturename = sr-SP-Latn\n");
    EXPECT_EQ(GetCultureName(file, 255).value(), QStringLiteral("sr-SP-Latn"));
    EXPECT_EQ(GetCultureName(file, 3).value(), QStringLiteral("sr"));

    EnvGuard::set("LC_ALL", "C");
    WriteFile(file, "[Other]\nCultureName=fr\n");
    EXPECT_EQ(GetCultureName(file, 255).value(), QStringLiteral("en-US"));
    EXPECT_EQ(GetCultureName(file, 3).value(), QStringLiteral("en"));
}

TEST_F(BundleSearch, FullCultureFallsBackToTheLanguageFolder) {
    Bundle(QStringLiteral("de/kestra-mui.ini"));
    EXPECT_EQ(LanguageModulePath(QStringLiteral("de-DE"), m_exe), m_root + QStringLiteral("de/kestra-mui.ini"));
    const res::ResourceModule* module = Load(QStringLiteral("de-DE"));
    EXPECT_NE(module, res::OwnModule());
    EXPECT_EQ(StringFrom(module, ids::IDS_INVALID_CREDENTIAL), QStringLiteral("Ungültig"));
    // The bundle does not name string 7: the lookup falls through to the own resources.
    res::SetCurrentModule(module);
    EXPECT_EQ(res::String(ids::IDS_CLOSING), QStringLiteral("Closing connection..."));
    EXPECT_EQ(res::String(ids::IDS_INVALID_CREDENTIAL), QStringLiteral("Ungültig"));
    EXPECT_EQ(res::Menu(ids::IDR_MAINFRAME).value(0).text, QStringLiteral("&Datei"));
    res::SetCurrentModule(nullptr);
}

TEST_F(BundleSearch, FirstExistingFolderIsTheOnlyOneTried) {
    QDir().mkpath(m_root + QStringLiteral("de-DE"));
    Bundle(QStringLiteral("de/kestra-mui.ini"));
    EXPECT_EQ(LanguageModulePath(QStringLiteral("de-DE"), m_exe),
              m_root + QStringLiteral("de-DE/kestra-mui.ini"));
    EXPECT_EQ(Load(QStringLiteral("de-DE")), res::OwnModule());
    // A longer culture name is cut one part at a time.
    Bundle(QStringLiteral("sr/kestra-mui.ini"));
    EXPECT_EQ(LanguageModulePath(QStringLiteral("sr-SP-Latn"), m_exe), m_root + QStringLiteral("sr/kestra-mui.ini"));
    EXPECT_NE(Load(QStringLiteral("sr-SP-Latn")), res::OwnModule());
}

TEST_F(BundleSearch, EnglishUsIsTheOwnLanguageInAnyCase) {
    Bundle(QStringLiteral("en-US/kestra-mui.ini"));
    Bundle(QStringLiteral("kestra-mui.ini"));
    for (const char* culture : {"en-US", "EN-us"}) {
        EXPECT_EQ(LanguageModulePath(QString::fromLatin1(culture), m_exe), QString()) << culture;
        EXPECT_EQ(Load(QString::fromLatin1(culture)), res::OwnModule()) << culture;
    }
}

TEST_F(BundleSearch, CultureWithoutNameLooksBesideTheProgram) {
    // A user locale whose language the table does not hold has no culture name.
    EnvGuard guard({"LC_ALL"});
    EnvGuard::set("LC_ALL", "ga_IE.UTF-8");
    const QString culture = GetCultureName(QString(), 255).value();
    EXPECT_EQ(culture, QString());
    EXPECT_EQ(CultureNameFromLcid(LcidFromLocaleName(QStringLiteral("xx_YY"))), QString());
    EXPECT_EQ(LanguageModulePath(culture, m_exe), m_root + QStringLiteral("kestra-mui.ini"));
    EXPECT_EQ(Load(culture), res::OwnModule()); // nothing there yet
    Bundle(QStringLiteral("kestra-mui.ini"));
    EXPECT_NE(Load(culture), res::OwnModule());
    // A culture without any folder ends up beside the program too.
    EXPECT_EQ(LanguageModulePath(QStringLiteral("fr-FR"), m_exe), m_root + QStringLiteral("kestra-mui.ini"));
}

TEST_F(BundleSearch, NameComesFromTheRealProgramFile) {
    // A link elsewhere is resolved to the program file.
    QTemporaryDir other;
    const QString link = other.filePath(QStringLiteral("kx"));
    ASSERT_TRUE(QFile::link(m_exe, link));
    Bundle(QStringLiteral("de/kestra-mui.ini"));
    EXPECT_EQ(LanguageModulePath(QStringLiteral("de"), link), m_root + QStringLiteral("de/kestra-mui.ini"));
    // Known program extensions become a capital tag; others stay part of the name.
    EXPECT_EQ(LanguageModulePath(QStringLiteral("de"), m_root + QStringLiteral("tool.exe")),
              m_root + QStringLiteral("de/tool-EXE-mui.ini"));
    EXPECT_EQ(LanguageModulePath(QStringLiteral("de"), m_root + QStringLiteral("tool.bin")),
              m_root + QStringLiteral("de/tool.bin-mui.ini"));
    EXPECT_EQ(LanguageModulePath(QStringLiteral("de"), m_root + QStringLiteral(".exe")), QString());
    EXPECT_EQ(LanguageModulePath(QStringLiteral("de"), QStringLiteral("kestra")), QString());
}

TEST_F(BundleSearch, MalformedBundleMeansOwnResources) {
    const QList<QByteArray> broken = {
        QByteArray(),                                        // empty: no header
        "[Strings]\n9=x\n",                                  // no header
        "[Bundle]\nFormat=2\n[Strings]\n9=x\n",              // unknown format
        "[Bundle]\nFormat=1\n[Strings]\n9=\xff\xfe bad\n",   // not UTF-8
        "[Bundle]\nFormat=1\n[Strings]\nnine=x\n",           // key not a number
        "[Bundle]\nFormat=1\n[Strings]\n9=a\\qb\n",          // unknown escape
        "[Bundle]\nFormat=1\n[Strings\n",                    // broken section line
        "[Bundle]\nFormat=1\n[Toolbar]\n1=x\n",              // unknown section
        "[Bundle]\nFormat=1\n[Strings]\njust text\n",        // not key=value
        "[Bundle]\nFormat=1\n[Dialog x]\nCaption=y\n",       // dialog without id
        QByteArray(LanguageBundle::kMaxBytes + 1, ';'),      // too large
    };
    for (const QByteArray& bytes : broken) {
        Bundle(QStringLiteral("de/kestra-mui.ini"), bytes);
        EXPECT_EQ(Load(QStringLiteral("de")), res::OwnModule()) << bytes.left(60).toStdString();
    }
}

TEST_F(BundleSearch, ReloadAndFreeReleaseTheBundle) {
    Bundle(QStringLiteral("de/kestra-mui.ini"));
    const res::ResourceModule* first = Load(QStringLiteral("de"));
    ASSERT_NE(first, res::OwnModule());
    Load(QStringLiteral("en-US")); // frees the bundle first (checked by the sanitizer builds)
    EXPECT_EQ(m_module, res::OwnModule());
    FreeLanguageModule(&m_module);
    EXPECT_EQ(m_module, nullptr);
    FreeLanguageModule(&m_module); // twice is harmless
}

TEST(LanguageBundleFormat, QuotesEscapesAndKeys) {
    QString error;
    const auto bundle = LanguageBundle::Parse(
        "\xEF\xBB\xBF; comment\r\n[BUNDLE]\r\nformat = 1\r\nculture=de\r\n[Strings]\r\n"
        "3=\" - Getrennt\"\r\n10=a\\nb \\\"c\\\" \\\\ d=e\r\n10=second\r\n# note\r\n"
        "[menu]\r\npopup2=&Protokoll\r\n57603=&Speichern\\tStrg+S\r\n[Dialog 133]\r\ncaption=Anmeldung\r\n2=&Benutzer:\r\n",
        &error);
    ASSERT_TRUE(bundle) << error.toStdString();
    QString text;
    EXPECT_EQ(bundle->Culture(), QStringLiteral("de"));
    ASSERT_TRUE(bundle->FindString(3, &text));
    EXPECT_EQ(text, QStringLiteral(" - Getrennt"));
    ASSERT_TRUE(bundle->FindString(10, &text));
    EXPECT_EQ(text, QStringLiteral("a\nb \"c\" \\ d=e")); // the first entry wins
    ASSERT_TRUE(bundle->FindMenuText(res::PopupKey(2), &text));
    EXPECT_EQ(text, QStringLiteral("&Protokoll"));
    ASSERT_TRUE(bundle->FindMenuText(57603, &text));
    EXPECT_EQ(text, QStringLiteral("&Speichern\tStrg+S"));
    ASSERT_TRUE(bundle->FindDialogCaption(133, &text));
    EXPECT_EQ(text, QStringLiteral("Anmeldung"));
    ASSERT_TRUE(bundle->FindDialogText(133, 2, &text));
    EXPECT_EQ(text, QStringLiteral("&Benutzer:"));
    EXPECT_FALSE(bundle->FindDialogText(133, 3, &text));
    EXPECT_FALSE(bundle->FindString(4, &text));
}
