// The connection worker against a scripted service that records every request: how the switches are
// read (bit mask, one by one, slow connection), what a connect step asks for, in which order queued
// changes go out, and the stop in the middle of an unanswered open.
#include "FakeLogService.h"
#include "WorkerTestUtil.h"
#include "logview/logic/CategoryCommands.h"
#include "link/LogCategories.h"
#include "res/Ids.h"
#include "settings/PrivateProfile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

// The log-category rules by command id, as the Log menu applies them.
using viewlogic::CategoryUpdateState;
using viewlogic::ToggleCategory;

namespace {

// A category field with its bit in the 0xFFFF answer and the index of its own query (-1: stamp query).
struct FieldSpec {
    const char* name;
    int bit;
    int index;
    std::function<KestraWord&(StationParts&)> field;
};

const std::vector<FieldSpec>& Fields() {
    static const std::vector<FieldSpec> fields = {
        {"RecipeReport", 1, 0, [](StationParts& a) -> KestraWord& { return a.m_categories.m_nLogRecipeReport; }},
        {"FieldRead", 2, 1, [](StationParts& a) -> KestraWord& { return a.m_categories.m_nLogFieldRead; }},
        {"FieldWrite", 3, 2, [](StationParts& a) -> KestraWord& { return a.m_categories.m_nLogFieldWrite; }},
        {"Trace", 4, 3, [](StationParts& a) -> KestraWord& { return a.m_categories.m_nLogTrace; }},
        {"Dde", 5, 6, [](StationParts& a) -> KestraWord& { return a.m_categories.m_nLogDde; }},
        {"TcpIp", 6, 8, [](StationParts& a) -> KestraWord& { return a.m_categories.m_nLogTcpIp; }},
        {"OpcDa", 7, 9, [](StationParts& a) -> KestraWord& { return a.m_categories.m_nLogOpcDa; }},
        {"Display", 8, 4, [](StationParts& a) -> KestraWord& { return a.m_categories.m_nLogDisplay; }},
        {"Logon", 9, 5, [](StationParts& a) -> KestraWord& { return a.m_categories.m_nLogLogon; }},
        {"ProtocolAnalyzer", 10, 7, [](StationParts& a) -> KestraWord& { return a.m_categories.m_nLogProtocolAnalyzer; }},
        {"DateTimeStamp", 11, -1, [](StationParts& a) -> KestraWord& { return a.m_categories.m_nDateTimeStamp; }},
        {"Database", 12, 10, [](StationParts& a) -> KestraWord& { return a.m_categories.m_nLogDatabase; }},
        {"OpcXmlDa", 13, 11, [](StationParts& a) -> KestraWord& { return a.m_categories.m_opcXmlDa.enabled; }},
        {"OpcUa", 14, 12, [](StationParts& a) -> KestraWord& { return a.m_categories.m_opcUa.enabled; }},
        {"OpcNet", 15, 13, [](StationParts& a) -> KestraWord& { return a.m_categories.m_opcNet.enabled; }},
    };
    return fields;
}

void SetAllFields(StationParts& app, int value) {
    for (const FieldSpec& f : Fields())
        f.field(app) = value;
}

// Runs a worker until its first connect step succeeded, then stops it.
void ConnectOnce(WorkerFixtureState& s) {
    WorkerRun worker(s.app);
    ASSERT_TRUE(WaitForEvents([&] { return s.app.m_channel.m_bConnected.load() == 1; }));
}

std::vector<FakeRequest> OfMethod(const std::vector<FakeRequest>& all, const char* method) {
    std::vector<FakeRequest> out;
    std::copy_if(all.begin(), all.end(), std::back_inserter(out),
                 [method](const FakeRequest& r) { return r.method == QLatin1String(method); });
    return out;
}

// The requests of the connect steps: everything before the first fetch (or discard) of log text. The
// cycles that follow also read the OPC values.
std::vector<FakeRequest> BeforeFirstFetch(const std::vector<FakeRequest>& all) {
    const auto fetch = std::find_if(all.begin(), all.end(), [](const FakeRequest& r) {
        return r.method == QLatin1String("log.read") || r.method == QLatin1String("log.discard");
    });
    return std::vector<FakeRequest>(all.begin(), fetch);
}

bool HasAny(const std::vector<QString>& methods, const QString& prefix) {
    return std::any_of(methods.begin(), methods.end(), [&](const QString& m) { return m.startsWith(prefix); });
}

int Param(const FakeRequest& r, const char* key) {
    return r.params.value(QLatin1String(key)).toInt();
}

} // namespace

