#include "logview/logic/WindowPlacement.h"

#include "settings/PrivateProfile.h"

#include <array>
#include <utility>

namespace {

const QString kSection = QStringLiteral("Window");

// The keys in the order they are read and written (Right before Top).
template <typename Placement> auto Fields(Placement& p) {
    return std::array<std::pair<const char*, decltype(&p.length)>, 11>{{
        {"Length", &p.length},
        {"Flags", &p.flags},
        {"ShowCmd", &p.showCmd},
        {"PtMinPosition.X", &p.ptMinPositionX},
        {"PtMinPosition.Y", &p.ptMinPositionY},
        {"PtMaxPosition.X", &p.ptMaxPositionX},
        {"PtMaxPosition.Y", &p.ptMaxPositionY},
        {"RcNormalPosition.Left", &p.rcNormalPositionLeft},
        {"RcNormalPosition.Right", &p.rcNormalPositionRight},
        {"RcNormalPosition.Top", &p.rcNormalPositionTop},
        {"RcNormalPosition.Bottom", &p.rcNormalPositionBottom},
    }};
}

} // namespace

WindowPlacement WindowPlacement::Read(const QString& iniPath) {
    WindowPlacement placement;
    for (const auto& [key, field] : Fields(placement))
        *field = profile::GetPrivateProfileInt(kSection, QString::fromLatin1(key), 0, iniPath);
    return placement;
}

bool WindowPlacement::Write(const QString& iniPath) const {
    bool allWritten = true;
    for (const auto& [key, field] : Fields(*this)) {
        if (!profile::WritePrivateProfileString(kSection, QString::fromLatin1(key), QString::number(*field),
                                                iniPath))
            allWritten = false;
    }
    return allWritten;
}
