#include "FuzzTargets.h"

#include "app/core/CommandLine.h"
#include "state/ConnectionOptions.h"
#include "app/core/SecretArguments.h"

#include <QStringList>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Options {
    QString host, wtg, proxyHost, userName, password;
    int32_t port, proxyPort, timeout, slow;
    bool operator==(const Options&) const = default;
};

Options Read(const ConnectionOptions& s) {
    return {s.m_strHost, s.m_strWtg, s.m_strProxyHost, s.m_strUserName, s.m_strPassword,
            s.m_nPort, s.m_nProxyPort, s.m_nTimeout, s.m_bSlowConnection};
}

// One argument as a command-line text that reads as one token: its quotes would only toggle quoting,
// and a token with a blank is quoted whole.
QString AsCommandLine(QString argument) {
    argument.remove(u'"');
    return argument.contains(u' ') ? u'"' + argument + u'"' : argument;
}

} // namespace

// Each line of the input is one program argument.
int FuzzCommandLine(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    ConnectionOptions asText;
    ApplyCommandLine(asText, text);

    // The program's arguments read as they are give what the same arguments typed as one command line
    // give, each in the quoting that makes it one token.
    const QStringList arguments = text.split(u'\n');
    ConnectionOptions direct;
    ApplyArguments(direct, arguments);
    QStringList tokens;
    for (const QString& argument : arguments)
        tokens << AsCommandLine(argument);
    ConnectionOptions typed;
    ApplyCommandLine(typed, tokens.join(u' '));
    if (!(Read(direct) == Read(typed)))
        __builtin_trap();

    // Hiding the password leaves no byte of it in the argument memory, and the rest as it was.
    std::vector<std::string> storage;
    for (const QString& argument : arguments)
        storage.push_back(argument.toStdString());
    std::vector<char*> argv{nullptr};
    for (std::string& s : storage)
        argv.push_back(s.data());
    HideSecretArguments(static_cast<int>(argv.size()), argv.data());
    for (size_t i = 1; i < argv.size(); ++i) {
        const QString shown = QString::fromUtf8(argv[i]).remove(u'"');
        const bool secret = shown.startsWith(QStringLiteral("/password:"), Qt::CaseInsensitive);
        if (secret ? shown.size() != 10
                   : std::strcmp(argv[i], arguments[static_cast<qsizetype>(i - 1)].toStdString().c_str()) != 0)
            __builtin_trap();
    }
    return 0;
}
