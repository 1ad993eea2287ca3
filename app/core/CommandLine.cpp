#include "app/core/CommandLine.h"

#include "base/Numbers.h"
#include "settings/PrivateProfile.h"

#include <array>

namespace {

const QString kOptions = QStringLiteral("Options");

// Switches of the command line. A prefix switch takes the rest of the token as its value; the one
// without a value matches only the whole token. No switch is a prefix of another.
enum class Target { Host, Port, Wtg, ProxyHost, ProxyPort, Slow, Timeout, UserName, Password };

struct Switch {
    const char16_t* text;
    bool wholeToken;
    Target target;
};

constexpr std::array<Switch, 9> kSwitches{{
    {u"/dsip:", false, Target::Host},
    {u"/dsport:", false, Target::Port},
    {u"/wtg:", false, Target::Wtg},
    {u"/proxyip:", false, Target::ProxyHost},
    {u"/proxyp:", false, Target::ProxyPort},
    {u"/slowconnection", true, Target::Slow},
    {u"/timeout:", false, Target::Timeout},
    {u"/username:", false, Target::UserName},
    {u"/password:", false, Target::Password},
}};

void ApplySwitch(ConnectionOptions& options, const QString& token) {
    for (const Switch& sw : kSwitches) {
        const QString name = QString::fromUtf16(sw.text);
        if (sw.wholeToken ? token.compare(name, Qt::CaseInsensitive) != 0
                          : !token.startsWith(name, Qt::CaseInsensitive))
            continue;
        const QString value = token.mid(name.size());
        switch (sw.target) {
        case Target::Host:
            options.m_strHost = value;
            break;
        case Target::Port:
            options.m_nPort = base::LeadingDecimalWrapped(value);
            break;
        case Target::Wtg:
            options.m_strWtg = value;
            break;
        case Target::ProxyHost:
            options.m_strProxyHost = value;
            break;
        case Target::ProxyPort:
            options.m_nProxyPort = base::LeadingDecimalWrapped(value);
            break;
        case Target::Slow:
            options.m_bSlowConnection = 1;
            break;
        case Target::Timeout:
            options.m_nTimeout = base::LeadingDecimalWrapped(value);
            break;
        case Target::UserName:
            options.m_strUserName = value;
            break;
        case Target::Password:
            options.m_strPassword = value;
            break;
        }
        return;
    }
    // Anything else is ignored without a message.
}

} // namespace

void ReadConnectionOptions(ConnectionOptions& options, const QString& file) {
    using profile::GetPrivateProfileInt;
    using profile::GetPrivateProfileString;
    options.m_strHost = GetPrivateProfileString(kOptions, QStringLiteral("dsip"), options.m_strHost, 128, file);
    options.m_nPort = GetPrivateProfileInt(kOptions, QStringLiteral("dsport"), options.m_nPort, file);
    options.m_strWtg = GetPrivateProfileString(kOptions, QStringLiteral("wtg"), options.m_strWtg, 2048, file);
    options.m_strProxyHost =
        GetPrivateProfileString(kOptions, QStringLiteral("proxyip"), options.m_strProxyHost, 2048, file);
    options.m_nProxyPort = GetPrivateProfileInt(kOptions, QStringLiteral("proxyp"), options.m_nProxyPort, file);
    options.m_bSlowConnection =
        GetPrivateProfileInt(kOptions, QStringLiteral("SlowConnection"), 0, file) != 0 ? 1 : 0;
    options.m_nTimeout = GetPrivateProfileInt(kOptions, QStringLiteral("Timeout"), options.m_nTimeout, file);
}

void ApplyCommandLine(ConnectionOptions& options, const QString& text) {
    const qsizetype length = text.size();
    QString token;
    bool inQuotes = false;
    // One step past the end, so that the last token is applied too. Only the blank separates tokens;
    // a double quote toggles quoting and is dropped, wherever it stands in a token.
    for (qsizetype i = 0; i <= length; ++i) {
        if (i < length && text[i] == u'"') {
            inQuotes = !inQuotes;
        } else if (i < length && inQuotes) {
            token.append(text[i]);
        } else if (i != length && text[i] != u' ') {
            token.append(text[i]);
        } else if (!token.isEmpty()) {
            ApplySwitch(options, token);
            token.clear();
        }
    }
}

void ApplyArguments(ConnectionOptions& options, const QStringList& arguments) {
    // An argument is one token whatever blanks it holds; its quotes would only toggle quoting.
    for (QString token : arguments) {
        token.remove(u'"');
        if (!token.isEmpty())
            ApplySwitch(options, token);
    }
}
