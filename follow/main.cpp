// kestra-follow: prints a station's log text on standard output as it arrives.
#include "follow/FollowOptions.h"
#include "follow/FollowRun.h"
#include "follow/Terminal.h"

#include "app/core/SecretArguments.h"
#include "app/core/SettingsFolder.h"

#include <QCoreApplication>

#include <unistd.h>

namespace {

void Print(int fd, const QString& text) {
    follow::WriteAll(fd, text.toUtf8(), 1000);
}

} // namespace

int main(int argc, char** argv) {
    follow::InstallStopSignals();
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    HideSecretArguments(argc, argv); // the arguments have been read: the password leaves the process list

    const follow::ParsedArguments parsed = follow::ParseFollowArguments(arguments);
    if (!parsed.error.isEmpty()) {
        Print(STDERR_FILENO, QStringLiteral("kestra-follow: %1\nTry 'kestra-follow --help'.\n").arg(parsed.error));
        return follow::kExitUsage;
    }
    if (parsed.options.help) {
        Print(STDOUT_FILENO, follow::HelpText());
        return follow::kExitOk;
    }
    if (parsed.options.version) {
        Print(STDOUT_FILENO, QStringLiteral("kestra-follow " KESTRA_VERSION "\n"));
        return follow::kExitOk;
    }

    follow::Station station;
    follow::ReadStationSettings(station, CurrentExecutablePath(), parsed.options);
    return follow::RunFollower(station, parsed.options);
}
