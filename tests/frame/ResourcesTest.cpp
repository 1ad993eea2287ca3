// The resource tables and lookups: string table, menu 128, accelerators 128, module fallback, formatting.
#include "res/Resources.h"
#include "res/Ids.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// A language bundle that replaces a few resources by id.
class FakeModule : public res::ResourceModule {
public:
    std::map<int, QString> strings, menu, captions;
    std::map<std::pair<int, int>, QString> texts;
    bool FindString(int id, QString* text) const override { return Find(strings, id, text); }
    bool FindMenuText(int key, QString* text) const override { return Find(menu, key, text); }
    bool FindDialogCaption(int id, QString* text) const override { return Find(captions, id, text); }
    bool FindDialogText(int id, int index, QString* text) const override {
        return Find(texts, std::make_pair(id, index), text);
    }

private:
    template <typename Map, typename Key> static bool Find(const Map& map, const Key& key, QString* text) {
        const auto it = map.find(key);
        if (it == map.end())
            return false;
        *text = it->second;
        return true;
    }
};

struct ModuleGuard {
    ~ModuleGuard() { res::SetCurrentModule(nullptr); }
};

} // namespace

TEST(ResourceStrings, EveryStringIdHasItsText) {
    using namespace ids;
    const std::map<int, QString> expected = {
        {IDS_DISCONNECTED, " - Disconnected"},
        {IDS_NO_THREAD, "Could not create thread!"},
        {IDS_CONNECTING, "Connecting to %s ..."},
        {IDS_CLOSING, "Closing connection..."},
        {IDS_INVALID_TAGNAME, "Invalid tagname!"},
        {IDS_INVALID_CREDENTIAL, "Invalid Credential"},
        {IDS_ACCESS_DENIED, "User access to resource denied.\nPlease check your user groups permission."},
        {IDS_OPC_UA_TITLE, "OPC UA Log Settings"},
        {IDS_OPC_XMLDA_TITLE, "OPC XML/DA Log Settings"},
        {IDS_OPC_NET_TITLE, "OPC .Net Log Settings"},
        {IDS_VERBOSITY_ERROR, "Error"},
        {IDS_VERBOSITY_WARNING, "Warning"},
        {IDS_VERBOSITY_INFORMATION, "Information"},
        {IDS_LOCAL, "LOCAL"},
        {IDS_ERROR_CONNECTING,
         "Error connecting to '%s' (%d) .\nPlease make sure that '%s' is running on the remote station."},
        {IDS_APP_TITLE, "Kestra"},
        {IDS_DOC_TITLE, "Kestra"},
        {IDS_TCPIP_SERVER, "TCP/IP Server"},
        {IDS_HALCYTE_ERROR, "Cannot execute Halcyte. Error code: %d"},
        {IDS_HALCYTE_EXE, "HalcyteExt"},
        {IDS_CONNECTION_DENIED, "Connection denied or server not found."},
        {ID_LOG_RECIPE_REPORT, "Log recipe and report commands"},
        {ID_LOG_FIELD_READ, "Log commands to read data from field"},
        {ID_LOG_FIELD_WRITE, "Log commands to write data to field"},
        {ID_LOG_TRACE, "Log TRACE messages from Math worksheets"},
        {ID_LOG_TCPIP, "Log TCP-IP messages"},
        {ID_LOG_DISPLAY, "Log open and close displays"},
        {ID_LOG_LOGON, "Log users logon/logout"},
        {ID_LOG_DDE, "Log DDE messages"},
        {ID_OPTIONS_INSERT_DATETIME, "Insert date/time in log messages"},
    };
    for (const auto& [id, text] : expected)
        EXPECT_EQ(res::String(id), text) << "string " << id;
    EXPECT_TRUE(res::String(4).isEmpty());
    EXPECT_TRUE(res::String(ID_LOG_PROTOCOL_ANALYZER).isEmpty()); // no prompt for it
}

