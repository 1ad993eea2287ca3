// The executable folder, the per-user settings folder and the product folder name.
#include "app/core/SettingsFolder.h"

#include "EnvGuard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class SettingsFolder : public ::testing::Test {
protected:
    EnvGuard env{"XDG_DATA_HOME", "HOME"};
    QTemporaryDir tmp;
    QString exeFolder = tmp.filePath("bin/");
    QString exe = exeFolder + "kestra";
    QString xdg = tmp.filePath("xdg-data");
    QString productFile = exeFolder + "Program Settings.ini";

    void SetUp() override {
        ASSERT_TRUE(QDir().mkpath(exeFolder));
        EnvGuard::set("XDG_DATA_HOME", QFile::encodeName(xdg));
        EnvGuard::set("HOME", QFile::encodeName(tmp.filePath("home")));
    }
    void writeProduct(const QByteArray& text) {
        QFile f(productFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }
};

TEST(ExecutableFolderTest, CutAfterLastSlash) {
    EXPECT_EQ(ExecutableFolder("/opt/kestra/bin/kestra"), "/opt/kestra/bin/");
    EXPECT_EQ(ExecutableFolder("/kestra"), "/");
    EXPECT_EQ(ExecutableFolder(""), "");
    EXPECT_EQ(ExecutableFolder("kestra"), "");
    const QString self = CurrentExecutablePath();
    EXPECT_TRUE(QDir::isAbsolutePath(self));
    EXPECT_EQ(QFileInfo(self).fileName(), "app_options_tests");
}

TEST_F(SettingsFolder, WithoutProductFileItIsTheBaseFolder) {
    EXPECT_EQ(GetSettingsFolder(exe), xdg + "/");
    EXPECT_EQ(GetSettingsFolder(exe) + "KestraExt.ini", xdg + "/KestraExt.ini");
    // A directory with the product file's name counts as absent.
    ASSERT_TRUE(QDir().mkpath(productFile));
    EXPECT_EQ(GetSettingsFolder(exe), xdg + "/");
}

TEST_F(SettingsFolder, ProductFolderName) {
    writeProduct("");
    EXPECT_EQ(GetSettingsFolder(exe), xdg + "/Mirabo v6.1/");
    writeProduct("[OEM]\nProductName=Acme\n[Install]\nVersion=7.0\n");
    EXPECT_EQ(GetSettingsFolder(exe), xdg + "/Acme v7.0/");
    writeProduct("[OEM]\nCompanyID=40\nProductName=Acme\n[Install]\nVersion=7.0\n");
    EXPECT_EQ(GetSettingsFolder(exe), xdg + "/Acme/");
    writeProduct("[oem]\ncompanyid=abc\n");
    EXPECT_EQ(GetSettingsFolder(exe), xdg + "/Mirabo v6.1/"); // not a number: company 0
    writeProduct("[OEM]\nCompanyID=\" 40\"\n");
    EXPECT_EQ(GetSettingsFolder(exe), xdg + "/Mirabo/");
    writeProduct("[OEM]\nCompanyID=41\n");
    EXPECT_EQ(GetSettingsFolder(exe), xdg + "/Mirabo v6.1/");

    writeProduct("[OEM]\nProductName=Acme Tools\n[Install]\nVersion=7.0\n");
    EXPECT_EQ(GetProductFolderName(productFile, 128, true), "Acme Tools v7.0");
    EXPECT_EQ(GetProductFolderName(productFile, 128, false), "Acme Tools");
    EXPECT_EQ(GetProductFolderName(productFile, 8, true), "Acme To");
    EXPECT_EQ(GetProductFolderName(tmp.filePath("none.ini"), 128, true), "Mirabo v6.1");
}

TEST_F(SettingsFolder, BaseFolderFromEnvironment) {
    writeProduct("[OEM]\nProductName=Acme\n[Install]\nVersion=7.0\n");
    const QString home = tmp.filePath("home");
    EnvGuard::set("XDG_DATA_HOME", QFile::encodeName(xdg + "//"));
    EXPECT_EQ(GetSettingsFolder(exe), xdg + "/Acme v7.0/");
    EnvGuard::set("XDG_DATA_HOME", "relative/data"); // not absolute: ignored
    EXPECT_EQ(GetSettingsFolder(exe), home + "/.local/share/Acme v7.0/");
    EnvGuard::set("XDG_DATA_HOME", "");
    EXPECT_EQ(GetSettingsFolder(exe), home + "/.local/share/Acme v7.0/");
    EnvGuard::unset("XDG_DATA_HOME");
    EXPECT_EQ(GetSettingsFolder(exe), home + "/.local/share/Acme v7.0/");
    EnvGuard::set("HOME", QFile::encodeName(home + "/"));
    EXPECT_EQ(GetSettingsFolder(exe), home + "/.local/share/Acme v7.0/");
    // Neither variable: the settings live beside the executable, so both copies are one file.
    EnvGuard::set("HOME", "");
    EXPECT_EQ(GetSettingsFolder(exe), exeFolder);
    EnvGuard::unset("HOME");
    EXPECT_EQ(GetSettingsFolder(exe), exeFolder);
    EnvGuard::set("XDG_DATA_HOME", QFile::encodeName(xdg));
    EXPECT_EQ(GetSettingsFolder(exe), xdg + "/Acme v7.0/");
}

TEST_F(SettingsFolder, CapacityAndEmptyPath) {
    EXPECT_EQ(GetSettingsFolder(""), "");
    EXPECT_EQ(GetSettingsFolder(exe, 0), "");
    const QString full = xdg + "/";
    EXPECT_EQ(GetSettingsFolder(exe, full.size() + 1), full);
    // A folder that does not fit is never cut off into some other folder's name.
    ASSERT_LT(exeFolder.size(), full.size());
    EXPECT_EQ(GetSettingsFolder(exe, full.size()), exeFolder);
    EXPECT_EQ(GetSettingsFolder(exe, exeFolder.size()), "");
}

TEST_F(SettingsFolder, EnsureCreatesMissingFolders) {
    const QString folder = GetSettingsFolder(exe);
    writeProduct("[OEM]\nProductName=Acme\n");
    const QString nested = GetSettingsFolder(exe);
    EXPECT_EQ(nested, xdg + "/Acme v6.1/");
    EXPECT_FALSE(QFileInfo(nested).exists());
    EXPECT_TRUE(EnsureSettingsFolder(nested));
    EXPECT_TRUE(QFileInfo(nested).isDir());
    EXPECT_TRUE(EnsureSettingsFolder(nested)); // already there
    EXPECT_TRUE(EnsureSettingsFolder(folder));
    EXPECT_FALSE(EnsureSettingsFolder(""));
    // A file standing where a folder should be.
    EXPECT_FALSE(EnsureSettingsFolder(productFile + "/sub/"));
    EXPECT_FALSE(EnsureSettingsFolder(productFile));
}

} // namespace
