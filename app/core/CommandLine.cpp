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

void ApplySwitch(CKestraExtShared& app, const QString& token) {
    for (const Switch& sw : kSwitches) {
        const QString name = QString::fromUtf16(sw.text);
        if (sw.wholeToken ? token.compare(name, Qt::CaseInsensitive) != 0
                          : !token.startsWith(name, Qt::CaseInsensitive))
            continue;
        const QString value = token.mid(name.size());
        switch (sw.target) {
        case Target::Host:
            app.m_strHost = value;
            break;
        case Target::Port:
            app.m_nPort = base::LeadingDecimalWrapped(value);
            break;
        case Target::Wtg:
            app.m_strWtg = value;
            break;
        case Target::ProxyHost:
            app.m_strProxyHost = value;
            break;
        case Target::ProxyPort:
            app.m_nProxyPort = base::LeadingDecimalWrapped(value);
            break;
        case Target::Slow:
            app.m_bSlowConnection = 1;
            break;
        case Target::Timeout:
            app.m_nTimeout = base::LeadingDecimalWrapped(value);
            break;
        case Target::UserName:
            app.m_strUserName = value;
            break;
        case Target::Password:
            app.m_strPassword = value;
            break;
        }
        return;
    }
    // Anything else is ignored without a message.
}

} // namespace

void ReadConnectionOptions(CKestraExtShared& shared, const QString& file) {
    using profile::GetPrivateProfileInt;
    using profile::GetPrivateProfileString;
    shared.m_strHost = GetPrivateProfileString(kOptions, QStringLiteral("dsip"), shared.m_strHost, 128, file);
    shared.m_nPort = GetPrivateProfileInt(kOptions, QStringLiteral("dsport"), shared.m_nPort, file);
    shared.m_strWtg = GetPrivateProfileString(kOptions, QStringLiteral("wtg"), shared.m_strWtg, 2048, file);
    shared.m_strProxyHost =
        GetPrivateProfileString(kOptions, QStringLiteral("proxyip"), shared.m_strProxyHost, 2048, file);
    shared.m_nProxyPort = GetPrivateProfileInt(kOptions, QStringLiteral("proxyp"), shared.m_nProxyPort, file);
    shared.m_bSlowConnection =
        GetPrivateProfileInt(kOptions, QStringLiteral("SlowConnection"), 0, file) != 0 ? 1 : 0;
    shared.m_nTimeout = GetPrivateProfileInt(kOptions, QStringLiteral("Timeout"), shared.m_nTimeout, file);
}

void ApplyCommandLine(CKestraExtShared& shared, const QString& text) {
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
            ApplySwitch(shared, token);
            token.clear();
        }
    }
}

QString CommandLineFromArguments(const QStringList& arguments) {
    // Each argument becomes one token that reads as the argument's own text does: its quotes toggle
    // quoting and are dropped, so they are dropped here; a token with a blank is then quoted whole (it
    // holds no quote any more).
    QStringList parts;
    parts.reserve(arguments.size());
    for (QString token : arguments) {
        token.remove(u'"');
        parts << (token.contains(u' ') ? u'"' + token + u'"' : token);
    }
    return parts.join(u' ');
}
