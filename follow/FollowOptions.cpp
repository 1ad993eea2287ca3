#include "follow/FollowOptions.h"

#include "follow/CategoryNames.h"

#include "base/StationKey.h"
#include "state/LogOnDiskChoice.h"

#include <algorithm>

namespace follow {

namespace {

// Splits a comma-separated list; blanks around an item and empty items do not count.
QStringList Items(const QString& list) {
    QStringList items;
    for (const QString& item : list.split(u','))
        if (!item.trimmed().isEmpty())
            items << item.trimmed();
    return items;
}

// "-NAME" switches a category off, "NAME" or "+NAME" on.
QString AddCategories(FollowOptions& options, const QString& list) {
    for (QString item : Items(list)) {
        int32_t value = 1;
        if (item.startsWith(u'-') || item.startsWith(u'+')) {
            value = item.startsWith(u'-') ? 0 : 1;
            item.remove(0, 1);
        }
        const std::optional<LogCategoryId> id = CategoryByName(item);
        if (!id)
            return QStringLiteral("unknown category '%1' (--help lists them)").arg(item);
        auto same = [&](const CategoryRequest& r) { return r.id == *id; };
        const auto it = std::find_if(options.categories.begin(), options.categories.end(), same);
        if (it != options.categories.end())
            it->value = value;
        else
            options.categories.append({*id, value});
    }
    return {};
}

void AddTags(FollowOptions& options, const QString& list) {
    for (const QString& tag : Items(list))
        if (!options.tags.contains(tag))
            options.tags << tag;
}

} // namespace

ParsedArguments ParseFollowArguments(const QStringList& arguments) {
    ParsedArguments result;
    FollowOptions& options = result.options;
    bool daily = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (!arg.startsWith(u'-')) {
            options.stationArguments << arg;
            continue;
        }
        if (arg == u"--help" || arg == u"-h") {
            options.help = true;
            return result;
        }
        if (arg == u"--version") {
            options.version = true;
            return result;
        }
        if (arg == u"--daily") {
            daily = true;
            continue;
        }
        // The options with a value take it from "--name=value" or from the next argument.
        const qsizetype equals = arg.indexOf(u'=');
        const QString name = equals < 0 ? arg : arg.left(equals);
        if (arg == u"--color" || arg == u"--colour") {
            options.colour = ColourMode::Always;
            continue;
        }
        if (name != u"--category" && name != u"--tags" && name != u"--log-file" && name != u"--color" &&
            name != u"--colour" && name != u"--trust") {
            result.error = QStringLiteral("unknown option '%1'").arg(arg);
            return result;
        }
        QString value;
        if (equals >= 0) {
            value = arg.mid(equals + 1);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            result.error = QStringLiteral("%1 needs a value").arg(name);
            return result;
        }
        if (name == u"--color" || name == u"--colour") {
            if (value == u"auto")
                options.colour = ColourMode::Auto;
            else if (value == u"always")
                options.colour = ColourMode::Always;
            else if (value == u"never")
                options.colour = ColourMode::Never;
            else
                result.error = QStringLiteral("--color takes auto, always or never, not '%1'").arg(value);
        } else if (name == u"--category") {
            result.error = AddCategories(options, value);
        } else if (name == u"--tags") {
            AddTags(options, value);
        } else if (name == u"--trust") {
            options.trust = base::NormalizeFingerprint(value).value_or(QString());
            if (options.trust.isEmpty())
                result.error = QStringLiteral("--trust wants a SHA-256 fingerprint, not '%1' (mirabo-logd "
                                              "--fingerprint prints it)")
                                   .arg(value);
        } else if (value.isEmpty()) {
            result.error = QStringLiteral("--log-file needs a file name");
        } else {
            options.logFile = value;
        }
        if (!result.error.isEmpty())
            return result;
    }
    if (daily && !options.logFile.isEmpty()) {
        result.error = QStringLiteral("--daily and --log-file exclude each other");
        return result;
    }
    options.logOnDiskType = daily                        ? kLogOnDiskDaily
                            : !options.logFile.isEmpty() ? kLogOnDiskCustom
                                                         : kLogOnDiskDisabled;
    return result;
}

QString HelpText() {
    QString categories;
    for (const LogCategory& category : LogCategories()) {
        const CategoryName name = NameOf(category.id);
        categories += QStringLiteral("  %1 %2\n").arg(QString::fromLatin1(name.name), -12).arg(
            QString::fromLatin1(name.description));
    }
    return QStringLiteral(
               "Usage: kestra-follow [station switches] [options]\n"
               "\n"
               "Prints the log text of a station on standard output as it arrives, until Ctrl+C or until\n"
               "its output closes. A lost link is opened again by itself.\n"
               "\n"
               "Station switches, as for kestra (defaults from section [Options] of KestraExt.ini beside\n"
               "the program):\n"
               "  /dsip:HOST /dsport:PORT /wtg:TEXT /proxyip:HOST /proxyp:PORT /timeout:MS /slowconnection\n"
               "  /username:NAME /password:TEXT\n"
               "When the station demands a logon and no password was given, it is asked for on the terminal.\n"
               "\n"
               "Options:\n"
               "  --category NAME,...  switch these categories on at the station; -NAME switches one off\n"
               "  --tags TAG,...       log the value changes of these tags\n"
               "  --daily              also append the text to the day's log file, YYMMDD.log in the log\n"
               "                       folder (the project folder of the local station, else the per-user\n"
               "                       settings folder), as kestra does\n"
               "  --log-file NAME      also append the text to NAME (a relative name lies in the log folder)\n"
               "  --color[=WHEN]       colour lines by the highlight rules (Highlight.ini in the per-user\n"
               "                       settings folder, as kestra's): auto (the default: only on a terminal,\n"
               "                       and not when NO_COLOR is set), always (also --color alone) or never\n"
               "  --trust FINGERPRINT  the station must present the key with this SHA-256 fingerprint\n"
               "                       (mirabo-logd --fingerprint prints it); it is added to the list of\n"
               "                       known stations, also in place of a key trusted before\n"
               "  --help, --version\n"
               "\n"
               "A station that speaks TLS and is not in the list of known stations (KnownStations.txt in the\n"
               "per-user settings folder) is shown with its key's fingerprint, and you are asked on the\n"
               "terminal whether to trust it. A station whose key changed, or one known to speak TLS that\n"
               "answers in clear, is refused. A password to a station in clear beyond this machine is asked\n"
               "about once.\n"
               "\n"
               "Categories:\n") +
           categories +
           QStringLiteral("\n"
                          "Exit codes: 0 ended by Ctrl+C or because the output closed, 2 bad usage, 3 the station\n"
                          "refused the first connection or could not be reached, 4 the logon was refused, 5 the\n"
                          "station's key is not trusted (or it answered in clear where TLS is known).\n");
}

} // namespace follow