TEST(WorkerSwitches, BitMaskGivesEachFieldItsOwnBit) {
    // Four connects whose masks spell each bit's number in binary: every field must read back the
    // number of its own bit.
    std::map<std::string, int> readBack;
    for (int k = 0; k < 4; ++k) {
        FakeServiceSettings settings;
        settings.mask = 1;
        for (int bit = 1; bit <= 15; ++bit)
            if ((bit >> k) & 1)
                settings.mask |= 1 << bit;
        FakeLogService service(settings);
        WorkerFixtureState s(service.port());
        SetAllFields(s.app, 7);
        ConnectOnce(s);
        for (const FieldSpec& f : Fields()) {
            const int v = f.field(s.app).load();
            ASSERT_TRUE(v == 0 || v == 1) << f.name << " = " << v;
            readBack[f.name] |= v << k;
        }
        EXPECT_EQ(OfMethod(BeforeFirstFetch(service.requests()), "switch.get").size(), 1u) << "one query answers all";
    }
    for (const FieldSpec& f : Fields())
        EXPECT_EQ(readBack[f.name], f.bit) << f.name;
}

TEST(WorkerSwitches, WithoutMaskEachSwitchIsQueriedInOrderAndStoredUnchanged) {
    FakeServiceSettings settings;
    settings.mask = 0;
    for (int i = 0; i < 14; ++i)
        settings.switches[i] = 5 + 10 * i;
    settings.stamp = 42;
    FakeLogService service(settings);
    WorkerFixtureState s(service.port());
    ConnectOnce(s);

    std::vector<int> asked;
    for (const FakeRequest& r : BeforeFirstFetch(service.requests())) {
        if (r.method == QLatin1String("switch.get"))
            asked.push_back(Param(r, "index"));
        else if (r.method == QLatin1String("stamp.get"))
            asked.push_back(-1);
    }
    EXPECT_EQ(asked, (std::vector<int>{0xFFFF, 0, 1, 2, 3, 6, 8, 4, 5, 7, -1, 10, 9, 11, 12, 13}));
    for (const FieldSpec& f : Fields())
        EXPECT_EQ(f.field(s.app).load(), f.index < 0 ? 42 : 5 + 10 * f.index) << f.name;

    // The menu shows such a value as it is; a click turns it into 0.
    s.app.m_channel.m_bConnected = 1;
    EXPECT_EQ(CategoryUpdateState(s.app.m_categories, s.app.m_channel, ids::ID_LOG_RECIPE_REPORT).check, 5);
    ToggleCategory(s.app.m_categories, s.app.m_channel, ids::ID_LOG_RECIPE_REPORT);
    EXPECT_EQ(s.app.m_categories.m_nLogRecipeReport.load(), 0);
}

TEST(WorkerSwitches, SlowConnectionAsksOnceAndSkipsProjectFontAndTags) {
    FakeServiceSettings settings;
    settings.mask = 0;
    settings.config["Font/FontName"] = QStringLiteral("Other Font");
    settings.profile["Kestra/TagCount"] = QStringLiteral("1");
    settings.profile["Kestra/Tag1"] = QStringLiteral("Tank1.Level");
    FakeLogService service(settings);
    WorkerFixtureState s(service.port(), QStringLiteral("localhost"));
    s.app.m_options.m_bSlowConnection = 1;
    s.app.m_channel.SetFont(QStringLiteral("Before"), -1);
    const QString folder = s.logFolder();
    SetAllFields(s.app, 3);
    ConnectOnce(s);

    const std::vector<QString> methods = service.methods();
    EXPECT_EQ(OfMethod(BeforeFirstFetch(service.requests()), "switch.get").size(), 1u);
    EXPECT_FALSE(HasAny(methods, "stamp.get"));
    EXPECT_FALSE(HasAny(methods, "project.")) << "no project traffic";
    EXPECT_FALSE(HasAny(methods, "config.")) << "no font traffic";
    EXPECT_FALSE(HasAny(methods, "profile.") || HasAny(methods, "tag.")) << "no tag traffic";
    for (const FieldSpec& f : Fields())
        EXPECT_EQ(f.field(s.app).load(), 3) << f.name << " keeps its value";
    EXPECT_EQ(s.logFolder(), folder);
    EXPECT_EQ(s.fontName(), QStringLiteral("Before"));
    EXPECT_TRUE(s.tags().isEmpty());

    // A mask is still honoured in slow-connection mode.
    FakeServiceSettings withMask = settings;
    withMask.mask = 1 | (1 << 4);
    FakeLogService second(withMask);
    WorkerFixtureState t(second.port());
    t.app.m_options.m_bSlowConnection = 1;
    SetAllFields(t.app, 3);
    ConnectOnce(t);
    EXPECT_EQ(t.app.m_categories.m_nLogTrace.load(), 1);
    EXPECT_EQ(t.app.m_categories.m_nLogDde.load(), 0);
}

