#include "FuzzTargets.h"

#include "service/Dispatcher.h"
#include "service/PasswordHash.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <map>

using namespace logd;

namespace {

// A project folder of its own: the demo's tags and stores, and users "fuzz" and U+1F600 (password "fuzz"
// for both) whose hashes are cheap, so that logons are tried often. The second name lies outside the BMP,
// so the log text of its logon holds a surrogate pair for log.read to cut around.
struct FuzzService {
    QTemporaryDir dir;
    Project project;
    std::unique_ptr<Service> service;
    std::unique_ptr<Dispatcher> dispatcher;
    QByteArray profile;

    FuzzService() {
        if (!QCoreApplication::instance()) {
            static int argc = 1;
            static char name[] = "fuzz";
            static char* argv[] = {name, nullptr};
            new QCoreApplication(argc, argv); // lives as long as the process
        }
        Service::setLogEnabled(false);
        const QString demo = QStringLiteral(KESTRA_SOURCE_DIR "/service/demo/");
        for (const char* file : {"project.ini", "tags.txt", "config.ini", "profile.ini"})
            QFile::copy(demo + QLatin1String(file), dir.filePath(QLatin1String(file)));
        QFile users(dir.filePath(QStringLiteral("users.txt")));
        if (users.open(QIODevice::WriteOnly)) {
            const QByteArray hash = makePasswordHash(QStringLiteral("fuzz"), 1).toUtf8();
            users.write("fuzz:yes:" + hash + "\n\xF0\x9F\x98\x80:yes:" + hash + "\noperator:no:x\n");
        }
        users.close();
        QFile p(dir.filePath(QStringLiteral("profile.ini")));
        if (p.open(QIODevice::ReadOnly))
            profile = p.readAll();
        QString error;
        QStringList warnings;
        project.load(dir.path(), &error, &warnings);
        project.setLogonRequired(true);
        ServiceOptions options;
        options.maxClients = 16; // states beyond that are dropped, so memory stays flat
        service = std::make_unique<Service>(project, options);
        dispatcher = std::make_unique<Dispatcher>(*service);
    }

    // profile.set keeps adding keys: start from the shipped store again before it grows large.
    void trimProfile() {
        if (QFileInfo(project.profilePath()).size() < 64 * 1024)
            return;
        QFile p(project.profilePath());
        if (p.open(QIODevice::WriteOnly | QIODevice::Truncate))
            p.write(profile);
    }
};

// What the session has seen of the service's client states: the epoch the last hello named, and the
// highest seq each epoch handed out.
struct Seen {
    QString epoch;
    std::map<QString, int64_t> seq;
};

// The answer to one line keeps the rules of the protocol, whatever the line held: one line of a JSON-RPC
// object with the request's id and either a result or an error with a code; nothing but an error without
// hello first or without access; log text within the asked length, never ending inside a surrogate pair,
// its seq never going back within a client state.
void checkAnswer(const QByteArray& line, const Outcome& outcome, bool helloed, bool access, Seen* seen) {
    if (!FuzzWellFormedUtf8(line)) {
        FuzzCheck(outcome.answer.isEmpty() && outcome.close, "a line that is not UTF-8 ends the connection unanswered");
        return;
    }
    FuzzCheck(outcome.answer.endsWith('\n') && outcome.answer.count('\n') == 1, "every line gets one answer line");
    const QJsonObject answer = QJsonDocument::fromJson(outcome.answer).object();
    const QJsonValue result = answer.value(QStringLiteral("result"));
    const QJsonValue error = answer.value(QStringLiteral("error"));
    FuzzCheck(answer.value(QStringLiteral("jsonrpc")) == QStringLiteral("2.0"), "the answer is JSON-RPC 2.0");
    FuzzCheck(result.isUndefined() != error.isUndefined(), "the answer has a result or an error, not both");
    if (!error.isUndefined())
        FuzzCheck(error.toObject().value(QStringLiteral("code")).isDouble() &&
                      error.toObject().value(QStringLiteral("message")).isString(),
                  "an error has a code and a message");

    const QJsonDocument doc = QJsonDocument::fromJson(line);
    const QJsonObject request = doc.object();
    const QJsonValue id = request.value(QStringLiteral("id"));
    FuzzCheck(answer.value(QStringLiteral("id")) ==
                  (doc.isObject() && (id.isDouble() || id.isString()) ? id : QJsonValue(QJsonValue::Null)),
              "the answer carries the request's id (null when it has none)");
    if (result.isUndefined())
        return;

    const QString method = request.value(QStringLiteral("method")).toString();
    const QJsonObject params = request.value(QStringLiteral("params")).toObject();
    FuzzCheck(helloed || method == QLatin1String("hello"), "nothing is answered before hello");
    FuzzCheck(access || method == QLatin1String("hello") || method == QLatin1String("logon"),
              "nothing but hello and logon is answered without access");
    const QJsonObject r = result.toObject();
    if (method == QLatin1String("hello"))
        seen->epoch = r.value(QStringLiteral("epoch")).toString();
    if (method == QLatin1String("log.read")) {
        const QString text = r.value(QStringLiteral("text")).toString();
        const int64_t seq = r.value(QStringLiteral("seq")).toInteger();
        FuzzCheck(text.size() <= params.value(QStringLiteral("max")).toInteger(), "log text fits the asked length");
        FuzzCheck(text.isEmpty() || !text.back().isHighSurrogate(), "log text never ends inside a surrogate pair");
        const auto it = seen->seq.find(seen->epoch);
        FuzzCheck(it == seen->seq.end() || seq >= it->second, "a seq never goes back within a client state");
        seen->seq[seen->epoch] = seq;
    }
}

} // namespace

int FuzzServiceRequest(const uint8_t* data, size_t size) {
    static FuzzService f;
    Session session;
    session.peer = QStringLiteral("fuzz:1");
    session.address = QStringLiteral("fuzz");
    Seen seen;
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (QByteArray line : input.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        const bool helloed = session.helloed, access = session.access;
        const Outcome outcome = f.dispatcher->handleLine(session, line);
        checkAnswer(line, outcome, helloed, access, &seen);
        if (outcome.close)
            break;
    }
    f.dispatcher->endSession(session);
    f.trimProfile();
    return 0;
}
