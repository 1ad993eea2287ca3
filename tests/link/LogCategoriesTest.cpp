// The log-category rules without a service: what a click queues and what a menu item shows.
#include "common/StationParts.h"
#include "logview/logic/CategoryCommands.h"
#include "res/Ids.h"

#include <gtest/gtest.h>

using namespace viewlogic;

namespace {

std::vector<uint32_t> Queue(StationParts& app) { return app.m_channel.SwitchQueue(); }

const int kAllSimple[] = {ids::ID_LOG_RECIPE_REPORT, ids::ID_LOG_FIELD_READ, ids::ID_LOG_FIELD_WRITE,
                          ids::ID_LOG_PROTOCOL_ANALYZER, ids::ID_LOG_TRACE, ids::ID_LOG_TCPIP,
                          ids::ID_LOG_OPC_DA, ids::ID_LOG_DISPLAY, ids::ID_LOG_LOGON,
                          ids::ID_LOG_DATABASE, ids::ID_LOG_DDE};

} // namespace

TEST(LogCategories, DisconnectedClicksChangeAndQueueNothing) {
    StationParts app;
    app.m_categories.m_nLogTrace = 1;
    for (int id : kAllSimple)
        ToggleCategory(app.m_categories, app.m_channel, id);
    ToggleDateTimeStamp(app.m_categories, app.m_channel);
    EXPECT_TRUE(Queue(app).empty());
    EXPECT_EQ(app.m_categories.m_nLogTrace.load(), 1);
    EXPECT_EQ(app.m_categories.m_nDateTimeStamp.load(), 0);
    EXPECT_EQ(app.m_channel.m_bDateTimeChanged.load(), 0);
}

TEST(LogCategories, EachClickQueuesTheValueAfterIt) {
    StationParts app;
    app.m_channel.m_bConnected = 1;
    ToggleCategory(app.m_categories, app.m_channel, ids::ID_LOG_TCPIP);
    ToggleCategory(app.m_categories, app.m_channel, ids::ID_LOG_TCPIP);
    EXPECT_EQ(Queue(app), (std::vector<uint32_t>{PackChange(8, 1), PackChange(8, 0)}));
    EXPECT_EQ(app.m_categories.m_nLogTcpIp.load(), 0);

    // Recipe/report is switch 0: its entries carry index 0 in the low 16 bits.
    ToggleCategory(app.m_categories, app.m_channel, ids::ID_LOG_RECIPE_REPORT);
    const uint32_t last = Queue(app).back();
    EXPECT_EQ(ChangeIndex(last), 0u);
    EXPECT_EQ(ChangeValue(last), 1u);
}

TEST(LogCategories, AValueOtherThanOneShowsAsItIsAndTogglesToZero) {
    StationParts app;
    app.m_channel.m_bConnected = 1;
    app.m_categories.m_nLogDatabase = 5;
    EXPECT_EQ(CategoryUpdateState(app.m_categories, app.m_channel, ids::ID_LOG_DATABASE).check, 5);
    ToggleCategory(app.m_categories, app.m_channel, ids::ID_LOG_DATABASE);
    EXPECT_EQ(app.m_categories.m_nLogDatabase.load(), 0);
    EXPECT_EQ(Queue(app), std::vector<uint32_t>{PackChange(10, 0)});
}

TEST(LogCategories, DateTimeStampIsFlaggedNotQueued) {
    StationParts app;
    app.m_channel.m_bConnected = 1;
    ToggleDateTimeStamp(app.m_categories, app.m_channel);
    EXPECT_EQ(app.m_categories.m_nDateTimeStamp.load(), 1);
    EXPECT_EQ(app.m_channel.m_bDateTimeChanged.load(), 1);
    EXPECT_TRUE(Queue(app).empty());
    EXPECT_EQ(CategoryUpdateState(app.m_categories, app.m_channel, ids::ID_OPTIONS_INSERT_DATETIME).check, 1);
}

TEST(LogCategories, UpdateStateFollowsTheConnection) {
    StationParts app;
    app.m_categories.m_nLogLogon = 1;
    const CommandState off = CategoryUpdateState(app.m_categories, app.m_channel, ids::ID_LOG_LOGON);
    EXPECT_FALSE(off.enabled);
    EXPECT_FALSE(off.check.has_value()) << "the check mark is left as it was";
    app.m_channel.m_bConnected = 1;
    const CommandState on = CategoryUpdateState(app.m_categories, app.m_channel, ids::ID_LOG_LOGON);
    EXPECT_TRUE(on.enabled);
    EXPECT_EQ(on.check, 1);
    for (int id : {ids::ID_LOG_OPC_XMLDA, ids::ID_LOG_OPC_UA, ids::ID_LOG_OPC_NET, ids::ID_LOG_TAGS}) {
        EXPECT_FALSE(IsSimpleCategory(id)) << id << " has a dialog of its own";
        EXPECT_FALSE(CategoryUpdateState(app.m_categories, app.m_channel, id).enabled) << id;
    }
}
