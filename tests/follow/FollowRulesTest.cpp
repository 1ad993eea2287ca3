// The follower's rules without a station: its command line beside the viewer's switches, what a
// category request hands to the worker, and the password leaving the argument memory.
#include "app/core/CommandLine.h"
#include "app/core/SecretArguments.h"
#include "common/StationParts.h"
#include "follow/CategoryNames.h"
#include "follow/FollowOptions.h"
#include "follow/StationRequests.h"
#include "follow/TerminalColours.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <set>
#include <string>

using namespace follow;

TEST(FollowRules, OptionsAndStationSwitchesEachGoTheirWay) {
    const ParsedArguments parsed = ParseFollowArguments(
        {QStringLiteral("/dsip:control room"), QStringLiteral("--category"), QStringLiteral("trace,-dde"),
         QStringLiteral("--category=DDE, +stamp,-trace"), QStringLiteral("--tags"), QStringLiteral("A, B,A"),
         QStringLiteral("--tags=C"), QStringLiteral("/DSPORT:5"), QStringLiteral("--log-file"),
         QStringLiteral("x.log")});
    ASSERT_TRUE(parsed.error.isEmpty()) << parsed.error.toStdString();
    const FollowOptions& o = parsed.options;
    // One request per category, in the order of first mention, the last mention deciding.
    ASSERT_EQ(o.categories.size(), 3);
    EXPECT_EQ(o.categories[0].id, LogCategoryId::Trace);
    EXPECT_EQ(o.categories[0].value, 0);
    EXPECT_EQ(o.categories[1].id, LogCategoryId::Dde);
    EXPECT_EQ(o.categories[1].value, 1);
    EXPECT_EQ(o.categories[2].id, LogCategoryId::DateTimeStamp);
    EXPECT_EQ(o.tags, (QStringList{"A", "B", "C"}));
    EXPECT_EQ(o.logOnDiskType, 2);
    EXPECT_EQ(o.logFile, QStringLiteral("x.log"));

    // The station switches reach the viewer's own parser intact, blanks included.
    StationParts shared;
    ApplyArguments(shared.m_options, o.stationArguments);
    EXPECT_EQ(shared.m_options.m_strHost, QStringLiteral("control room"));
    EXPECT_EQ(shared.m_options.m_nPort, 5);

    EXPECT_EQ(ParseFollowArguments({QStringLiteral("--daily")}).options.logOnDiskType, 1);
    EXPECT_TRUE(ParseFollowArguments({QStringLiteral("--help"), QStringLiteral("--bogus")}).options.help);
    EXPECT_EQ(ParseFollowArguments({}).options.colour, ColourMode::Auto);
    EXPECT_EQ(ParseFollowArguments({QStringLiteral("--color")}).options.colour, ColourMode::Always);
    EXPECT_EQ(ParseFollowArguments({QStringLiteral("--colour=never")}).options.colour, ColourMode::Never);
    for (const QStringList& bad : {QStringList{"--bogus"}, QStringList{"-x"}, QStringList{"--category", "nope"},
                                   QStringList{"--category"}, QStringList{"--log-file="},
                                   QStringList{"--daily", "--log-file", "x"}, QStringList{"--color=sometimes"}})
        EXPECT_FALSE(ParseFollowArguments(bad).error.isEmpty()) << bad.join(u' ').toStdString();

    // Every category has a name of its own, found again without regard to case.
    std::set<std::string> names;
    for (const LogCategory& c : LogCategories()) {
        const QString name = QString::fromLatin1(NameOf(c.id).name);
        EXPECT_TRUE(names.insert(name.toStdString()).second && !name.isEmpty());
        EXPECT_EQ(CategoryByName(name.toUpper()), c.id);
    }
}

