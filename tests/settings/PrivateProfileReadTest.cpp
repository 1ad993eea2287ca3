// Reading keys: name matching, defaults, value clean-up, integers and unusual files.
#include "settings/PrivateProfile.h"

#include "ProfileTestFiles.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace profile;

namespace {

class ProfileRead : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString file = dir.filePath("test.ini");
    QString str(const QString& s, const QString& k, const QString& def = "DEF", int cap = 4096) {
        return GetPrivateProfileString(s, k, def, cap, file);
    }
};

TEST_F(ProfileRead, NamesMatchWithoutCaseAndFirstMatchWins) {
    ASSERT_TRUE(writeRaw(file, "[Options]\ndsport=1\nDSPORT=2\n[OPTIONS]\ndsport=3\nother=4\n"
                               "[Zeta]\nKey=z\n"));
    EXPECT_EQ(str("options", "DsPort"), "1");
    // The second section of the same name is never consulted.
    EXPECT_EQ(str("Options", "other"), "DEF");
    EXPECT_EQ(str("zeta", "KEY"), "z");
    EXPECT_EQ(GetPrivateProfileInt("OPTIONS", "dsport", 9, file), 1);
}

TEST_F(ProfileRead, MissingFileSectionOrKeyGivesDefault) {
    EXPECT_EQ(str("Options", "dsip", "localhost"), "localhost");
    EXPECT_EQ(GetPrivateProfileInt("Options", "dsport", 1234, file), 1234);
    ASSERT_TRUE(writeRaw(file, "[Options]\ndsip=host\n"));
    EXPECT_EQ(str("Other", "dsip", "d"), "d");
    EXPECT_EQ(str("Options", "dsport", "d"), "d");
    EXPECT_EQ(GetPrivateProfileInt("Options", "dsport", -7, file), -7);
    EXPECT_EQ(GetPrivateProfileString("Options", "dsip", "x", 4096, QString()), "x");
    // A key before any section belongs to no section.
    ASSERT_TRUE(writeRaw(file, "dsip=early\n[Options]\n"));
    EXPECT_EQ(str("Options", "dsip"), "DEF");
}

TEST_F(ProfileRead, ValuesAreTrimmedOfBlanksAndOnePairOfQuotes) {
    ASSERT_TRUE(writeRaw(file, "[S]\n  a  =   spaced value \t \nb=\"quoted  \"\nc='single'\nd=\"\"twice\"\"\n"
                               "e=\"unbalanced\nf=\nempty2=   \ng=a=b\n; h=comment\nh2 = \"mixed'\n"));
    EXPECT_EQ(str("S", "a"), "spaced value");
    EXPECT_EQ(str("S", "b"), "quoted  ");
    EXPECT_EQ(str("S", "c"), "single");
    EXPECT_EQ(str("S", "d"), "\"twice\"");
    EXPECT_EQ(str("S", "e"), "\"unbalanced");
    EXPECT_EQ(str("S", "f"), "");      // present and empty replaces the default
    EXPECT_EQ(str("S", "empty2"), "");
    EXPECT_EQ(str("S", "g"), "a=b");   // split at the first '='
    EXPECT_EQ(str("S", "h"), "DEF");   // comment lines hold no keys
    EXPECT_EQ(str("S", "h2"), "\"mixed'");
}

TEST_F(ProfileRead, CapacityCountsTheTerminator) {
    ASSERT_TRUE(writeRaw(file, "[S]\nk=abcdef\n"));
    EXPECT_EQ(str("S", "k", "", 4), "abc");
    EXPECT_EQ(str("S", "k", "", 7), "abcdef");
    EXPECT_EQ(str("S", "k", "", 1), "");
    EXPECT_EQ(str("S", "k", "", 0), "");
    EXPECT_EQ(str("S", "missing", "longdefault", 5), "long");
    // A surrogate pair is not split in half.
    ASSERT_TRUE(writeRaw(file, QString("[S]\nk=ab\U0001F600c\n").toUtf8()));
    EXPECT_EQ(str("S", "k", "", 4), "ab");
}

