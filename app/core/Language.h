// The user-interface language: which culture the program runs in, and the language bundle that may
// replace the program's own strings, menu texts and dialog texts.
//
// A language bundle is a UTF-8 text file named after the program file with "-mui.ini" appended
// (for the program "kestra": "kestra-mui.ini"; a program file ending in .dll, .exe or .ocx loses that
// extension and gets it as a capital tag instead: "tool.exe" -> "tool-EXE-mui.ini"). It lives in a
// folder named after the culture, or after a shorter form of it, beside the program file:
//   <program folder>/de-DE/kestra-mui.ini, else <program folder>/de/kestra-mui.ini
// The first culture folder that exists is the only one tried: a folder without a usable bundle means the
// program's own resources. An empty culture name looks beside the program itself; "en-US" (any letter
// case) is the program's own language and loads nothing. The bundle format is described in
// LanguageBundle.h.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace res {
class ResourceModule;
}

// The file-name part that follows the program's name in a bundle's name.
inline constexpr const char* kLanguageBundleSuffix = "-mui.ini";

// The culture to run in: "CultureName" of section "Language" in `settingsFile`, or, when that is
// missing or empty, the culture of the user's default locale (CultureNameFromLcid(UserDefaultLcid())).
// At most capacity - 1 characters. std::nullopt when `capacity` is 0 or less.
std::optional<QString> GetCultureName(const QString& settingsFile, int capacity);

// The culture name of an LCID by the program's table, or empty when the LCID is not in it.
QString CultureNameFromLcid(uint32_t lcid);
// The LCID whose culture name equals `cultureName` without regard to case, or 0.
uint32_t LcidFromCultureName(const QString& cultureName);

// The LCID of the user's locale, from the first of LC_ALL, LC_MESSAGES and LANG that is set and not
// empty. "C", "POSIX" or none at all give 0x0409 (en-US). A locale is matched by language and territory
// ("de_DE.UTF-8" -> de-DE, 0x0407), then with the script suffix ("uz_UZ" -> uz-UZ-Latn), then by its
// language alone ("de_XX" -> de, 0x0007); a language the table does not hold gives 0, which has no
// culture name (the bundle is then looked for beside the program).
uint32_t UserDefaultLcid();
// The same for an explicit locale name (the value of one of those variables).
uint32_t LcidFromLocaleName(const QString& localeName);

// Where the bundle for `cultureName` is looked for, given the program file `ownModulePath`; empty when
// the program's own resources are used without looking (en-US, no usable program path).
QString LanguageModulePath(const QString& cultureName, const QString& ownModulePath);

// Frees a bundle previously loaded into *module, then loads the bundle for `cultureName`. On return
// *module is the loaded bundle or the program's own module (res::OwnModule()). With a bundle, Qt's own
// translations for its culture are installed too, for as long as the bundle is loaded.
// Nothing is reported: a missing folder, file or malformed bundle all mean the program's own resources.
void LoadLanguageModule(const QString& cultureName, const QString& ownModulePath,
                        const res::ResourceModule** module);

// Frees a loaded bundle; on return *module is null.
void FreeLanguageModule(const res::ResourceModule** module);

// For the tests of the table.
int CultureTableSize();
bool CultureTableIsSorted();
