#include "FuzzTargets.h"

#include "service/Dispatcher.h"
#include "service/PasswordHash.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace logd;

namespace {

// A project folder of its own: the demo's tags and stores, and a user "fuzz" (password "fuzz") whose
// hash is cheap, so that logons are tried often.
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
        if (users.open(QIODevice::WriteOnly))
            users.write("fuzz:yes:" + makePasswordHash(QStringLiteral("fuzz"), 1).toUtf8() + "\noperator:no:x\n");
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

} // namespace

int FuzzServiceRequest(const uint8_t* data, size_t size) {
    static FuzzService f;
    Session session;
    session.peer = QStringLiteral("fuzz:1");
    session.address = QStringLiteral("fuzz");
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (QByteArray line : input.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        if (f.dispatcher->handleLine(session, line).close)
            break;
    }
    f.dispatcher->endSession(session);
    f.trimProfile();
    return 0;
}
