// The program's own string table, main menu, accelerator table and dialog templates. The texts are the
// program's English originals; a language bundle replaces them by the same ids.
#include "res/BuiltinResources.h"

#include "res/Ids.h"

namespace res::builtin {
namespace {

MenuItem Item(int id, const char* text, bool initiallyDisabled = false) {
    MenuItem item;
    item.id = id;
    item.text = QString::fromUtf8(text);
    item.initiallyDisabled = initiallyDisabled;
    return item;
}

MenuItem Separator() {
    MenuItem item;
    item.separator = true;
    return item;
}

MenuItem Popup(const char* text, QList<MenuItem> children) {
    MenuItem item;
    item.text = QString::fromUtf8(text);
    item.children = std::move(children);
    return item;
}

DialogControl Control(int id, const char* kind, const char* text, int x, int y, int w, int h) {
    return DialogControl{id, QString::fromLatin1(kind), QString::fromUtf8(text), QRect(x, y, w, h)};
}

DialogTemplate Template(int id, const char* caption, int w, int h, const char* font,
                        QList<DialogControl> controls) {
    DialogTemplate t;
    t.id = id;
    t.caption = QString::fromUtf8(caption);
    t.size = QSize(w, h);
    t.fontName = QString::fromLatin1(font);
    t.pointSize = 8;
    t.controls = std::move(controls);
    return t;
}

} // namespace

const std::map<int, QString>& Strings() {
    static const std::map<int, QString> table = {
        {ids::IDS_DISCONNECTED, QStringLiteral(" - Disconnected")},
        {ids::IDS_NO_THREAD, QStringLiteral("Could not create thread!")},
        {ids::IDS_CONNECTING, QStringLiteral("Connecting to %s ...")},
        {ids::IDS_CLOSING, QStringLiteral("Closing connection...")},
        {ids::IDS_INVALID_TAGNAME, QStringLiteral("Invalid tagname!")},
        {ids::IDS_INVALID_CREDENTIAL, QStringLiteral("Invalid Credential")},
        {ids::IDS_ACCESS_DENIED,
         QStringLiteral("User access to resource denied.\nPlease check your user groups permission.")},
        {ids::IDS_OPC_UA_TITLE, QStringLiteral("OPC UA Log Settings")},
        {ids::IDS_OPC_XMLDA_TITLE, QStringLiteral("OPC XML/DA Log Settings")},
        {ids::IDS_OPC_NET_TITLE, QStringLiteral("OPC .Net Log Settings")},
        {ids::IDS_VERBOSITY_ERROR, QStringLiteral("Error")},
        {ids::IDS_VERBOSITY_WARNING, QStringLiteral("Warning")},
        {ids::IDS_VERBOSITY_INFORMATION, QStringLiteral("Information")},
        // Command prompts (strings that share their command's id).
        {ids::ID_LOG_RECIPE_REPORT, QStringLiteral("Log recipe and report commands")},
        {ids::ID_LOG_FIELD_READ, QStringLiteral("Log commands to read data from field")},
        {ids::ID_LOG_FIELD_WRITE, QStringLiteral("Log commands to write data to field")},
        {ids::ID_LOG_TRACE, QStringLiteral("Log TRACE messages from Math worksheets")},
        {ids::ID_LOG_TCPIP, QStringLiteral("Log TCP-IP messages")},
        {ids::ID_LOG_DISPLAY, QStringLiteral("Log open and close displays")},
        {ids::ID_LOG_LOGON, QStringLiteral("Log users logon/logout")},
        {ids::ID_LOG_DDE, QStringLiteral("Log DDE messages")},
        {ids::ID_OPTIONS_INSERT_DATETIME, QStringLiteral("Insert date/time in log messages")},
        {ids::IDS_VIEW_LEFT_OUT, QStringLiteral("[... %d characters not shown ...]")},
        {ids::IDS_FIND_LABEL, QStringLiteral("&Find:")},
        {ids::IDS_FIND_MATCH_CASE, QStringLiteral("Match case")},
        {ids::IDS_FIND_REGEX, QStringLiteral("Regular expression")},
        {ids::IDS_FIND_NEXT, QStringLiteral("Next")},
        {ids::IDS_FIND_PREVIOUS, QStringLiteral("Previous")},
        {ids::IDS_FIND_WRAPPED, QStringLiteral("Search wrapped")},
        {ids::IDS_FIND_NOT_FOUND, QStringLiteral("Not found")},
        {ids::IDS_FIND_BAD_EXPRESSION, QStringLiteral("Invalid expression: %s")},
        {ids::IDS_FIND_MATCHES, QStringLiteral("%d matches")},
        {ids::IDS_LOCAL, QStringLiteral("LOCAL")},
        {ids::IDS_ERROR_CONNECTING,
         QStringLiteral(
             "Error connecting to '%s' (%d) .\nPlease make sure that '%s' is running on the remote "
             "station.")},
        {ids::IDS_APP_TITLE, QStringLiteral("Kestra")},
        {ids::IDS_DOC_TITLE, QStringLiteral("Kestra")},
        {ids::IDS_TCPIP_SERVER, QStringLiteral("TCP/IP Server")},
        {ids::IDS_HALCYTE_ERROR, QStringLiteral("Cannot execute Halcyte. Error code: %d")},
        {ids::IDS_HALCYTE_EXE, QStringLiteral("HalcyteExt")},
        {ids::IDS_CONNECTION_DENIED, QStringLiteral("Connection denied or server not found.")},
        {ids::IDS_ASK_TO_SAVE, QStringLiteral("Save changes to %s?")},
        {ids::IDS_BUTTON_YES, QStringLiteral("&Yes")},
        {ids::IDS_BUTTON_NO, QStringLiteral("&No")},
        {ids::IDS_BUTTON_CANCEL, QStringLiteral("Cancel")},
        {ids::IDS_LOG_WRITE_FAILED,
         QStringLiteral(
             "The log file %s could not be written:\n%s\nThe text is kept and written as soon as the "
             "file can take it again.")},
        {ids::IDS_LOG_LOST_AT_EXIT,
         QStringLiteral("The log file %s could not be written:\n%s\nThe text received last is not in it.")},
        {ids::IDS_LOG_LINES_DROPPED,
         QStringLiteral("[... %d lines of log text could not be written and were dropped ...]")},
        {ids::IDS_SAVE_FAILED, QStringLiteral("The log text could not be saved to %s:\n%s")},
        {ids::IDS_FILE_NAME_TOO_LONG,
         QStringLiteral("This file name is too long: at most %d characters are kept.")},
        {ids::IDS_TRUST_QUESTION,
         QStringLiteral("The station %s (%s) presents a key that is not in your list of known stations.\n\n"
                        "SHA-256 fingerprint of its key:\n%s\n\n"
                        "Trust it only when this is the fingerprint the station's administrator gave you "
                        "(mirabo-logd --fingerprint shows it on the station). Trust this station and connect?")},
        {ids::IDS_TRUST_DECLINED,
         QStringLiteral("The station %s (%s) was not trusted. Nothing was sent to it.")},
        {ids::IDS_KEY_CHANGED,
         QStringLiteral("WARNING: the key of the station %s (%s) has changed!\n\n"
                        "Trusted until now: %s\nPresented now: %s\n\n"
                        "Someone may be listening in between, or the station got a new key. Nothing was sent "
                        "to it, no password above all.\n\n"
                        "If the key was changed on purpose, check the new fingerprint with the station's "
                        "administrator, delete the line of %s from %s and connect again: you are then asked "
                        "whether to trust the new key.")},
        {ids::IDS_CLEAR_WHERE_TLS,
         QStringLiteral("WARNING: the station %s (%s) answered without TLS, but it is known to speak TLS "
                        "(key %s).\n\n"
                        "Someone in between may be removing the protection. Nothing was sent to it.\n\n"
                        "If the station serves in clear again on purpose, delete the line of %s from %s and "
                        "connect again.")},
        {ids::IDS_CLEAR_WHERE_CA,
         QStringLiteral("The station %s (%s) does not speak TLS, but this installation trusts the certificate "
                        "authority in %s (set in %s) and speaks to TLS stations only. Nothing was sent to it.")},
        {ids::IDS_KEY_NOT_VALID_NOW,
         QStringLiteral("The certificate of the station %s (%s) is not valid now: it is valid from %s until %s "
                        "(UTC). Nothing was sent to it. The station needs a renewed certificate, or the clock "
                        "of this computer or of the station is wrong.")},
        {ids::IDS_KEY_WRONG_NAME,
         QStringLiteral("The certificate of the station %s (%s) is not issued for the name \"%s\". Nothing was "
                        "sent to it. Connect by a name the certificate holds, or have it issued for this one.")},
        {ids::IDS_KEY_NOT_FROM_CA,
         QStringLiteral("The certificate of the station %s (%s) is not vouched for by the certificate "
                        "authority in %s (%s). Nothing was sent to it.")},
        {ids::IDS_KEY_CA_UNUSABLE,
         QStringLiteral("The station %s (%s) cannot be checked: the certificate authority file %s, set in %s, "
                        "cannot be used (%s). Nothing was sent to the station.")},
        {ids::IDS_TLS_FAILED,
         QStringLiteral("The secure connection to the station %s (%s) could not be set up (%s). Nothing was "
                        "sent to it.")},
        {ids::IDS_KEY_NOT_TRUSTED_YET,
         QStringLiteral("The station %s (%s) presents a key that you have not trusted yet (SHA-256 %s). "
                        "Nothing was sent to it. Start Kestra for this station once to check the key and "
                        "trust it.")},
        {ids::IDS_CLEAR_PASSWORD,
         QStringLiteral("The station %s (%s) does not speak TLS: your user name and password would cross the "
                        "network in clear, readable by anyone on the way.\n\n"
                        "Send them anyway? You are asked this once for this station.")},
        {ids::IDS_TRUST_NOT_KEPT,
         QStringLiteral("The station's key could not be added to %s (%s). It is trusted until the program "
                        "ends.")},
        {ids::IDS_HL_TITLE, QStringLiteral("Highlight Rules")},
        {ids::IDS_HL_MENU, QStringLiteral("&Highlight Rules...\tCtrl+Shift+L")},
        {ids::IDS_HL_RULES, QStringLiteral("&Rules, tried in order (a later rule wins where two overlap):")},
        {ids::IDS_HL_ADD, QStringLiteral("&Add")},
        {ids::IDS_HL_REMOVE, QStringLiteral("Remo&ve")},
        {ids::IDS_HL_UP, QStringLiteral("&Up")},
        {ids::IDS_HL_DOWN, QStringLiteral("Do&wn")},
        {ids::IDS_HL_NAME, QStringLiteral("&Name:")},
        {ids::IDS_HL_PATTERN, QStringLiteral("&Pattern:")},
        {ids::IDS_HL_REGEX, QStringLiteral("Regular e&xpression")},
        {ids::IDS_HL_MATCH_CASE, QStringLiteral("Match &case")},
        {ids::IDS_HL_TEXT_COLOUR, QStringLiteral("&Text colour")},
        {ids::IDS_HL_BACK_COLOUR, QStringLiteral("Bac&kground colour")},
        {ids::IDS_HL_CHOOSE, QStringLiteral("Choose...")},
        {ids::IDS_HL_WHOLE_LINE, QStringLiteral("Colour the whole &line")},
        {ids::IDS_HL_ONLY_MATCH, QStringLiteral("Colour only the &match")},
        {ids::IDS_HL_PREVIEW, QStringLiteral("Preview (type or paste sample text):")},
        {ids::IDS_HL_IMPORT, QStringLiteral("&Import...")},
        {ids::IDS_HL_EXPORT, QStringLiteral("&Export...")},
        {ids::IDS_HL_DEFAULTS, QStringLiteral("&Defaults")},
        {ids::IDS_HL_NEW_RULE, QStringLiteral("New rule")},
        {ids::IDS_HL_FILES, QStringLiteral("Highlight rules (*.ini)")},
        {ids::IDS_HL_EMPTY_PATTERN, QStringLiteral("The pattern is empty.")},
        {ids::IDS_HL_NO_COLOUR, QStringLiteral("The rule sets no colour.")},
        {ids::IDS_HL_TOO_LONG, QStringLiteral("The expression is longer than %d characters.")},
        {ids::IDS_HL_BAD_EXPRESSION, QStringLiteral("The expression is not valid: %s")},
        {ids::IDS_HL_MATCHES_EMPTY, QStringLiteral("The expression matches empty text, so it would colour every line.")},
        {ids::IDS_HL_RULE_OFF, QStringLiteral("This rule takes no part until it is mended.")},
        {ids::IDS_HL_FILE_PROBLEMS, QStringLiteral("Some highlight rules in %s could not be read as they stand:\n%s")},
        {ids::IDS_HL_FILE_FAILED, QStringLiteral("The highlight rules could not be written to %s:\n%s")},
        {ids::IDS_HL_FP_TOO_LONG, QStringLiteral("the file is too long to be a rules file (%s bytes); not read")},
        {ids::IDS_HL_FP_LATER, QStringLiteral("line %d: written by a later version (%s); read as far as it goes")},
        {ids::IDS_HL_FP_NOT_KEY, QStringLiteral("line %d: \"%s\" is not Key=Value; passed over")},
        {ids::IDS_HL_FP_NO_PATTERN, QStringLiteral("line %d: a rule without a pattern; passed over")},
        {ids::IDS_HL_FP_BAD_KIND, QStringLiteral("line %d: the kind \"%s\" is neither text nor regex; the rule is passed over")},
        {ids::IDS_HL_FP_BAD_YESNO, QStringLiteral("line %d: \"%s\" is neither yes nor no; left as it was")},
        {ids::IDS_HL_FP_BAD_COLOUR, QStringLiteral("line %d: \"%s\" is not a colour like #d01818; left out")},
        {ids::IDS_HL_FP_BAD_SCOPE, QStringLiteral("line %d: \"%s\" is neither line nor match; the whole line is coloured")},
        {ids::IDS_HL_SAMPLE, QStringLiteral("2026-12-09 08:15:02.114 Field Read: Tank1.Level = 42.17\n2026-12-09 08:15:02.311 Trace: warning: slow reply from PLC2\n2026-12-09 08:15:03.020 Field Write: Pump1.Running = 1\n2026-12-09 08:15:03.456 TCP-IP: connection to 10.0.0.7 failed\n2026-12-09 08:15:04.001 Display: ALARM Tank1 high level")},
        {ids::IDS_HL_ENABLED, QStringLiteral("Ena&bled")},
        {ids::IDS_HL_NAME_WARNINGS, QStringLiteral("Warnings")},
        {ids::IDS_HL_NAME_ERRORS, QStringLiteral("Errors")},
        {ids::IDS_HL_NAME_FAILURES, QStringLiteral("Failures")},
        {ids::IDS_HL_NAME_ALARMS, QStringLiteral("Alarms")},
    };
    return table;
}

const QList<MenuItem>& MainMenu() {
    using namespace ids;
    static const QList<MenuItem> menu = {
        Popup("&File",
              {Item(ID_FILE_SAVE, "&Save (log.txt)\tCtrl+S"), Item(ID_FILE_SAVE_AS, "Save &As..."),
               Separator(), Item(ID_FILE_PRINT, "&Print...\tCtrl+P"),
               Item(ID_FILE_PRINT_SETUP, "P&rint Setup..."), Separator(), Item(ID_APP_EXIT, "E&xit")}),
        Popup("&Edit",
              {Item(ID_EDIT_COPY, "&Copy\tCtrl+C"), Item(ID_EDIT_PAUSE, "&Pause\tF9"), Separator(),
               Item(ID_EDIT_DELETE, "&Delete Contents\tDel"), Item(ID_EDIT_CLEAR_ALL, "Clear &All")}),
        Popup("&Log",
              {Item(ID_LOG_RECIPE_REPORT, "&Recipe/Report Commands"),
               Item(ID_LOG_FIELD_READ, "&Field Read Commands", true),
               Item(ID_LOG_FIELD_WRITE, "Field &Write Commands", true),
               Item(ID_LOG_PROTOCOL_ANALYZER, "&Protocol Analyzer"), Item(ID_LOG_TRACE, "&Trace Messages"),
               Item(ID_LOG_TCPIP, "TCP-&IP Messages"), Item(ID_LOG_OPC_DA, "OPC DA 2.05"),
               Item(ID_LOG_OPC_XMLDA, "OPC XML/DA..."), Item(ID_LOG_OPC_UA, "OPC UA..."),
               Item(ID_LOG_OPC_NET, "OPC .Net..."), Item(ID_LOG_DISPLAY, "&Display Open/Close"),
               Item(ID_LOG_LOGON, "&Logon/Logout"), Item(ID_LOG_DATABASE, "Database Messages"),
               Item(ID_LOG_DDE, "DDE &Messages"), Separator(), Item(ID_LOG_TAGS, "T&ags...")}),
        Popup("&Options", {Item(ID_OPTIONS_INSERT_DATETIME, "&Insert date/time"), Separator(),
                           Item(ID_OPTIONS_ALWAYS_ON_TOP, "&Always On Top"), Separator(),
                           Item(ID_OPTIONS_SAVE_ON_DISK, "&Save On Disk...")}),
        Popup("&Help", {Item(ID_APP_ABOUT, "&About Kestra...")}),
    };
    return menu;
}

const QList<Accelerator>& MainAccelerators() {
    using namespace ids;
    static const QList<Accelerator> table = {
        {QKeySequence(Qt::Key_Delete), ID_EDIT_DELETE},
        {QKeySequence(Qt::CTRL | Qt::Key_C), ID_EDIT_COPY},
        {QKeySequence(Qt::Key_F9), ID_EDIT_PAUSE},
        {QKeySequence(Qt::CTRL | Qt::Key_P), ID_FILE_PRINT},
        {QKeySequence(Qt::CTRL | Qt::Key_S), ID_FILE_SAVE},
        {QKeySequence(Qt::Key_F1), ID_HELP_FINDER},
        {QKeySequence(Qt::Key_F6), ID_NEXT_PANE},
        {QKeySequence(Qt::SHIFT | Qt::Key_F6), ID_PREV_PANE},
        // The database tool has no menu item: this key is its only way in.
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_H), ID_LAUNCH_HALCYTE},
    };
    return table;
}

