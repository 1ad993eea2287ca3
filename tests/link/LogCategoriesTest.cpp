// The log-category rules without a service: what a click queues and what a menu item shows.
#include "logview/logic/CategoryCommands.h"
#include "res/Ids.h"

#include <gtest/gtest.h>

using namespace viewlogic;

namespace {

std::vector<uint32_t> Queue(CKestraExtShared& app) { return app.SwitchQueue(); }

const int kAllSimple[] = {ids::ID_LOG_RECIPE_REPORT, ids::ID_LOG_FIELD_READ, ids::ID_LOG_FIELD_WRITE,
                          ids::ID_LOG_PROTOCOL_ANALYZER, ids::ID_LOG_TRACE, ids::ID_LOG_TCPIP,
                          ids::ID_LOG_OPC_DA, ids::ID_LOG_DISPLAY, ids::ID_LOG_LOGON,
                          ids::ID_LOG_DATABASE, ids::ID_LOG_DDE};

} // namespace

TEST(LogCategories, DisconnectedClicksChangeAndQueueNothing) {
    CKestraExtShared app;
    app.m_nLogTrace = 1;
    for (int id : kAllSimple)
        ToggleCategory(app, id);
    ToggleDateTimeStamp(app);
    EXPECT_TRUE(Queue(app).empty());
    EXPECT_EQ(app.m_nLogTrace.load(), 1);
    EXPECT_EQ(app.m_nDateTimeStamp.load(), 0);
    EXPECT_EQ(app.m_bDateTimeChanged.load(), 0);
}

TEST(LogCategories, EachClickQueuesTheValueAfterIt) {
    CKestraExtShared app;
    app.m_bConnected = 1;
    ToggleCategory(app, ids::ID_LOG_TCPIP);
    ToggleCategory(app, ids::ID_LOG_TCPIP);
    EXPECT_EQ(Queue(app), (std::vector<uint32_t>{PackChange(8, 1), PackChange(8, 0)}));
    EXPECT_EQ(app.m_nLogTcpIp.load(), 0);

    // Recipe/report is switch 0: its entries carry index 0 in the low 16 bits.
    ToggleCategory(app, ids::ID_LOG_RECIPE_REPORT);
    const uint32_t last = Queue(app).back();
    EXPECT_EQ(ChangeIndex(last), 0u);
    EXPECT_EQ(ChangeValue(last), 1u);
}

TEST(LogCategories, AValueOtherThanOneShowsAsItIsAndTogglesToZero) {
    CKestraExtShared app;
    app.m_bConnected = 1;
    app.m_nLogDatabase = 5;
    EXPECT_EQ(CategoryUpdateState(app, ids::ID_LOG_DATABASE).check, 5);
    ToggleCategory(app, ids::ID_LOG_DATABASE);
    EXPECT_EQ(app.m_nLogDatabase.load(), 0);
    EXPECT_EQ(Queue(app), std::vector<uint32_t>{PackChange(10, 0)});
}

TEST(LogCategories, DateTimeStampIsFlaggedNotQueued) {
    CKestraExtShared app;
    app.m_bConnected = 1;
    ToggleDateTimeStamp(app);
    EXPECT_EQ(app.m_nDateTimeStamp.load(), 1);
    EXPECT_EQ(app.m_bDateTimeChanged.load(), 1);
    EXPECT_TRUE(Queue(app).empty());
    EXPECT_EQ(CategoryUpdateState(app, ids::ID_OPTIONS_INSERT_DATETIME).check, 1);
}

TEST(LogCategories, UpdateStateFollowsTheConnection) {
    CKestraExtShared app;
    app.m_nLogLogon = 1;
    const CommandState off = CategoryUpdateState(app, ids::ID_LOG_LOGON);
    EXPECT_FALSE(off.enabled);
    EXPECT_FALSE(off.check.has_value()) << "the check mark is left as it was";
    app.m_bConnected = 1;
    const CommandState on = CategoryUpdateState(app, ids::ID_LOG_LOGON);
    EXPECT_TRUE(on.enabled);
    EXPECT_EQ(on.check, 1);
    for (int id : {ids::ID_LOG_OPC_XMLDA, ids::ID_LOG_OPC_UA, ids::ID_LOG_OPC_NET, ids::ID_LOG_TAGS}) {
        EXPECT_FALSE(IsSimpleCategory(id)) << id << " has a dialog of its own";
        EXPECT_FALSE(CategoryUpdateState(app, id).enabled) << id;
    }
}