TEST(WorkerConnect, ReadsPollingFolderFontAndSubscribesOnlyValidTags) {
    FakeServiceSettings settings;
    settings.projectFolder = QStringLiteral("/srv/projects/demo/");
    settings.config["Font/FontName"] = QStringLiteral("Mono Face");
    settings.config["Font/CharSet"] = QStringLiteral("161");
    settings.profile["Kestra/TagCount"] = QStringLiteral("3");
    settings.profile["Kestra/Tag1"] = QStringLiteral("Tank1.Level");
    settings.profile["Kestra/Tag2"] = QStringLiteral("Bad.Tag");
    settings.profile["Kestra/Tag3"] = QStringLiteral("Pump1.Running");
    FakeLogService service(settings);
    WorkerFixtureState s(service.port(), QString()); // empty host: the local station
    ASSERT_TRUE(profile::WritePrivateProfileString("Options", "HTTPPolling", "25", s.app.m_paths.m_strExeIniPath));
    WorkerRun worker(s.app);
    ASSERT_TRUE(WaitForEvents([&] { return s.app.m_channel.m_bConnected.load() == 1; }));

    const std::vector<FakeRequest> all = service.requests();
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(all.front().method, QStringLiteral("hello"));
    EXPECT_EQ(Param(all.front(), "polling"), 25);
    EXPECT_EQ(s.logFolder(), QStringLiteral("/srv/projects/demo/"));
    EXPECT_EQ(s.fontName(), QStringLiteral("Mono Face"));
    EXPECT_EQ(s.charSet(), 161);
    EXPECT_EQ(s.tags(), (QStringList{QStringLiteral("Tank1.Level"), QStringLiteral("Pump1.Running")}));
    QStringList logged;
    for (const FakeRequest& r : OfMethod(all, "tag.log"))
        logged << r.params.value(QLatin1String("name")).toString();
    EXPECT_EQ(logged, s.tags()) << "an invalid tag is neither subscribed nor listed";

    // The polling interval is read again at every connect.
    ASSERT_TRUE(profile::WritePrivateProfileString("Options", "HTTPPolling", "40", s.app.m_paths.m_strExeIniPath));
    service.dropConnections();
    ASSERT_TRUE(WaitForEvents([&] { return service.accepted() == 2 && s.app.m_channel.m_bConnected.load() == 1; }));
    const std::vector<FakeRequest> hellos = OfMethod(service.requests(), "hello");
    ASSERT_EQ(hellos.size(), 2u);
    EXPECT_EQ(Param(hellos[1], "polling"), 40);
}

TEST(WorkerConnect, MissingFontValuesAndFailedProjectQueryKeepWhatTheyShould) {
    FakeServiceSettings settings;
    settings.projectPathFails = true; // font keys absent too
    FakeLogService service(settings);
    WorkerFixtureState s(service.port(), QStringLiteral("localhost"));
    s.app.m_channel.SetFont(QStringLiteral("Before"), 77);
    s.app.m_channel.SetTags(QStringList{QStringLiteral("Old.Tag")});
    const QString folder = s.logFolder();
    ConnectOnce(s);
    EXPECT_EQ(s.fontName(), QString()) << "an empty name is stored";
    EXPECT_EQ(s.charSet(), 77) << "-1 is never stored";
    EXPECT_EQ(s.logFolder(), folder) << "no path: the log folder is not emptied";
    EXPECT_TRUE(s.tags().isEmpty()) << "no TagCount: the list becomes empty";
}

