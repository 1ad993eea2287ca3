#include "app/core/SecretArguments.h"

#include <cctype>
#include <cstring>

namespace {

constexpr char kPasswordSwitch[] = "/password:";

// Where the value of a password switch starts in `arg`, or nullptr when `arg` is no password switch.
char* PasswordValue(char* arg) {
    const char* expected = kPasswordSwitch;
    char* p = arg;
    for (; *expected != '\0' && *p != '\0'; ++p) {
        if (*p == '"')
            continue;
        if (std::tolower(static_cast<unsigned char>(*p)) != *expected)
            return nullptr;
        ++expected;
    }
    return *expected == '\0' ? p : nullptr;
}

} // namespace

void HideSecretArguments(int argc, char** argv) {
    for (int i = 1; i < argc && argv && argv[i]; ++i) {
        if (char* value = PasswordValue(argv[i]))
            std::memset(value, 0, std::strlen(value));
    }
}