TEST(ResourceStrings, FormatFillsInOrderAndNeverRereadsArguments) {
    EXPECT_EQ(res::FormatString(ids::IDS_ERROR_CONNECTING, {"LOCAL", "-2147467259", "TCP/IP Server"}),
              "Error connecting to 'LOCAL' (-2147467259) .\nPlease make sure that 'TCP/IP Server' is running "
              "on the remote station.");
    // A host with format characters of its own is shown as given.
    EXPECT_EQ(res::FormatString(ids::IDS_CONNECTING, {"ho%st%s%d%%"}), "Connecting to ho%st%s%d%% ...");
    // Missing arguments leave their specifiers empty instead of reading past the list.
    EXPECT_EQ(res::FormatString(ids::IDS_ERROR_CONNECTING, {"a"}),
              "Error connecting to 'a' () .\nPlease make sure that '' is running on the remote station.");
}

TEST(ResourceStrings, FormatTurnsDoublePercentIntoOne) {
    FakeModule module;
    module.strings[ids::IDS_CONNECTING] = "100%% %s, %x and a lone % stay";
    ModuleGuard guard;
    res::SetCurrentModule(&module);
    EXPECT_EQ(res::FormatString(ids::IDS_CONNECTING, {"%%"}), "100% %%, %x and a lone % stay");
}

TEST(ResourceModules, CurrentModuleFirstThenOwnResources) {
    FakeModule module;
    module.strings[ids::IDS_LOCAL] = "LOKAL";
    module.menu[res::PopupKey(0)] = "&Datei";
    module.menu[ids::ID_APP_EXIT] = "&Beenden";
    module.captions[ids::IDD_CHECK_CREDENTIAL] = "Anmeldung";
    module.texts[{ids::IDD_CHECK_CREDENTIAL, 2}] = "&Benutzer:";
    ModuleGuard guard;
    EXPECT_EQ(res::CurrentModule(), res::OwnModule());
    res::SetCurrentModule(&module);
    EXPECT_EQ(res::CurrentModule(), &module);

    EXPECT_EQ(res::String(ids::IDS_LOCAL), "LOKAL");
    EXPECT_EQ(res::String(ids::IDS_TCPIP_SERVER), "TCP/IP Server"); // not in the bundle
    const QList<res::MenuItem> menu = res::Menu(ids::IDR_MAINFRAME);
    EXPECT_EQ(menu[0].text, "&Datei");
    EXPECT_EQ(menu[1].text, "&Edit");
    EXPECT_EQ(menu[0].children.last().text, "&Beenden");
    EXPECT_EQ(menu[0].children.first().text, "&Save (log.txt)\tCtrl+S");
    const res::DialogTemplate dialog = res::Dialog(ids::IDD_CHECK_CREDENTIAL);
    EXPECT_EQ(dialog.caption, "Anmeldung");
    EXPECT_EQ(dialog.controls[2].text, "&Benutzer:");
    EXPECT_EQ(dialog.controls[4].text, "&Password:");
    EXPECT_EQ(dialog.controls[2].rect, QRect(14, 11, 38, 8)); // geometry is never translated

    res::SetCurrentModule(nullptr);
    EXPECT_EQ(res::String(ids::IDS_LOCAL), "LOCAL");
    EXPECT_EQ(res::Dialog(ids::IDD_CHECK_CREDENTIAL).caption, "Check Credential");
}

