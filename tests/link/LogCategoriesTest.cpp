// The log-category rules without a service: what a click queues and what a menu item shows.
#include "link/LogCategories.h"
#include "res/Ids.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

std::vector<uint32_t> Queue(CKestraExtShared& app) {
    std::lock_guard<std::mutex> guard(app.m_lock);
    return app.m_switchQueue;
}

const int kAllSimple[] = {ids::ID_LOG_RECIPE_REPORT, ids::ID_LOG_FIELD_READ, ids::ID_LOG_FIELD_WRITE,
                          ids::ID_LOG_PROTOCOL_ANALYZER, ids::ID_LOG_TRACE, ids::ID_LOG_TCPIP,
                          ids::ID_LOG_OPC_DA, ids::ID_LOG_DISPLAY, ids::ID_LOG_LOGON,
                          ids::ID_LOG_DATABASE, ids::ID_LOG_DDE};

} // namespace

TEST(LogCategories, TableCoversTheElevenSimpleItemsWithTheirSwitchIndexes) {
    const std::map<int, uint32_t> expected = {
        {ids::ID_LOG_RECIPE_REPORT, 0}, {ids::ID_LOG_FIELD_READ, 1}, {ids::ID_LOG_FIELD_WRITE, 2},
        {ids::ID_LOG_TRACE, 3},         {ids::ID_LOG_DISPLAY, 4},    {ids::ID_LOG_LOGON, 5},
        {ids::ID_LOG_DDE, 6},           {ids::ID_LOG_PROTOCOL_ANALYZER, 7}, {ids::ID_LOG_TCPIP, 8},
        {ids::ID_LOG_OPC_DA, 9},        {ids::ID_LOG_DATABASE, 10}};
    ASSERT_EQ(SimpleCategories().size(), expected.size());
    CKestraExtShared app;
    std::set<const KestraWord*> fields;
    for (const SimpleCategory& c : SimpleCategories()) {
        EXPECT_EQ(expected.at(c.commandId), c.switchIndex) << c.commandId;
        fields.insert(&(app.*(c.field)));
    }
    EXPECT_EQ(fields.size(), expected.size()) << "each item has a field of its own";
    for (int id : {ids::ID_LOG_OPC_XMLDA, ids::ID_LOG_OPC_UA, ids::ID_LOG_OPC_NET, ids::ID_LOG_TAGS,
                   ids::ID_OPTIONS_INSERT_DATETIME, ids::ID_EDIT_PAUSE})
        EXPECT_FALSE(IsSimpleCategory(id)) << id;
}

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

    // Every simple item toggles its own field and queues its own index.
    for (const SimpleCategory& c : SimpleCategories()) {
        CKestraExtShared fresh;
        fresh.m_bConnected = 1;
        ToggleCategory(fresh, c.commandId);
        EXPECT_EQ((fresh.*(c.field)).load(), 1) << c.commandId;
        EXPECT_EQ(Queue(fresh), std::vector<uint32_t>{PackChange(c.switchIndex, 1)}) << c.commandId;
    }
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
    EXPECT_FALSE(CategoryUpdateState(app, ids::ID_LOG_TAGS).enabled) << "not a category of this table";
}
