// Writing keys: only the key's line changes, every other byte stays; refusals leave nothing behind.
#include "settings/PrivateProfile.h"

#include "ProfileTestFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <thread>
#include <vector>

using namespace profile;

namespace {

class ProfileWrite : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString file = dir.filePath("KestraExt.ini");
    QStringList entries() const {
        QStringList all;
        QDirIterator it(dir.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            all << it.next();
        return all;
    }
};

TEST_F(ProfileWrite, ReplacesOnlyThatKeysLine) {
    const QByteArray before = "; remembered settings\n[Kestra]\n  AlwaysOnTop = 0  \nother=keep\n\n"
                              "[Window]\nShowCmd=1\n[kestra]\nAlwaysOnTop=7\n";
    ASSERT_TRUE(writeRaw(file, before));
    ASSERT_TRUE(WritePrivateProfileString("KESTRA", "alwaysontop", "1", file));
    // The file's own spelling of the key stays; the duplicate section further down is untouched.
    EXPECT_EQ(readRaw(file), "; remembered settings\n[Kestra]\nAlwaysOnTop=1\nother=keep\n\n"
                             "[Window]\nShowCmd=1\n[kestra]\nAlwaysOnTop=7\n");
    EXPECT_EQ(GetPrivateProfileInt("Kestra", "AlwaysOnTop", 0, file), 1);
}

TEST_F(ProfileWrite, AddsKeyToExistingSectionAndNewSection) {
    ASSERT_TRUE(writeRaw(file, "[LogOnDisk]\nType=1\n\n\n[Window]\nFlags=0\n"));
    ASSERT_TRUE(WritePrivateProfileString("logondisk", "FileName", "/tmp/a b.log", file));
    EXPECT_EQ(readRaw(file), "[LogOnDisk]\nType=1\nFileName=/tmp/a b.log\n\n\n[Window]\nFlags=0\n");
    ASSERT_TRUE(WritePrivateProfileString("Kestra", "AlwaysOnTop", "1", file));
    EXPECT_EQ(readRaw(file), "[LogOnDisk]\nType=1\nFileName=/tmp/a b.log\n\n\n[Window]\nFlags=0\n"
                             "\n[Kestra]\nAlwaysOnTop=1\n");
    // An empty section gets its first key right below its header.
    ASSERT_TRUE(writeRaw(file, "[A]\n[B]\nx=1\n"));
    ASSERT_TRUE(WritePrivateProfileString("A", "k", "v", file));
    EXPECT_EQ(readRaw(file), "[A]\nk=v\n[B]\nx=1\n");
}

TEST_F(ProfileWrite, CreatesMissingFile) {
    ASSERT_TRUE(WritePrivateProfileString("Kestra", "AlwaysOnTop", "1", file));
    EXPECT_EQ(readRaw(file), "[Kestra]\nAlwaysOnTop=1\n");
    ASSERT_TRUE(WritePrivateProfileString("Kestra", "x", QString::fromUtf8("ä"), file));
    EXPECT_EQ(readRaw(file), QString::fromUtf8("[Kestra]\nAlwaysOnTop=1\nx=ä\n").toUtf8());
}

TEST_F(ProfileWrite, KeepsCrLfAndAFinalLineWithoutBreak) {
    ASSERT_TRUE(writeRaw(file, "[S]\r\na=1\r\nb=2"));
    ASSERT_TRUE(WritePrivateProfileString("S", "a", "10", file));
    EXPECT_EQ(readRaw(file), "[S]\r\na=10\r\nb=2");
    ASSERT_TRUE(WritePrivateProfileString("S", "c", "3", file));
    EXPECT_EQ(readRaw(file), "[S]\r\na=10\r\nb=2\r\nc=3\r\n");
    ASSERT_TRUE(WritePrivateProfileString("T", "d", "4", file));
    EXPECT_EQ(readRaw(file), "[S]\r\na=10\r\nb=2\r\nc=3\r\n\r\n[T]\r\nd=4\r\n");

    ASSERT_TRUE(writeRaw(file, "[S]"));
    ASSERT_TRUE(WritePrivateProfileString("S", "k", "v", file));
    EXPECT_EQ(readRaw(file), "[S]\nk=v\n");
    ASSERT_TRUE(writeRaw(file, "x=1"));
    ASSERT_TRUE(WritePrivateProfileString("S", "k", "v", file));
    EXPECT_EQ(readRaw(file), "x=1\n\n[S]\nk=v\n");
    // A lone CR at the very end is not a line break: the next line starts after a real one.
    ASSERT_TRUE(writeRaw(file, "[S]\nx=1\r"));
    ASSERT_TRUE(WritePrivateProfileString("S", "k", "v", file));
    EXPECT_EQ(GetPrivateProfileString("S", "x", "", 10, file), "1");
    EXPECT_EQ(GetPrivateProfileString("S", "k", "", 10, file), "v");
}

TEST_F(ProfileWrite, Utf16FileStaysUtf16AndReadable) {
    const QString text = QString::fromUtf8("[Window]\r\nShowCmd=1\r\n[Kestra]\r\nName=\xE2\x82\xAC\r\n");
    ASSERT_TRUE(writeRaw(file, utf16File(text)));
    ASSERT_TRUE(WritePrivateProfileString("window", "ShowCmd", "3", file));
    ASSERT_TRUE(WritePrivateProfileString("Kestra", "AlwaysOnTop", "1", file));
    ASSERT_TRUE(WritePrivateProfileString("LogOnDisk", "FileName", QString::fromUtf8("ö.log"), file));
    EXPECT_EQ(readRaw(file), utf16File(QString::fromUtf8("[Window]\r\nShowCmd=3\r\n[Kestra]\r\nName=\xE2\x82\xAC\r\n"
                                                         "AlwaysOnTop=1\r\n\r\n[LogOnDisk]\r\nFileName=ö.log\r\n")));
    EXPECT_EQ(GetPrivateProfileInt("Window", "ShowCmd", 0, file), 3);
    EXPECT_EQ(GetPrivateProfileString("LogOnDisk", "FileName", "", 260, file), QString::fromUtf8("ö.log"));
    // An odd stray byte at the end stays last, and what is appended stays aligned.
    ASSERT_TRUE(writeRaw(file, utf16File("[S]\r\n") + "Z"));
    ASSERT_TRUE(WritePrivateProfileString("T", "k", "v", file));
    EXPECT_EQ(GetPrivateProfileString("T", "k", "", 10, file), "v");
    EXPECT_TRUE(readRaw(file).endsWith('Z'));
}

TEST_F(ProfileWrite, RefusedWritesLeaveNothingBehind) {
    // A folder that does not exist: false, and no file or folder created anywhere.
    const QString deep = dir.filePath("missing/sub/KestraExt.ini");
    EXPECT_FALSE(WritePrivateProfileString("Kestra", "AlwaysOnTop", "1", deep));
    EXPECT_TRUE(entries().isEmpty()) << entries().join(", ").toStdString();

    // A directory in place of the file.
    ASSERT_TRUE(QDir(dir.path()).mkdir("KestraExt.ini"));
    EXPECT_FALSE(WritePrivateProfileString("Kestra", "AlwaysOnTop", "1", file));
    EXPECT_TRUE(QFileInfo(file).isDir());
    EXPECT_EQ(entries().size(), 1);
    ASSERT_TRUE(QDir(dir.path()).rmdir("KestraExt.ini"));

    // Names and values that cannot be kept on one line.
    const QByteArray before = "[S]\nk=v\n";
    ASSERT_TRUE(writeRaw(file, before));
    EXPECT_FALSE(WritePrivateProfileString("S", "k", "two\nlines", file));
    EXPECT_FALSE(WritePrivateProfileString("S", "k", "cr\r", file));
    EXPECT_FALSE(WritePrivateProfileString("S", "k\n", "v", file));
    EXPECT_FALSE(WritePrivateProfileString("S\r\n[T]", "k", "v", file));
    EXPECT_FALSE(WritePrivateProfileString("S]", "k", "v", file));
    EXPECT_FALSE(WritePrivateProfileString("S", "a=b", "v", file));
    EXPECT_FALSE(WritePrivateProfileString("S", "[k", "v", file));
    EXPECT_FALSE(WritePrivateProfileString("S", ";k", "v", file));
    EXPECT_FALSE(WritePrivateProfileString("S", "  ", "v", file));
    EXPECT_FALSE(WritePrivateProfileString("", "k", "v", file));
    EXPECT_EQ(readRaw(file), before);
}

TEST_F(ProfileWrite, NonRegularFileIsNotReplaced) {
    ASSERT_EQ(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
    EXPECT_FALSE(WritePrivateProfileString("Kestra", "AlwaysOnTop", "1", file));
    EXPECT_EQ(GetPrivateProfileInt("Kestra", "AlwaysOnTop", 5, file), 5); // not read (would block)
    EXPECT_FALSE(QFileInfo(file).isFile());
    EXPECT_TRUE(QFileInfo(file).exists());
}

TEST_F(ProfileWrite, UnreadableFileIsNotReplaced) {
    const QByteArray before = "[Window]\nShowCmd=1\n";
    ASSERT_TRUE(writeRaw(file, before));
    ASSERT_TRUE(QFile::setPermissions(file, QFile::WriteOwner));
    QFile probe(file);
    if (probe.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "running with privileges that read any file";
    EXPECT_FALSE(WritePrivateProfileString("Kestra", "AlwaysOnTop", "1", file));
    ASSERT_TRUE(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner));
    EXPECT_EQ(readRaw(file), before);
}

TEST_F(ProfileWrite, PaddedNamesDoNotAddDuplicates) {
    ASSERT_TRUE(WritePrivateProfileString(" Kestra ", " AlwaysOnTop ", "1", file));
    ASSERT_TRUE(WritePrivateProfileString("Kestra", "AlwaysOnTop ", "0", file));
    EXPECT_EQ(readRaw(file), "[Kestra]\nAlwaysOnTop=0\n");
    EXPECT_EQ(GetPrivateProfileInt(" kestra", " alwaysontop", 5, file), 0);
}

TEST_F(ProfileWrite, ValuesReadBackTrimmedAndUnquoted) {
    ASSERT_TRUE(WritePrivateProfileString("S", "k", "  \"a b\"  ", file));
    EXPECT_EQ(GetPrivateProfileString("S", "k", "", 100, file), "a b");
    ASSERT_TRUE(WritePrivateProfileString("S", "e", "", file));
    EXPECT_EQ(GetPrivateProfileString("S", "e", "d", 100, file), "");
}

TEST_F(ProfileWrite, LongLineAndConcurrentWritersKeepEveryKey) {
    const QByteArray big(4 * 1024 * 1024, 'y');
    ASSERT_TRUE(writeRaw(file, "[S]\nbig=" + big + "\n[T]\nx=1\n"));
    ASSERT_TRUE(WritePrivateProfileString("T", "x", "2", file));
    EXPECT_EQ(readRaw(file), "[S]\nbig=" + big + "\n[T]\nx=2\n");

    ASSERT_TRUE(writeRaw(file, ""));
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([this, t] {
            for (int i = 0; i < 25; ++i)
                WritePrivateProfileString(QString("T%1").arg(t), QString("k%1").arg(i), QString::number(i), file);
        });
    for (auto& w : writers)
        w.join();
    for (int t = 0; t < 4; ++t)
        for (int i = 0; i < 25; ++i)
            EXPECT_EQ(GetPrivateProfileInt(QString("T%1").arg(t), QString("k%1").arg(i), -1, file), i);
}

} // namespace