TEST(WorkerSend, QueuesGoOutInOrderWithLow16BitsAndOpcKindsUaXmlDaNet) {
    FakeServiceSettings settings;
    settings.mask = 1 | (1 << 11); // the connect step reads the stamp as 1
    FakeLogService service(settings);
    WorkerFixtureState s(service.port());
    s.app.m_channel.QueueChanges({PackChange(3, 0x10005), PackChange(2, 70000), PackChange(3, 0)}, kOpcKindXmlDa,
                       {PackChange(1, 7)});
    s.app.m_channel.QueueChanges({}, kOpcKindUa, {PackChange(4, 3), PackChange(2, 1)});
    s.app.m_channel.QueueChanges({}, kOpcKindNet, {PackChange(0, 9)});
    s.app.m_channel.m_bDateTimeChanged = 1;
    WorkerRun worker(s.app);
    ASSERT_TRUE(WaitForEvents([&] { return !OfMethod(service.requests(), "log.read").empty(); }));
    EXPECT_EQ(s.app.m_channel.m_bDateTimeChanged.load(), 0);

    QStringList sent;
    for (const FakeRequest& r : service.requests()) {
        if (r.method == QLatin1String("switch.set"))
            sent << QStringLiteral("s%1=%2").arg(Param(r, "index")).arg(Param(r, "value"));
        else if (r.method == QLatin1String("opc.set"))
            sent << QStringLiteral("o%1.%2=%3").arg(Param(r, "kind")).arg(Param(r, "param")).arg(Param(r, "value"));
        else if (r.method == QLatin1String("stamp.set"))
            sent << QStringLiteral("stamp=%1").arg(Param(r, "value"));
    }
    EXPECT_EQ(sent, (QStringList{"s3=5", "s2=4464", "s3=0", "o12.4=3", "o12.2=1", "o11.1=7", "o13.0=9", "stamp=1"}));
}

TEST(WorkerSend, PausedDiscardsInsteadOfReading) {
    FakeLogService service;
    WorkerFixtureState s(service.port());
    s.app.m_channel.m_bPaused = 1;
    WorkerRun worker(s.app);
    ASSERT_TRUE(WaitForEvents([&] { return OfMethod(service.requests(), "log.discard").size() >= 2; }));
    EXPECT_TRUE(OfMethod(service.requests(), "log.read").empty());
}

TEST(WorkerStop, EndsWithGoodbyeWhenConnected) {
    FakeLogService service;
    WorkerFixtureState s(service.port());
    WorkerRun worker(s.app);
    ASSERT_TRUE(WaitForEvents([&] { return s.app.m_channel.m_bConnected.load() == 1; }));
    EXPECT_LT(worker.stop().count(), kStopWithinMs);
    const std::vector<FakeRequest> all = service.requests();
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(all[all.size() - 2].method, QStringLiteral("service.query"));
    EXPECT_EQ(all[all.size() - 2].params.value(QLatin1String("name")).toString(), QStringLiteral("MIRABO"));
    EXPECT_EQ(all.back().method, QStringLiteral("log.output"));
    EXPECT_FALSE(all.back().params.value(QLatin1String("enable")).toBool());
}

TEST(WorkerStop, InterruptsAnOpenThatIsNeverAnswered) {
    FakeServiceSettings settings;
    settings.silent = true;
    FakeLogService service(settings);
    WorkerFixtureState s(service.port());
    WorkerRun worker(s.app);
    ASSERT_TRUE(WaitForEvents([&] { return !service.methods().empty(); })) << "hello sent, no answer coming";
    const auto took = worker.stop();
    EXPECT_LT(took.count(), kStopWithinMs);
    EXPECT_EQ(s.app.m_channel.m_bConnected.load(), 0);
}

TEST(WorkerStop, InterruptsARequestThatIsNeverAnsweredWhileConnected) {
    FakeLogService service;
    WorkerFixtureState s(service.port());
    WorkerRun worker(s.app);
    ASSERT_TRUE(WaitForEvents([&] { return s.app.m_channel.m_bConnected.load() == 1; }));
    FakeServiceSettings silent;
    silent.silent = true;
    service.setSettings(silent);
    const size_t before = service.requests().size();
    ASSERT_TRUE(WaitForEvents([&] { return service.requests().size() > before; })) << "a fetch now waits for ever";
    EXPECT_LT(worker.stop().count(), kStopWithinMs);
}

TEST(WorkerConnect, DamagedTagCountDoesNotHoldTheConnectStep) {
    FakeServiceSettings settings;
    settings.profile["Kestra/TagCount"] = QStringLiteral("99999999");
    settings.profile["Kestra/Tag1"] = QStringLiteral("Tank1.Level");
    FakeLogService service(settings);
    WorkerFixtureState s(service.port(), QStringLiteral("127.0.0.1"));
    WorkerRun worker(s.app);
    ASSERT_TRUE(WaitForEvents([&] { return s.app.m_channel.m_bConnected.load() == 1; }, 60000));
    ASSERT_FALSE(s.tags().isEmpty());
    EXPECT_EQ(s.tags().front(), QStringLiteral("Tank1.Level"));
    EXPECT_LE(s.tags().size(), kMaxStoredTags);
    EXPECT_LE(OfMethod(service.requests(), "profile.get").size(), static_cast<size_t>(kMaxStoredTags) + 1);
}

