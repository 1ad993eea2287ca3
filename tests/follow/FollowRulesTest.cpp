// The follower's rules without a station: its command line beside the viewer's switches, what a
// category request hands to the worker, and the password leaving the argument memory.
#include "app/core/CommandLine.h"
#include "app/core/SecretArguments.h"
#include "common/StationParts.h"
#include "follow/CategoryNames.h"
#include "follow/FollowOptions.h"
#include "follow/StationRequests.h"

#include <gtest/gtest.h>

#include <cstring>
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
    for (const QStringList& bad : {QStringList{"--bogus"}, QStringList{"-x"}, QStringList{"--category", "nope"},
                                   QStringList{"--category"}, QStringList{"--log-file="},
                                   QStringList{"--daily", "--log-file", "x"}})
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
