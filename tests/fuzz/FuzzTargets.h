// Entry points that take one arbitrary input each, for the fuzzer (FuzzerMain.cpp) and for the default
// test run, which replays every stored input of tests/fuzz/inputs/<target>/ (seeds, and any input a
// fuzzer run found to crash) through them.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

// What every input must leave true. A broken invariant aborts, as a crash would, so that the fuzzer
// keeps the input and the replay of stored inputs fails.
inline void FuzzCheck(bool holds, const char* invariant) {
    if (holds)
        return;
    std::fprintf(stderr, "fuzz invariant broken: %s\n", invariant);
    std::abort();
}

// Well-formed UTF-8 (no overlong forms, no encoded surrogates, nothing above U+10FFFF), told apart
// without the code under test: only such bytes come back unchanged from UTF-16. The leading byte keeps a
// byte order mark from being taken as one.
inline bool FuzzWellFormedUtf8(const QByteArray& bytes) {
    const QByteArray marked = 'x' + bytes;
    return QString::fromUtf8(marked).toUtf8() == marked;
}

// The private-profile reader: the first bytes pick a section, a key and a capacity, the rest is the file.
int FuzzProfileRead(const uint8_t* data, size_t size);
// The toolkit's answer decoder and its typed field readers: the input is one answer line.
int FuzzToolkitAnswer(const uint8_t* data, size_t size);
// The service's request handling without sockets: each line of the input goes through the dispatcher,
// in one session, against a project folder of its own.
int FuzzServiceRequest(const uint8_t* data, size_t size);
// The client's start of a connection: the input is what the station sends, the TLS question's answer
// and then the handshake; the client's trust and what it sends are checked.
int FuzzTlsHandshake(const uint8_t* data, size_t size);
// The command line: each line of the input is one program argument, parsed as typed and as joined from
// the arguments, and the password hidden in the argument memory.
int FuzzCommandLine(const uint8_t* data, size_t size);

// The stored inputs of a target ("profile_read", "toolkit_answer", "service_request", "command_line",
// "tls_handshake").
inline std::vector<QByteArray> FuzzInputs(const QString& target, const QString& sourceDir) {
    std::vector<QByteArray> inputs;
    const QDir dir(sourceDir + QStringLiteral("/tests/fuzz/inputs/") + target);
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
        QFile f(dir.filePath(name));
        if (f.open(QIODevice::ReadOnly))
            inputs.push_back(f.readAll());
    }
    return inputs;
}

inline int FuzzReplay(int (*target)(const uint8_t*, size_t), const QByteArray& input) {
    return target(reinterpret_cast<const uint8_t*>(input.constData()), static_cast<size_t>(input.size()));
}
