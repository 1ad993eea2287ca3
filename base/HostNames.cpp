#include "base/HostNames.h"

namespace base {

namespace {

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view lower) {
    if (a.size() != lower.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char c = a[i] >= 'A' && a[i] <= 'Z' ? char(a[i] - 'A' + 'a') : a[i];
        if (c != lower[i])
            return false;
    }
    return true;
}

} // namespace

bool IsLocalhostName(std::string_view host) {
    if (host.ends_with('.'))
        host.remove_suffix(1);
    constexpr std::string_view kName = "localhost";
    if (host.size() < kName.size() || !EqualsIgnoringAsciiCase(host.substr(host.size() - kName.size()), kName))
        return false;
    if (host.size() == kName.size())
        return true;
    // A name under it: labels before ".localhost", none of them empty.
    const std::string_view labels = host.substr(0, host.size() - kName.size());
    return labels.size() >= 2 && labels.back() == '.' && labels.front() != '.' &&
           labels.find("..") == std::string_view::npos;
}

} // namespace base