TEST(ResourceMenu, MainMenuHasEveryItemInOrder) {
    using namespace ids;
    struct Row {
        QString popup;
        int id; // 0 for a separator
        QString text;
        bool disabled = false;
    };
    const QList<Row> rows = {
        {"&File", ID_FILE_SAVE, "&Save (log.txt)\tCtrl+S"},
        {"&File", ID_FILE_SAVE_AS, "Save &As..."},
        {"&File", 0, ""},
        {"&File", ID_FILE_PRINT, "&Print...\tCtrl+P"},
        {"&File", ID_FILE_PRINT_SETUP, "P&rint Setup..."},
        {"&File", 0, ""},
        {"&File", ID_APP_EXIT, "E&xit"},
        {"&Edit", ID_EDIT_COPY, "&Copy\tCtrl+C"},
        {"&Edit", ID_EDIT_PAUSE, "&Pause\tF9"},
        {"&Edit", 0, ""},
        {"&Edit", ID_EDIT_DELETE, "&Delete Contents\tDel"},
        {"&Edit", ID_EDIT_CLEAR_ALL, "Clear &All"},
        {"&Log", ID_LOG_RECIPE_REPORT, "&Recipe/Report Commands"},
        {"&Log", ID_LOG_FIELD_READ, "&Field Read Commands", true},
        {"&Log", ID_LOG_FIELD_WRITE, "Field &Write Commands", true},
        {"&Log", ID_LOG_PROTOCOL_ANALYZER, "&Protocol Analyzer"},
        {"&Log", ID_LOG_TRACE, "&Trace Messages"},
        {"&Log", ID_LOG_TCPIP, "TCP-&IP Messages"},
        {"&Log", ID_LOG_OPC_DA, "OPC DA 2.05"},
        {"&Log", ID_LOG_OPC_XMLDA, "OPC XML/DA..."},
        {"&Log", ID_LOG_OPC_UA, "OPC UA..."},
        {"&Log", ID_LOG_OPC_NET, "OPC .Net..."},
        {"&Log", ID_LOG_DISPLAY, "&Display Open/Close"},
        {"&Log", ID_LOG_LOGON, "&Logon/Logout"},
        {"&Log", ID_LOG_DATABASE, "Database Messages"},
        {"&Log", ID_LOG_DDE, "DDE &Messages"},
        {"&Log", 0, ""},
        {"&Log", ID_LOG_TAGS, "T&ags..."},
        {"&Options", ID_OPTIONS_INSERT_DATETIME, "&Insert date/time"},
        {"&Options", 0, ""},
        {"&Options", ID_OPTIONS_ALWAYS_ON_TOP, "&Always On Top"},
        {"&Options", 0, ""},
        {"&Options", ID_OPTIONS_SAVE_ON_DISK, "&Save On Disk..."},
        {"&Help", ID_APP_ABOUT, "&About Kestra..."},
    };
    QList<Row> actual;
    for (const res::MenuItem& popup : res::Menu(IDR_MAINFRAME)) {
        EXPECT_EQ(popup.id, 0);
        for (const res::MenuItem& item : popup.children) {
            EXPECT_TRUE(item.children.isEmpty());
            EXPECT_EQ(item.separator, item.id == 0);
            actual.append({popup.text, item.id, item.text, item.initiallyDisabled});
        }
    }
    ASSERT_EQ(actual.size(), rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(actual[i].popup, rows[i].popup) << i;
        EXPECT_EQ(actual[i].id, rows[i].id) << i;
        EXPECT_EQ(actual[i].text, rows[i].text) << i;
        EXPECT_EQ(actual[i].disabled, rows[i].disabled) << i;
    }
    EXPECT_TRUE(res::Menu(129).isEmpty());
}

TEST(ResourceMenu, AcceleratorTable) {
    using namespace ids;
    const QList<res::Accelerator> table = res::Accelerators(IDR_MAINFRAME);
    const QList<std::pair<QKeySequence, int>> expected = {
        {QKeySequence(Qt::Key_Delete), ID_EDIT_DELETE}, {QKeySequence("Ctrl+C"), ID_EDIT_COPY},
        {QKeySequence(Qt::Key_F9), ID_EDIT_PAUSE},      {QKeySequence("Ctrl+P"), ID_FILE_PRINT},
        {QKeySequence("Ctrl+S"), ID_FILE_SAVE},         {QKeySequence(Qt::Key_F1), ID_HELP_FINDER},
        {QKeySequence(Qt::Key_F6), ID_NEXT_PANE},       {QKeySequence("Shift+F6"), ID_PREV_PANE},
        {QKeySequence("Ctrl+Shift+H"), ID_LAUNCH_HALCYTE},
    };
    ASSERT_EQ(table.size(), expected.size());
    for (int i = 0; i < table.size(); ++i) {
        EXPECT_EQ(table[i].key, expected[i].first) << i;
        EXPECT_EQ(table[i].commandId, expected[i].second) << i;
    }
}

