#include "app/core/Usage.h"

#include "app/core/SettingsFolder.h"

InfoRequest InfoRequestOf(const QStringList& arguments) {
    for (const QString& arg : arguments) {
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h") || arg == QLatin1String("/?"))
            return InfoRequest::Help;
        if (arg == QLatin1String("--version") || arg == QLatin1String("-v"))
            return InfoRequest::Version;
    }
    return InfoRequest::None;
}

QString VersionText() {
    return QStringLiteral("kestra " KESTRA_VERSION "\n");
}

QString UsageText(const QString& exePath) {
    const QString exeFolder = ExecutableFolder(exePath);
    QString userFolder = GetSettingsFolder(exePath, 260);
    if (userFolder.isEmpty())
        userFolder = QStringLiteral("(none: no home folder)");
    return QStringLiteral(
               "Usage: kestra [SWITCH]...\n"
               "Shows the log messages of a station's log service as they arrive.\n"
               "\n"
               "Switches (the name without regard to case, the value right after the colon; a value with\n"
               "blanks goes in double quotes):\n"
               "  /dsip:HOST         the station's host name or address (default: localhost, the local\n"
               "                     station; an empty value is the local station too)\n"
               "  /dsport:PORT       the log service's TCP port (default 1234)\n"
               "  /wtg:TEXT          connection string passed to the station unchanged\n"
               "  /proxyip:HOST      reach the station through this HTTP proxy (CONNECT)\n"
               "  /proxyp:PORT       the proxy's port (a proxy is used when both are set)\n"
               "  /timeout:MS        how long one request may take, in milliseconds (default 60000)\n"
               "  /slowconnection    a slow line: fetch at most 4096 characters per cycle, read the\n"
               "                     station's settings once, keep the tag list in this program only\n"
               "  /username:NAME     user for a station that demands a logon (no dialog is shown)\n"
               "  /password:WORD     that user's password. Other local users can read a program's\n"
               "                     arguments while it starts: the logon dialog (shown when the station\n"
               "                     demands a logon and no /username: was given) is the safer way\n"
               "Switches it does not know are ignored.\n"
               "\n"
               "  -h, --help, /?     show this text and exit\n"
               "  -v, --version      show the version and exit\n"
               "\n"
               "Examples:\n"
               "  kestra                                     the local station\n"
               "  kestra /dsip:plc-line3.example /dsport:1234 /timeout:5000\n"
               "  kestra /dsip:10.0.4.17 /proxyip:proxy.example /proxyp:3128\n"
               "\n"
               "Keys: Ctrl+F finds text in the log, F3 and Shift+F3 the next or previous match,\n"
               "Ctrl+Shift+H opens the station's database inspection tool (HalcyteExt).\n"
               "\n"
               "Settings:\n"
               "  %1KestraExt.ini\n"
               "      section [Options]: default values of the switches (dsip, dsport, wtg, proxyip,\n"
               "      proxyp, SlowConnection, Timeout) and HTTPPolling\n"
               "  %2KestraExt.ini\n"
               "      what Kestra remembers for you: window placement, keep on top, log on disk\n"
               "  %2Program Settings.ini\n"
               "      [Language] CultureName=de chooses the language (default: from LANG)\n"
               "  %2KnownStations.txt\n"
               "      the stations whose TLS key you trusted (Kestra asks the first time and refuses a\n"
               "      key that changed); delete a station's line to be asked again\n"
               "  %1StationTrust.ini\n"
               "      [Trust] CAFile=FILE: trust this certificate authority instead, and speak TLS only\n")
        .arg(exeFolder, userFolder);
}