TEST(WorkerFetch, ReadsAgainWhileTheServiceSaysMoreWaitsWithinItsBound) {
    const QString line = QString(70, u'x') + QStringLiteral("\r\n");
    const auto fetchOnce = [&](const std::vector<std::pair<QString, std::optional<int>>>& answers) {
        FakeServiceSettings settings;
        settings.reads = answers;
        FakeLogService service(settings);
        WorkerFixtureState s(service.port());
        s.app.m_channel.m_nMaxTextLength = 720; // ten lines of 72 fit in one read
        ToolkitInit();
        MiraboLink link = nullptr;
        EXPECT_EQ(ConnectStep(s.app.Worker(), link), MIRABO_OK);
        EXPECT_TRUE(FetchTextStep(s.app.Worker(), link));
        const size_t reads = OfMethod(service.requests(), "log.read").size();
        const QString pending = s.pending();
        LinkClose(link);
        ToolkitExit();
        return std::make_pair(reads, pending);
    };
    const QString full = line.repeated(10);

    // The service says more waits: the same cycle reads on, in order, until it says none is left.
    auto [reads, pending] = fetchOnce({{full, 5000}, {line.repeated(3), 0}, {QStringLiteral("late\r\n"), 0}});
    EXPECT_EQ(reads, 2u);
    EXPECT_EQ(pending, full + line.repeated(3));
    // ... but never more than the cycle's bound of reads.
    std::vector<std::pair<QString, std::optional<int>>> backlog(20, {full, 100000});
    std::tie(reads, pending) = fetchOnce(backlog);
    EXPECT_EQ(reads, static_cast<size_t>(kMaxReadsPerCycle));
    EXPECT_EQ(pending, full.repeated(kMaxReadsPerCycle));
    // A service that does not say: an answer that stopped within one message of the capacity means more.
    std::tie(reads, pending) = fetchOnce({{full, std::nullopt}, {line.repeated(9), std::nullopt}, {line, std::nullopt}});
    EXPECT_EQ(reads, 2u) << "10 lines fill the read; 9 leave room for one more, so nothing more waited";
    EXPECT_EQ(pending, full + line.repeated(9));
    std::tie(reads, pending) = fetchOnce({{line.repeated(4), std::nullopt}, {line, std::nullopt}});
    EXPECT_EQ(reads, 1u) << "an answer with room for more lines had nothing more";
}

TEST(WorkerOpc, TheStationsOpcValuesAreReadAfterConnectAfterAChangeAndTheSwitchesEverySecond) {
    FakeServiceSettings settings;
    settings.mask = 1 | (1 << 14); // OPC UA on
    settings.opc = {{120, 1}, {121, 0}, {122, 1}, {123, 0}, {124, -1}};
    FakeLogService service(settings);
    WorkerFixtureState s(service.port());
    WorkerRun worker(s.app);
    // Read whole in the first cycle after the connect, on the worker's own link.
    ASSERT_TRUE(WaitForEvents([&] { return s.app.m_channel.StationOpc(kOpcKindUa).known; }));
    OpcStationValues ua = s.app.m_channel.StationOpc(kOpcKindUa);
    EXPECT_EQ(ua.params, (std::array<int32_t, 5>{1, 0, 1, 0, -1}));
    EXPECT_TRUE(s.app.m_channel.StationOpc(kOpcKindNet).known);

    // A change the worker sends is read back right after it.
    FakeServiceSettings changed = settings;
    changed.opc[123] = 1;
    service.setSettings(changed);
    s.app.m_channel.QueueChanges({}, kOpcKindUa, {PackChange(3, 1)});
    ASSERT_TRUE(WaitForEvents([&] { return s.app.m_channel.StationOpc(kOpcKindUa).params[3] == 1; }));

    // The switches follow the station about once a second, from the mask alone.
    changed.mask = 1 | (1 << 13); // XML/DA on, UA off
    service.setSettings(changed);
    ASSERT_TRUE(WaitForEvents([&] {
        return s.app.m_channel.StationOpc(kOpcKindXmlDa).switchValue == 1 && s.app.m_channel.StationOpc(kOpcKindUa).switchValue == 0;
    }));
}