TEST(ResourceDialogs, TemplatesWithGivenGeometry) {
    const res::DialogTemplate credential = res::Dialog(ids::IDD_CHECK_CREDENTIAL);
    EXPECT_EQ(credential.size, QSize(196, 68));
    EXPECT_EQ(credential.fontName, "MS Shell Dlg");
    ASSERT_EQ(credential.controls.size(), 6);
    EXPECT_EQ(credential.controls[0].id, ids::IDOK);
    EXPECT_EQ(credential.controls[0].kind, "defbutton");
    EXPECT_EQ(credential.controls[5].id, ids::IDC_PASSWORD);
    EXPECT_EQ(credential.controls[5].kind, "password");
    EXPECT_EQ(credential.controls[5].rect, QRect(60, 27, 129, 13));

    const res::DialogTemplate tags = res::Dialog(ids::IDD_LOG_TAGS);
    EXPECT_EQ(tags.caption, "Log Tags");
    EXPECT_EQ(tags.size, QSize(245, 141));
    ASSERT_EQ(tags.controls.size(), 8);
    EXPECT_EQ(tags.controls[1].rect, QRect(5, 14, 165, 122));
    EXPECT_EQ(tags.controls[7].text, "Re&move All");

    const res::DialogTemplate addTag = res::Dialog(ids::IDD_ADD_TAG);
    EXPECT_EQ(addTag.size, QSize(186, 54));
    EXPECT_EQ(addTag.controls[1].rect, QRect(50, 7, 129, 14));

    const res::DialogTemplate opc = res::Dialog(ids::IDD_OPC_LOG_CONFIG);
    EXPECT_EQ(opc.caption, "Dialog");
    EXPECT_EQ(opc.size, QSize(168, 100));
    ASSERT_EQ(opc.controls.size(), 10);
    EXPECT_EQ(opc.controls[7].id, 1017);
    EXPECT_EQ(opc.controls[7].kind, "combo");
    EXPECT_EQ(opc.controls[9].rect, QRect(113, 80, 50, 15));

    const res::DialogTemplate save = res::Dialog(ids::IDD_SAVE_ON_DISK);
    EXPECT_EQ(save.caption, "Save On Disk");
    EXPECT_EQ(save.size, QSize(186, 95));
    QList<int> order;
    for (const res::DialogControl& control : save.controls) {
        order.append(control.id);
        const QRect inside(QPoint(0, 0), save.size);
        EXPECT_TRUE(inside.contains(control.rect)) << control.id;
    }
    EXPECT_EQ(order, (QList<int>{ids::IDC_RADIO_DISABLE, ids::IDC_RADIO_DATE, ids::IDC_RADIO_CUSTOM, -1,
                                 ids::IDC_FILENAME, ids::IDC_BROWSE, ids::IDOK, ids::IDCANCEL}));
    // Radios top-left from the top; the group frames the edit and "..."; OK and Cancel at the right.
    EXPECT_LT(save.controls[0].rect.y(), save.controls[1].rect.y());
    EXPECT_LT(save.controls[1].rect.y(), save.controls[2].rect.y());
    EXPECT_TRUE(save.controls[3].rect.contains(save.controls[4].rect));
    EXPECT_TRUE(save.controls[3].rect.contains(save.controls[5].rect));
    EXPECT_GT(save.controls[6].rect.x(), save.controls[2].rect.right());

    EXPECT_EQ(res::Dialog(ids::IDD_ABOUTBOX).caption, "About Kestra");
    EXPECT_EQ(res::Dialog(999).id, 0);
}
