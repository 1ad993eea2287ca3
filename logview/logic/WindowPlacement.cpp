#include "logview/logic/WindowPlacement.h"

#include "settings/PrivateProfile.h"

#include <algorithm>
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

QRect WindowPlacement::NormalFrame() const {
    return QRect(QPoint(rcNormalPositionLeft, rcNormalPositionTop),
                 QPoint(rcNormalPositionRight - 1, rcNormalPositionBottom - 1));
}

void WindowPlacement::SetNormalFrame(const QRect& frame) {
    rcNormalPositionLeft = frame.left();
    rcNormalPositionTop = frame.top();
    rcNormalPositionRight = frame.left() + frame.width();
    rcNormalPositionBottom = frame.top() + frame.height();
}

QRect FitOntoScreens(const QRect& frame, const QList<QRect>& screens) {
    constexpr int kVisible = 48;
    const QSize enough(std::min(kVisible, frame.width()), std::min(kVisible, frame.height()));
    const QRect* nearest = nullptr;
    qint64 bestOverlap = -1;
    qint64 bestDistance = 0;
    for (const QRect& screen : screens) {
        const QRect piece = screen.intersected(frame);
        if (piece.width() >= enough.width() && piece.height() >= enough.height())
            return frame;
        // The screen it overlaps most, or, overlapping none, the one it is closest to.
        const qint64 overlap = static_cast<qint64>(piece.width()) * piece.height();
        const qint64 dx = std::max({0, screen.left() - frame.right(), frame.left() - screen.right()});
        const qint64 dy = std::max({0, screen.top() - frame.bottom(), frame.top() - screen.bottom()});
        const qint64 distance = dx * dx + dy * dy;
        if (!nearest || overlap > bestOverlap || (overlap == bestOverlap && distance < bestDistance)) {
            nearest = &screen;
            bestOverlap = overlap;
            bestDistance = distance;
        }
    }
    if (!nearest)
        return frame;
    QRect fitted(frame.topLeft(), frame.size().boundedTo(nearest->size()));
    fitted.moveLeft(std::clamp(fitted.left(), nearest->left(), nearest->right() + 1 - fitted.width()));
    fitted.moveTop(std::clamp(fitted.top(), nearest->top(), nearest->bottom() + 1 - fitted.height()));
    return fitted;
}
