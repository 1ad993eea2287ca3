#include "FuzzTargets.h"

#include "app/core/CommandLine.h"
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

Options Read(const CKestraExtShared& s) {
    return {s.m_strHost, s.m_strWtg, s.m_strProxyHost, s.m_strUserName, s.m_strPassword,
            s.m_nPort, s.m_nProxyPort, s.m_nTimeout, s.m_bSlowConnection};
}

} // namespace

// Each line of the input is one program argument.
int FuzzCommandLine(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    CKestraExtShared asText;
    ApplyCommandLine(asText, text);

    // The arguments joined into one command line read as each argument read on its own, in turn.
    const QStringList arguments = text.split(u'\n');
    CKestraExtShared joined;
    ApplyCommandLine(joined, CommandLineFromArguments(arguments));
    CKestraExtShared oneByOne;
    for (const QString& argument : arguments)
        ApplyCommandLine(oneByOne, CommandLineFromArguments({argument}));
    if (!(Read(joined) == Read(oneByOne)))
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
