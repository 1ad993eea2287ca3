// The document title and the saved form of the view's text, without a widget.
#include "logview/logic/DocumentTitle.h"
#include "logview/logic/ViewTextFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace viewlogic;

TEST(DocumentTitle, LocalAndRemoteConnectedAndNot) {
    EXPECT_EQ(ComposeDocumentTitle(QStringLiteral("localhost"), true), QStringLiteral("Kestra: <LOCAL>"));
    EXPECT_EQ(ComposeDocumentTitle(QStringLiteral("LOCALHOST"), true), QStringLiteral("Kestra: <LOCAL>"));
    EXPECT_EQ(ComposeDocumentTitle(QString(), false), QStringLiteral("Kestra: <LOCAL> - Disconnected"));
    EXPECT_EQ(ComposeDocumentTitle(QStringLiteral("127.0.0.1"), true), QStringLiteral("Kestra: <127.0.0.1>"));
    EXPECT_EQ(ComposeDocumentTitle(QStringLiteral("plant7"), false),
              QStringLiteral("Kestra: <plant7> - Disconnected"));
}

TEST(ViewTextFile, SoftBreaksAreCrCrLfAndLineBreaksCrLf) {
    EXPECT_EQ(ReportedText({{QStringLiteral("ab "), QStringLiteral("cd")}, {QString()}, {QStringLiteral("e")}}),
              QStringLiteral("ab \r\r\ncd\r\n\r\ne"));
    EXPECT_EQ(ReportedText({{QString()}}), QString());
}

TEST(ViewTextFile, Utf16LeWithoutBomThroughManyBuffers) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/log.txt";
    QString text;
    for (int i = 0; i < 3000; ++i)
        text += QChar(u'A' + i % 26);
    text += QStringLiteral("\u20ac\r\n");
    ASSERT_TRUE(WriteUtf16LeFile(path, text));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_EQ(bytes.size(), text.size() * 2);
    EXPECT_EQ(bytes.left(4), QByteArray("A\0B\0", 4));
    EXPECT_EQ(bytes.right(6), QByteArray("\xac\x20\r\0\n\0", 6));
}

TEST(ViewTextFile, SecondWriteReplacesAndBadPathFails) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/log.txt";
    ASSERT_TRUE(WriteUtf16LeFile(path, u"long first text"));
    ASSERT_TRUE(WriteUtf16LeFile(path, u"x"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("x\0", 2));
    EXPECT_FALSE(WriteUtf16LeFile(dir.path() + "/no/such/folder/log.txt", u"x"));
}