TEST(FollowRules, CategoryRequestsReachTheWorkerAsSwitchChangesAndTheStampFlag) {
    StationParts shared;
    const CategoryRequest requests[] = {{LogCategoryId::Trace, 1},
                                        {LogCategoryId::Dde, 0},
                                        {LogCategoryId::OpcUa, 1},
                                        {LogCategoryId::DateTimeStamp, 1}};
    shared.m_categories.m_nLogDde = 1;
    ApplyCategoryRequests(shared.m_categories, shared.m_channel, requests);
    EXPECT_EQ(shared.m_categories.m_nLogTrace.load(), 1);
    EXPECT_EQ(shared.m_categories.m_nLogDde.load(), 0);
    EXPECT_EQ(shared.m_categories.m_opcUa.enabled.load(), 1);
    EXPECT_EQ(shared.m_categories.m_nDateTimeStamp.load(), 1);
    EXPECT_EQ(shared.m_channel.m_bDateTimeChanged.load(), 1);
    EXPECT_EQ(shared.m_channel.TakeSwitchQueue(), (ChangeQueue{PackChange(3, 1), PackChange(6, 0), PackChange(12, 1)}));
}

TEST(FollowRules, ThePasswordLeavesTheArgumentMemory) {
    char program[] = "kestra-follow";
    char host[] = "/dsip:/password:not-a-switch";
    char password[] = "/PassWord:secret";
    char quoted[] = "\"/password:\"two words";
    char other[] = "/passwordless";
    char* argv[] = {program, host, password, quoted, other, nullptr};
    HideSecretArguments(5, argv);
    EXPECT_STREQ(host, "/dsip:/password:not-a-switch");
    EXPECT_STREQ(other, "/passwordless");
    EXPECT_STREQ(password, "/PassWord:");
    EXPECT_STREQ(quoted, "\"/password:");
    // Every byte of the values is gone, not only their first.
    for (std::size_t i = std::strlen(password); i < sizeof password; ++i)
        EXPECT_EQ(password[i], '\0');
    for (std::size_t i = std::strlen(quoted); i < sizeof quoted; ++i)
        EXPECT_EQ(quoted[i], '\0');
}

TEST(FollowRules, TheTerminalGetsColoursOnlyWhereItShould) {
    // Auto: a pipe is no terminal; NO_COLOR keeps even a terminal plain; asked for, always.
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    EXPECT_FALSE(UseColour(ColourMode::Auto, fds[1]));
    EXPECT_TRUE(UseColour(ColourMode::Always, fds[1]));
    EXPECT_FALSE(UseColour(ColourMode::Never, fds[1]));
    ::close(fds[0]);
    ::close(fds[1]);
    const int tty = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (tty >= 0 && ::grantpt(tty) == 0 && ::unlockpt(tty) == 0) {
        const int terminal = ::open(::ptsname(tty), O_RDWR | O_NOCTTY);
        ASSERT_GE(terminal, 0);
        ::unsetenv("NO_COLOR");
        ::setenv("TERM", "xterm", 1);
        EXPECT_TRUE(UseColour(ColourMode::Auto, terminal));
        ::setenv("NO_COLOR", "1", 1);
        EXPECT_FALSE(UseColour(ColourMode::Auto, terminal));
        ::unsetenv("NO_COLOR");
        ::close(terminal);
    }
    if (tty >= 0)
        ::close(tty);

    // The colours as escape sequences, around the coloured stretch only, reset after it.
    highlight::Rule match;
    match.pattern = QStringLiteral("ERR");
    match.matchCase = true;
    match.foreground = 0xFF0000;
    match.background = 0x0000FF;
    match.scope = highlight::Scope::Match;
    const highlight::Highlighter rules({match});
    EXPECT_EQ(Colourise(QStringLiteral("a ERR b\nquiet\n"), rules, true),
              QStringLiteral("a \x1b[38;2;255;0;0;48;2;0;0;255mERR\x1b[0m b\nquiet\n"));
    EXPECT_EQ(Colourise(QStringLiteral("ERR"), rules, false), QStringLiteral("\x1b[38;5;196;48;5;21mERR\x1b[0m"));
}
