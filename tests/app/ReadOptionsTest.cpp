// Connection options from section "Options" of the copy of KestraExt.ini beside the executable.
#include "app/KestraExtApp.h"
#include "base/Station.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class ReadOptions : public ::testing::Test {
protected:
    QTemporaryDir exeDir;
    QTemporaryDir userDir;
    CKestraExtApp app;
    void SetUp() override {
        app.m_paths.m_strExeIniPath = exeDir.filePath("KestraExt.ini");
        app.m_paths.m_strUserIniPath = userDir.filePath("KestraExt.ini");
    }
    static void write(const QString& path, const QByteArray& text) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
};

TEST_F(ReadOptions, ConstructorDefaultsSurviveMissingFile) {
    app.ReadOptions();
    app.m_lpCmdLine = std::nullopt;
    app.ReadCommandLine();
    EXPECT_EQ(app.m_options.m_strHost, "localhost");
    EXPECT_EQ(app.m_options.m_nPort, 1234);
    EXPECT_TRUE(app.m_options.m_strWtg.isEmpty());
    EXPECT_TRUE(app.m_options.m_strProxyHost.isEmpty());
    EXPECT_EQ(app.m_options.m_nProxyPort, 0);
    EXPECT_EQ(app.m_options.m_nTimeout, 60000);
    EXPECT_EQ(app.m_options.m_bSlowConnection, 0);
    EXPECT_TRUE(app.m_options.m_strUserName.isEmpty());
    EXPECT_TRUE(app.m_options.m_strPassword.isEmpty());
    EXPECT_EQ(app.m_channel.m_nMaxTextLength, 16000);
    EXPECT_EQ(app.m_categories.m_opcUa.verbosity, 2);
    EXPECT_EQ(app.m_window.m_bStarting, 0);
    EXPECT_EQ(app.m_pWorkerThread, nullptr);
}

TEST_F(ReadOptions, EveryKeyIsRead) {
    write(app.m_paths.m_strExeIniPath, "[options]\nDSIP=Station-7\ndsport=5000\nwtg=\"a=b; c\"\nproxyip=proxy.lan\n"
                               "proxyp=3128\nslowconnection=5\ntimeout=-1\nHTTPPolling=3\n");
    app.ReadOptions();
    EXPECT_EQ(app.m_options.m_strHost, "Station-7");
    EXPECT_EQ(app.m_options.m_nPort, 5000);
    EXPECT_EQ(app.m_options.m_strWtg, "a=b; c");
    EXPECT_EQ(app.m_options.m_strProxyHost, "proxy.lan");
    EXPECT_EQ(app.m_options.m_nProxyPort, 3128);
    EXPECT_EQ(app.m_options.m_bSlowConnection, 1); // any non-zero value is 1
    EXPECT_EQ(app.m_options.m_nTimeout, -1);       // not validated
}

TEST_F(ReadOptions, StringCapacitiesAndEmptyValues) {
    const QByteArray longText(3000, 'h');
    write(app.m_paths.m_strExeIniPath, "[Options]\ndsip=" + longText + "\nwtg=" + longText + "\nproxyip=" + longText + "\n");
    app.ReadOptions();
    EXPECT_EQ(app.m_options.m_strHost.size(), 127);
    EXPECT_EQ(app.m_options.m_strWtg.size(), 2047);
    EXPECT_EQ(app.m_options.m_strProxyHost.size(), 2047);

    write(app.m_paths.m_strExeIniPath, "[Options]\ndsip=\n");
    app.ReadOptions();
    EXPECT_EQ(app.m_options.m_strHost, "");
    EXPECT_TRUE(IsLocalStation(app.m_options.m_strHost));
}

TEST_F(ReadOptions, IntegerKeysDefaultToTheCurrentValue) {
    app.m_options.m_nPort = 77;
    app.m_options.m_nTimeout = 5;
    app.m_options.m_nProxyPort = 9;
    write(app.m_paths.m_strExeIniPath, "[Options]\nproxyp=x\n");
    app.ReadOptions();
    EXPECT_EQ(app.m_options.m_nPort, 77);
    EXPECT_EQ(app.m_options.m_nTimeout, 5);
    EXPECT_EQ(app.m_options.m_nProxyPort, 0); // present without digits
}

TEST_F(ReadOptions, SlowConnectionDefaultsToOffNotToTheMember) {
    app.m_options.m_bSlowConnection = 1;
    app.ReadOptions();
    EXPECT_EQ(app.m_options.m_bSlowConnection, 0);
    write(app.m_paths.m_strExeIniPath, "[Options]\nSlowConnection=abc\n");
    app.m_options.m_bSlowConnection = 1;
    app.ReadOptions();
    EXPECT_EQ(app.m_options.m_bSlowConnection, 0);
    write(app.m_paths.m_strExeIniPath, "[Options]\nSlowConnection=-3\n");
    app.ReadOptions();
    EXPECT_EQ(app.m_options.m_bSlowConnection, 1);
}

TEST_F(ReadOptions, PerUserCopyIsNotConsulted) {
    write(app.m_paths.m_strUserIniPath, "[Options]\ndsport=999\ndsip=elsewhere\nSlowConnection=1\n");
    app.ReadOptions();
    EXPECT_EQ(app.m_options.m_nPort, 1234);
    EXPECT_EQ(app.m_options.m_strHost, "localhost");
    EXPECT_EQ(app.m_options.m_bSlowConnection, 0);
}

TEST_F(ReadOptions, CommandLineOverridesFile) {
    write(app.m_paths.m_strExeIniPath, "[Options]\ndsport=5000\ndsip=filehost\nSlowConnection=0\ntimeout=100\n");
    app.ReadOptions();
    app.m_lpCmdLine = QStringList{QStringLiteral("/DSPORT:6000"), QStringLiteral("/slowconnection")};
    app.ReadCommandLine();
    EXPECT_EQ(app.m_options.m_nPort, 6000);
    EXPECT_EQ(app.m_options.m_strHost, "filehost"); // untouched by the command line
    EXPECT_EQ(app.m_options.m_nTimeout, 100);
    EXPECT_EQ(app.m_options.m_bSlowConnection, 1); // the command line can switch slow mode on, never off
}

} // namespace