TEST_F(ProfileRead, IntegersTakeTheLeadingDecimalNumber) {
    ASSERT_TRUE(writeRaw(file, "[S]\na=12ab\nb=\nc=x\nd=  -42\ne=+7\nf=0x10\ng=4294967297\nh=\"99\"\ni=- 5\n"));
    EXPECT_EQ(GetPrivateProfileInt("S", "a", 5, file), 12);
    EXPECT_EQ(GetPrivateProfileInt("S", "b", 5, file), 0); // present, no digits
    EXPECT_EQ(GetPrivateProfileInt("S", "c", 5, file), 0);
    EXPECT_EQ(GetPrivateProfileInt("S", "d", 5, file), -42);
    EXPECT_EQ(GetPrivateProfileInt("S", "e", 5, file), 7);
    EXPECT_EQ(GetPrivateProfileInt("S", "f", 5, file), 0);
    EXPECT_EQ(GetPrivateProfileInt("S", "g", 5, file), 1); // 32-bit wrap-around
    EXPECT_EQ(GetPrivateProfileInt("S", "h", 5, file), 99);
    EXPECT_EQ(GetPrivateProfileInt("S", "i", 5, file), 0);
    EXPECT_EQ(GetPrivateProfileInt("S", "missing", 5, file), 5);
}

TEST_F(ProfileRead, LineBreakStylesAndEncodings) {
    ASSERT_TRUE(writeRaw(file, "[S]\r\nk=v1 \r\nlast=end"));
    EXPECT_EQ(str("S", "k"), "v1");
    EXPECT_EQ(str("S", "last"), "end"); // final line without a line break

    ASSERT_TRUE(writeRaw(file, "\xEF\xBB\xBF[S]\nk=\xC3\xA4\xE2\x82\xAC\n"));
    EXPECT_EQ(str("s", "k"), QString::fromUtf8("\xC3\xA4\xE2\x82\xAC"));

    ASSERT_TRUE(writeRaw(file, utf16File(QString::fromUtf8("[Sä]\r\nk=wide \xE2\x82\xAC\r\nn=42"))));
    EXPECT_EQ(str(QString::fromUtf8("SÄ"), "K"), QString::fromUtf8("wide \xE2\x82\xAC"));
    EXPECT_EQ(GetPrivateProfileInt(QString::fromUtf8("sä"), "n", 0, file), 42);
}

TEST_F(ProfileRead, UnusualFilesGiveDefaults) {
    // A directory in place of the file.
    ASSERT_TRUE(QDir(dir.path()).mkdir("test.ini"));
    EXPECT_EQ(str("S", "k", "d"), "d");
    EXPECT_EQ(GetPrivateProfileInt("S", "k", 3, file), 3);
    // A device is not read to its end.
    EXPECT_EQ(GetPrivateProfileString("S", "k", "d", 10, "/dev/zero"), "d");

    // Binary junk: nothing sensible, but no crash, and a real key after the junk is still found.
    const QString junk = dir.filePath("junk.ini");
    QByteArray bytes(256 * 1024, '\0');
    auto* rng = QRandomGenerator::global();
    for (auto& b : bytes)
        b = static_cast<char>(rng->bounded(256));
    ASSERT_TRUE(writeRaw(junk, bytes + "\n[Tail]\nkey=found\n"));
    EXPECT_EQ(GetPrivateProfileString("Tail", "key", "d", 100, junk), "found");
    ASSERT_TRUE(writeRaw(junk, QByteArray("[S]\nk=a\0b\n", 10)));
    EXPECT_EQ(GetPrivateProfileString("S", "k", "d", 100, junk), QString("a") + QChar(0) + "b");
}

TEST_F(ProfileRead, VeryLongLine) {
    const QByteArray big(6 * 1024 * 1024, 'x');
    ASSERT_TRUE(writeRaw(file, "[S]\nbig=" + big + "\nafter=1\n"));
    EXPECT_EQ(GetPrivateProfileString("S", "big", "", 2048, file), QString(2047, u'x'));
    EXPECT_EQ(GetPrivateProfileString("S", "big", "", 1 << 24, file).size(), big.size());
    EXPECT_EQ(GetPrivateProfileInt("S", "after", 0, file), 1);
}

} // namespace
