// Choosing the culture and loading its language bundle.
#include "app/core/Language.h"

#include "app/core/LanguageBundle.h"
#include "res/Resources.h"
#include "settings/PrivateProfile.h"

#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>

namespace {

constexpr uint32_t kEnUs = 0x0409;
constexpr uint32_t kNoCulture = 0; // a locale the table does not hold: no culture name

const char* ScriptSuffix(QLocale::Script script) {
    switch (script) {
    case QLocale::LatinScript: return "-Latn";
    case QLocale::CyrillicScript: return "-Cyrl";
    default: return nullptr;
    }
}

} // namespace

std::optional<QString> GetCultureName(const QString& settingsFile, int capacity) {
    if (capacity <= 0)
        return std::nullopt;
    QString culture;
    if (!settingsFile.isEmpty())
        culture = profile::GetPrivateProfileString(QStringLiteral("Language"), QStringLiteral("CultureName"),
                                                   QString(), capacity, settingsFile);
    if (culture.isEmpty())
        culture = CultureNameFromLcid(UserDefaultLcid()).left(capacity - 1);
    return culture;
}

uint32_t LcidFromLocaleName(const QString& localeName) {
    // "language[_territory][.codeset][@modifier]"; the codeset and the modifier do not matter here.
    QString name = localeName.trimmed();
    const qsizetype cut = name.indexOf(QRegularExpression(QStringLiteral("[.@]")));
    if (cut >= 0)
        name.truncate(cut);
    if (name.isEmpty() || name == QStringLiteral("C") || name == QStringLiteral("POSIX"))
        return kEnUs;

    const QLocale locale(name);
    if (locale.language() == QLocale::C)
        return kNoCulture;
    // QLocale gives "de_DE" even for a bare "de" (the language's main territory).
    const QStringList parts = locale.name().split(u'_');
    const QString language = parts.value(0);
    const QString territory = parts.value(1);
    if (!territory.isEmpty()) {
        if (const uint32_t lcid = LcidFromCultureName(language + u'-' + territory))
            return lcid;
        if (const char* suffix = ScriptSuffix(locale.script())) {
            if (const uint32_t lcid =
                    LcidFromCultureName(language + u'-' + territory + QString::fromLatin1(suffix)))
                return lcid;
        }
    }
    if (const uint32_t lcid = LcidFromCultureName(language))
        return lcid;
    return kNoCulture;
}

uint32_t UserDefaultLcid() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(variable);
        if (!value.isEmpty())
            return LcidFromLocaleName(value);
    }
    return kEnUs;
}

QString LanguageModulePath(const QString& cultureName, const QString& ownModulePath) {
    if (cultureName.compare(QStringLiteral("en-US"), Qt::CaseInsensitive) == 0)
        return QString();

    // The real file behind the path the program was started by (links resolved), so that the bundle is
    // named after and found beside the program file itself.
    QString path = ownModulePath;
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (!canonical.isEmpty() && canonical != path)
        path = canonical;

    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash < 0)
        return QString();
    const QString folder = path.left(slash + 1);
    QString fileName = path.mid(slash + 1);

    QString tag;
    const qsizetype point = fileName.lastIndexOf(u'.');
    if (point >= 0) {
        const QString extension = fileName.mid(point + 1);
        for (const char* known : {"dll", "exe", "ocx"}) {
            if (extension.compare(QString::fromLatin1(known), Qt::CaseInsensitive) == 0) {
                tag = extension.toUpper();
                fileName.truncate(point);
                break;
            }
        }
    }
    if (fileName.isEmpty())
        return QString();
    const QString moduleName =
        fileName + (tag.isEmpty() ? QString() : u'-' + tag) + QString::fromLatin1(kLanguageBundleSuffix);

    // The first culture folder that exists, from the full name down to the bare language.
    QString candidate = cultureName;
    while (!candidate.isEmpty()) {
        if (QFileInfo(folder + candidate).isDir())
            break;
        const qsizetype hyphen = candidate.lastIndexOf(u'-');
        candidate = hyphen >= 0 ? candidate.left(hyphen) : QString();
    }
    return candidate.isEmpty() ? folder + moduleName : folder + candidate + u'/' + moduleName;
}

void LoadLanguageModule(const QString& cultureName, const QString& ownModulePath,
                        const res::ResourceModule** module) {
    if (!module)
        return;
    if (*module && *module != res::OwnModule())
        delete *module;
    *module = res::OwnModule();

    const QString path = LanguageModulePath(cultureName, ownModulePath);
    if (path.isEmpty())
        return;
    // Only this one file is tried: a culture folder without a usable bundle means the own resources.
    if (std::unique_ptr<LanguageBundle> bundle = LanguageBundle::Load(path)) {
        // Qt's standard dialogs and buttons speak the bundle's language too.
        bundle->LoadQtTranslations(cultureName.isEmpty() ? bundle->Culture() : cultureName);
        *module = bundle.release();
    }
}

void FreeLanguageModule(const res::ResourceModule** module) {
    if (!module)
        return;
    if (*module && *module != res::OwnModule())
        delete *module;
    *module = nullptr;
}
