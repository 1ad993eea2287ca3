// The command-line switches: tokenizer, quote rules, prefix matching and integer values.
#include "app/KestraExtApp.h"
#include "app/core/CommandLine.h"
#include "base/Station.h"
#include "fuzz/FuzzTargets.h"

#include <gtest/gtest.h>

namespace {

class CommandLine : public ::testing::Test {
protected:
    CKestraExtApp app;
    // A command-line text, read with its quote rules.
    void parse(const QString& text) { ApplyCommandLine(app.m_options, text); }
    // The program's arguments, as the program reads them.
    void arguments(const QStringList& list) {
        app.m_lpCmdLine = list;
        app.ReadCommandLine();
    }
};

TEST_F(CommandLine, NoneOrEmptyChangesNothing) {
    app.m_lpCmdLine = std::nullopt;
    app.ReadCommandLine();
    parse("");
    parse("    ");
    parse("\"\" unknown /dsipx /dsport /DSIP");
    EXPECT_EQ(app.m_options.m_strHost, "localhost");
    EXPECT_EQ(app.m_options.m_nPort, 1234);
    EXPECT_EQ(app.m_options.m_nTimeout, 60000);
    EXPECT_EQ(app.m_options.m_bSlowConnection, 0);
}

TEST_F(CommandLine, EverySwitchAndCaseRules) {
    parse("  /DsIp:MyHost   /dsport:4321 /WTG:Conn=X;Y /proxyip:Proxy.Lan /PROXYP:8080 /Timeout:2500 "
          "/USERNAME:Admin /password:SeCreT");
    EXPECT_EQ(app.m_options.m_strHost, "MyHost"); // prefix matched without case, value keeps its case
    EXPECT_EQ(app.m_options.m_nPort, 4321);
    EXPECT_EQ(app.m_options.m_strWtg, "Conn=X;Y");
    EXPECT_EQ(app.m_options.m_strProxyHost, "Proxy.Lan");
    EXPECT_EQ(app.m_options.m_nProxyPort, 8080);
    EXPECT_EQ(app.m_options.m_nTimeout, 2500);
    EXPECT_EQ(app.m_options.m_strUserName, "Admin");
    EXPECT_EQ(app.m_options.m_strPassword, "SeCreT");
}

TEST_F(CommandLine, SlowConnectionOnlyAsWholeToken) {
    parse("/slowconnection:1 /slowconnectionx");
    EXPECT_EQ(app.m_options.m_bSlowConnection, 0);
    parse("/SlowConnection");
    EXPECT_EQ(app.m_options.m_bSlowConnection, 1);
    app.m_options.m_bSlowConnection = 0;
    parse("\"/slowconnection\"");
    EXPECT_EQ(app.m_options.m_bSlowConnection, 1);
}

TEST_F(CommandLine, LaterSwitchWins) {
    parse("/username:first /dsport:1 /username:second /dsport:2");
    EXPECT_EQ(app.m_options.m_strUserName, "second");
    EXPECT_EQ(app.m_options.m_nPort, 2);
}

TEST_F(CommandLine, IntegerValuesFollowTheWideConversionRule) {
    parse("/dsport:12ab");
    EXPECT_EQ(app.m_options.m_nPort, 12);
    parse("/dsport:");
    EXPECT_EQ(app.m_options.m_nPort, 0);
    app.m_options.m_nPort = 5;
    parse("/dsport:x");
    EXPECT_EQ(app.m_options.m_nPort, 0);
    parse("/timeout:-250 /proxyp:+17");
    EXPECT_EQ(app.m_options.m_nTimeout, -250);
    EXPECT_EQ(app.m_options.m_nProxyPort, 17);
    parse("\"/dsport: \t 99\"");
    EXPECT_EQ(app.m_options.m_nPort, 99); // leading white space is skipped
    parse("/dsport: 99");       // the blank ends the token: empty value, then an unknown token
    EXPECT_EQ(app.m_options.m_nPort, 0);
}

TEST_F(CommandLine, QuotesJoinAndAreDropped) {
    parse("/dsip:\"my host name\" /dsport:1");
    EXPECT_EQ(app.m_options.m_strHost, "my host name");
    EXPECT_EQ(app.m_options.m_nPort, 1);
    parse("\"/dsip:other host\"");
    EXPECT_EQ(app.m_options.m_strHost, "other host");
    parse("/d\"sip:mi\"xed");
    EXPECT_EQ(app.m_options.m_strHost, "mixed");
    parse("\"/timeout:5000\"");
    EXPECT_EQ(app.m_options.m_nTimeout, 5000);
    parse("/dsip:");
    EXPECT_EQ(app.m_options.m_strHost, "");
    EXPECT_TRUE(IsLocalStation(app.m_options.m_strHost));
    parse("/dsip:\"\"");
    EXPECT_EQ(app.m_options.m_strHost, "");
}

TEST_F(CommandLine, UnbalancedQuoteRunsToTheEnd) {
    parse("/dsip:\"a b /dsport:9  ");
    EXPECT_EQ(app.m_options.m_strHost, "a b /dsport:9  ");
    EXPECT_EQ(app.m_options.m_nPort, 1234);
}

TEST_F(CommandLine, TabDoesNotSeparate) {
    parse("/dsip:a\t/dsport:9");
    EXPECT_EQ(app.m_options.m_strHost, "a\t/dsport:9");
    EXPECT_EQ(app.m_options.m_nPort, 1234);
    parse("/dsport:5\t/dsip:x");
    EXPECT_EQ(app.m_options.m_nPort, 5);
    EXPECT_EQ(app.m_options.m_strHost, "a\t/dsport:9");
}

TEST_F(CommandLine, EachArgumentIsOneTokenSoQuotingStyleDoesNotMatter) {
    // `kestra "/dsip:my host"` and `kestra /dsip:"my host"` both reach the program as one argument.
    arguments({"/dsip:my host", "/dsport:5", "/wtg:"});
    EXPECT_EQ(app.m_options.m_strHost, "my host");
    EXPECT_EQ(app.m_options.m_nPort, 5);
    EXPECT_EQ(app.m_options.m_strWtg, "");
    arguments({});
    EXPECT_EQ(app.m_options.m_nPort, 5) << "no arguments change nothing";
    // A tab is part of the token, as in a command line.
    arguments({"/wtg:a\tb"});
    EXPECT_EQ(app.m_options.m_strWtg, "a\tb");

    // An argument reads as its own text does: `kestra '/dsip:"127.0.0.1 x"'` names the host "127.0.0.1 x",
    // as /dsip:"127.0.0.1 x" typed as a command line would; a quote left open ends with its argument.
    arguments({"/dsip:\"127.0.0.1 x\"", "/wtg:a \"b c\" d", "/dsport:7"});
    EXPECT_EQ(app.m_options.m_strHost, "127.0.0.1 x");
    EXPECT_EQ(app.m_options.m_strWtg, "a b c d");
    EXPECT_EQ(app.m_options.m_nPort, 7);
    arguments({"/dsip:\"open end", "/dsport:8"});
    EXPECT_EQ(app.m_options.m_strHost, "open end");
    EXPECT_EQ(app.m_options.m_nPort, 8);
}

// Every stored input of the command-line fuzz target (seeds and any crash a fuzzer run found).
TEST(CommandLineFuzzInputs, ReadTheSameJoinedOrOneByOne) {
    const auto inputs = FuzzInputs(QStringLiteral("command_line"), QStringLiteral(KESTRA_SOURCE_DIR));
    EXPECT_FALSE(inputs.empty());
    for (const QByteArray& input : inputs)
        EXPECT_EQ(FuzzReplay(&FuzzCommandLine, input), 0);
}

} // namespace
