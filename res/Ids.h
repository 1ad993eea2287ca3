// Numeric ids of commands, strings, dialogs and controls. The same ids key the resource data and any
// language bundle, so they never change.
#pragma once

namespace ids {

// Resources of the main frame.
constexpr int IDR_MAINFRAME = 128; // menu, accelerator table and program icon

// Commands.
constexpr int ID_FILE_SAVE = 57603;          // Save (log.txt)
constexpr int ID_FILE_SAVE_AS = 57604;
constexpr int ID_FILE_PRINT = 57607;
constexpr int ID_FILE_PRINT_SETUP = 57606;
constexpr int ID_APP_EXIT = 57665;
constexpr int ID_EDIT_COPY = 57634;
constexpr int ID_EDIT_PAUSE = 32774;
constexpr int ID_EDIT_DELETE = 101;          // Delete Contents
constexpr int ID_EDIT_CLEAR_ALL = 32771;
constexpr int ID_LOG_RECIPE_REPORT = 102;
constexpr int ID_LOG_FIELD_READ = 103;
constexpr int ID_LOG_FIELD_WRITE = 32772;
constexpr int ID_LOG_PROTOCOL_ANALYZER = 32773;
constexpr int ID_LOG_TRACE = 104;
constexpr int ID_LOG_TCPIP = 32776;
constexpr int ID_LOG_OPC_DA = 32782;
constexpr int ID_LOG_OPC_XMLDA = 32783;
constexpr int ID_LOG_OPC_UA = 32784;
constexpr int ID_LOG_OPC_NET = 32785;
constexpr int ID_LOG_DISPLAY = 106;
constexpr int ID_LOG_LOGON = 107;
constexpr int ID_LOG_DATABASE = 32781;
constexpr int ID_LOG_DDE = 105;
constexpr int ID_LOG_TAGS = 108;
constexpr int ID_OPTIONS_INSERT_DATETIME = 32778;
constexpr int ID_OPTIONS_ALWAYS_ON_TOP = 110;
constexpr int ID_OPTIONS_SAVE_ON_DISK = 32780;
constexpr int ID_APP_ABOUT = 57664;
constexpr int ID_HELP_FINDER = 57666;        // F1: does nothing
constexpr int ID_NEXT_PANE = 57680;          // F6: does nothing
constexpr int ID_PREV_PANE = 57681;          // Shift+F6: does nothing
constexpr int ID_LAUNCH_HALCYTE = 61207;     // the database tool (Ctrl+Shift+H, no menu item)
constexpr int ID_FILE_NEW = 57600;
constexpr int ID_FILE_OPEN = 57601;

// Strings.
constexpr int IDS_DISCONNECTED = 3;          // " - Disconnected"
constexpr int IDS_NO_THREAD = 5;             // "Could not create thread!"
constexpr int IDS_CONNECTING = 6;            // "Connecting to %s ..."
constexpr int IDS_CLOSING = 7;               // "Closing connection..."
constexpr int IDS_INVALID_TAGNAME = 8;       // "Invalid tagname!"
constexpr int IDS_INVALID_CREDENTIAL = 9;    // "Invalid Credential"
constexpr int IDS_ACCESS_DENIED = 10;        // "User access to resource denied.\nPlease check ..."
constexpr int IDS_OPC_UA_TITLE = 11;
constexpr int IDS_OPC_XMLDA_TITLE = 12;
constexpr int IDS_OPC_NET_TITLE = 13;
constexpr int IDS_VERBOSITY_ERROR = 14;
constexpr int IDS_VERBOSITY_WARNING = 15;
constexpr int IDS_VERBOSITY_INFORMATION = 16;
constexpr int IDS_VIEW_LEFT_OUT = 140;       // "[... %d characters not shown ...]" (a chunk too long for the view)
constexpr int IDS_FIND_LABEL = 141;          // "&Find:" (the find bar)
constexpr int IDS_FIND_MATCH_CASE = 142;     // "Match case"
constexpr int IDS_FIND_REGEX = 143;          // "Regular expression"
constexpr int IDS_FIND_NEXT = 144;           // "Next"
constexpr int IDS_FIND_PREVIOUS = 145;       // "Previous"
constexpr int IDS_FIND_WRAPPED = 146;        // "Search wrapped"
constexpr int IDS_FIND_NOT_FOUND = 147;      // "Not found"
constexpr int IDS_FIND_BAD_EXPRESSION = 148; // "Invalid expression: %s"
constexpr int IDS_FIND_MATCHES = 149;        // "%d matches"
constexpr int IDS_LOCAL = 133;               // "LOCAL"
constexpr int IDS_ERROR_CONNECTING = 134;    // "Error connecting to '%s' (%d) .\nPlease make sure ..."
constexpr int IDS_APP_TITLE = 57344;         // "Kestra" (application title)
constexpr int IDS_DOC_TITLE = 61205;         // "Kestra" (document title)
constexpr int IDS_TCPIP_SERVER = 61206;      // "TCP/IP Server"
constexpr int IDS_HALCYTE_ERROR = 61208;     // "Cannot execute Halcyte. Error code: %d"
constexpr int IDS_HALCYTE_EXE = 61209;       // "HalcyteExt" (the tool's file name)
constexpr int IDS_CONNECTION_DENIED = 61211; // "Connection denied or server not found."
constexpr int IDS_ASK_TO_SAVE = 61442;       // "Save changes to %s?" (closing an edited log)
constexpr int IDS_BUTTON_YES = 61450;        // "&Yes"
constexpr int IDS_BUTTON_NO = 61451;         // "&No"
constexpr int IDS_BUTTON_CANCEL = 61452;     // "Cancel"
// Failures of writes the user relies on (log files, the close prompt's save, a file name too long).
constexpr int IDS_LOG_WRITE_FAILED = 150;   // "The log file %s could not be written: ..." (text kept)
constexpr int IDS_LOG_LOST_AT_EXIT = 151;   // the same at exit, when the text is lost
constexpr int IDS_LOG_LINES_DROPPED = 152;  // "[... %d lines ... dropped ...]" (the notice in the file)
constexpr int IDS_SAVE_FAILED = 153;        // "The log text could not be saved to %s: ..."
constexpr int IDS_FILE_NAME_TOO_LONG = 154; // "... at most %d characters ..."
// The station's key (res/StationKeyTexts.h); each names the station and "host:port" first.
constexpr int IDS_TRUST_QUESTION = 160;     // an unknown key: trust it? (fingerprint)
constexpr int IDS_TRUST_DECLINED = 161;     // the user did not trust it
constexpr int IDS_KEY_CHANGED = 162;        // another key than the trusted one (known, presented, list)
constexpr int IDS_CLEAR_WHERE_TLS = 163;    // clear, but known to speak TLS (known, list)
constexpr int IDS_CLEAR_WHERE_CA = 164;     // clear, but this installation trusts a CA (CA file, setting)
constexpr int IDS_KEY_NOT_VALID_NOW = 165;  // the certificate is expired or not valid yet (from, until)
constexpr int IDS_KEY_WRONG_NAME = 166;     // CA mode: not issued for the host dialled (host)
constexpr int IDS_KEY_NOT_FROM_CA = 167;    // CA mode: not vouched for by the CA (CA file, reason)
constexpr int IDS_KEY_CA_UNUSABLE = 168;    // CA mode: the CA file cannot be used (CA file, setting, reason)
constexpr int IDS_TLS_FAILED = 169;         // the handshake did not complete (reason)
constexpr int IDS_KEY_NOT_TRUSTED_YET = 170; // an unknown key where no dialog can ask (fingerprint)
constexpr int IDS_CLEAR_PASSWORD = 171;     // a password to a clear station beyond loopback: send it?
constexpr int IDS_TRUST_NOT_KEPT = 172;     // the list could not be written (list, reason)
// The highlight rules and their editor (Ctrl+Shift+L, the view's context menu).
constexpr int IDS_HL_TITLE = 300;
constexpr int IDS_HL_MENU = 301;
constexpr int IDS_HL_RULES = 302;
constexpr int IDS_HL_ADD = 303;
constexpr int IDS_HL_REMOVE = 304;
constexpr int IDS_HL_UP = 305;
constexpr int IDS_HL_DOWN = 306;
constexpr int IDS_HL_NAME = 307;
constexpr int IDS_HL_PATTERN = 308;
constexpr int IDS_HL_REGEX = 309;
constexpr int IDS_HL_MATCH_CASE = 310;
constexpr int IDS_HL_TEXT_COLOUR = 311;
constexpr int IDS_HL_BACK_COLOUR = 312;
constexpr int IDS_HL_CHOOSE = 313;
constexpr int IDS_HL_WHOLE_LINE = 314;
constexpr int IDS_HL_ONLY_MATCH = 315;
constexpr int IDS_HL_PREVIEW = 316;
constexpr int IDS_HL_IMPORT = 317;
constexpr int IDS_HL_EXPORT = 318;
constexpr int IDS_HL_DEFAULTS = 319;
constexpr int IDS_HL_NEW_RULE = 320;
constexpr int IDS_HL_FILES = 321;
constexpr int IDS_HL_EMPTY_PATTERN = 322;
constexpr int IDS_HL_NO_COLOUR = 323;
constexpr int IDS_HL_TOO_LONG = 324;
constexpr int IDS_HL_BAD_EXPRESSION = 325;
constexpr int IDS_HL_MATCHES_EMPTY = 326;
constexpr int IDS_HL_RULE_OFF = 327;
constexpr int IDS_HL_FILE_PROBLEMS = 328;
constexpr int IDS_HL_FILE_FAILED = 329;
constexpr int IDS_HL_FP_TOO_LONG = 330;
constexpr int IDS_HL_FP_LATER = 331;
constexpr int IDS_HL_FP_NOT_KEY = 332;
constexpr int IDS_HL_FP_NO_PATTERN = 333;
constexpr int IDS_HL_FP_BAD_KIND = 334;
constexpr int IDS_HL_FP_BAD_YESNO = 335;
constexpr int IDS_HL_FP_BAD_COLOUR = 336;
constexpr int IDS_HL_FP_BAD_SCOPE = 337;
constexpr int IDS_HL_SAMPLE = 338;
constexpr int IDS_HL_ENABLED = 339;
constexpr int IDS_HL_NAME_WARNINGS = 340;
constexpr int IDS_HL_NAME_ERRORS = 341;
constexpr int IDS_HL_NAME_FAILURES = 342;
constexpr int IDS_HL_NAME_ALARMS = 343;

// Dialog templates.
constexpr int IDD_ABOUTBOX = 100;
constexpr int IDD_LOG_TAGS = 102;
constexpr int IDD_SAVE_ON_DISK = 104;
constexpr int IDD_ADD_TAG = 130;
constexpr int IDD_OPC_LOG_CONFIG = 131;
constexpr int IDD_CHECK_CREDENTIAL = 133;

// Controls.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDC_FILENAME = 1005;
constexpr int IDC_RADIO_DATE = 1006;
constexpr int IDC_RADIO_CUSTOM = 1007;
constexpr int IDC_RADIO_DISABLE = 1008;
constexpr int IDC_BROWSE = 1012;
constexpr int IDC_USERNAME = 204;
constexpr int IDC_PASSWORD = 1017;

} // namespace ids