const std::map<int, DialogTemplate>& Dialogs() {
    using namespace ids;
    static const std::map<int, DialogTemplate> dialogs = {
        {IDD_ABOUTBOX, Template(IDD_ABOUTBOX, "About Kestra", 170, 62, "MS Shell Dlg",
                                {Control(-1, "icon", "", 14, 14, 21, 20),
                                 Control(-1, "static", "Kestra Version 1.0", 42, 14, 114, 8),
                                 Control(IDOK, "defbutton", "OK", 113, 41, 50, 14)})},
        {IDD_LOG_TAGS,
         Template(
             IDD_LOG_TAGS, "Log Tags", 245, 141, "MS Sans Serif",
             {Control(-1, "static", "Tags:", 5, 3, 30, 10), Control(1000, "listbox", "", 5, 14, 165, 122),
              Control(IDOK, "defbutton", "&Close", 188, 28, 50, 14),
              Control(-1, "static", "<<", 175, 63, 8, 7), Control(3, "button", "&Add ...", 187, 60, 50, 14),
              Control(-1, "static", ">>", 175, 87, 8, 7), Control(4, "button", "&Remove", 187, 83, 50, 14),
              Control(5, "button", "Re&move All", 187, 105, 50, 14)})},
        {IDD_SAVE_ON_DISK, Template(IDD_SAVE_ON_DISK, "Save On Disk", 186, 95, "MS Sans Serif",
                                    {Control(IDC_RADIO_DISABLE, "radio", "&Disable", 7, 7, 110, 10),
                                     Control(IDC_RADIO_DATE, "radio", "D&ate (YYMMDD.LOG)", 7, 21, 110, 10),
                                     Control(IDC_RADIO_CUSTOM, "radio", "&Custom File Name", 7, 35, 110, 10),
                                     Control(-1, "group", "File Name", 7, 51, 172, 37),
                                     Control(IDC_FILENAME, "edit", "", 14, 65, 137, 14),
                                     Control(IDC_BROWSE, "button", "...", 155, 65, 17, 14),
                                     Control(IDOK, "defbutton", "OK", 129, 7, 50, 14),
                                     Control(IDCANCEL, "button", "Cancel", 129, 25, 50, 14)})},
        {IDD_ADD_TAG,
         Template(IDD_ADD_TAG, "Add Tag", 186, 54, "MS Shell Dlg",
                  {Control(-1, "static", "Tagname:", 7, 9, 39, 8), Control(1000, "edit", "", 50, 7, 129, 14),
                   Control(IDOK, "defbutton", "OK", 76, 33, 50, 14),
                   Control(IDCANCEL, "button", "Cancel", 129, 33, 50, 14)})},
        {IDD_OPC_LOG_CONFIG,
         Template(
             IDD_OPC_LOG_CONFIG, "Dialog", 168, 100, "MS Shell Dlg",
             {Control(1018, "check", "Enable", 5, 5, 52, 10), Control(-1, "group", "Options", 5, 17, 158, 60),
              Control(1015, "check", "Read", 10, 31, 72, 10),
              Control(1013, "check", "Connection", 87, 31, 72, 10),
              Control(1016, "check", "Write", 10, 45, 72, 10),
              Control(1014, "check", "Subscription", 87, 45, 72, 10),
              Control(-1, "static", "Verbosity:", 16, 63, 67, 8), Control(1017, "combo", "", 87, 60, 72, 30),
              Control(IDOK, "defbutton", "OK", 60, 80, 50, 15),
              Control(IDCANCEL, "button", "Cancel", 113, 80, 50, 15)})},
        {IDD_CHECK_CREDENTIAL, Template(IDD_CHECK_CREDENTIAL, "Check Credential", 196, 68, "MS Shell Dlg",
                                        {Control(IDOK, "defbutton", "OK", 84, 47, 50, 14),
                                         Control(IDCANCEL, "button", "Cancel", 139, 47, 50, 14),
                                         Control(203, "rstatic", "&User Name:", 14, 11, 38, 8),
                                         Control(IDC_USERNAME, "edit", "", 60, 9, 129, 13),
                                         Control(205, "rstatic", "&Password:", 14, 29, 38, 8),
                                         Control(IDC_PASSWORD, "password", "", 60, 27, 129, 13)})},
    };
    return dialogs;
}

} // namespace res::builtin
