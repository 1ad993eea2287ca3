// The main window's placement record and its eleven keys in section "Window" of the per-user settings
// file. The keys keep the names and meanings of the platform's placement record: ShowCmd 1 normal,
// 2 minimized, 3 maximized; RcNormalPosition is the restored frame rectangle in screen pixels (right and
// bottom exclusive); Length is always 44 when written.
#pragma once

#include <QList>
#include <QRect>
#include <QString>

#include <cstdint>

struct WindowPlacement {
    static constexpr int32_t kLength = 44;
    static constexpr int32_t kShowNormal = 1;
    static constexpr int32_t kShowMinimized = 2;
    static constexpr int32_t kShowMaximized = 3;
    static constexpr int32_t kShowMinimize = 6;          // two more minimized states a record may hold
    static constexpr int32_t kShowMinimizedNoActive = 7;
    static constexpr int32_t kFlagRestoreToMaximized = 2; // minimized from the maximized state

    int32_t length = 0;
    int32_t flags = 0;
    int32_t showCmd = 0;
    int32_t ptMinPositionX = 0;
    int32_t ptMinPositionY = 0;
    int32_t ptMaxPositionX = 0;
    int32_t ptMaxPositionY = 0;
    int32_t rcNormalPositionLeft = 0;
    int32_t rcNormalPositionRight = 0;
    int32_t rcNormalPositionTop = 0;
    int32_t rcNormalPositionBottom = 0;

    // Reads the eleven keys in their order, each defaulting to 0.
    static WindowPlacement Read(const QString& iniPath);
    // Writes the eleven keys in their order as decimal text; false when any write failed.
    bool Write(const QString& iniPath) const;
    // A record is applied only when Flags, ShowCmd or Length is non-zero (a first run has none of them).
    bool ShouldApply() const { return flags != 0 || showCmd != 0 || length != 0; }

    // RcNormalPosition as a rectangle, and the record with it set.
    QRect NormalFrame() const;
    void SetNormalFrame(const QRect& frame);

    bool operator==(const WindowPlacement&) const = default;
};

// A window's outer rectangle brought onto the screens (their available areas): it stays where it is
// while a piece of it of at least 48 by 48 pixels (all of it, when it is smaller) lies on one of them.
// Otherwise it goes onto the nearest screen, moved no further than it takes to lie wholly on it, and
// made smaller where it is larger than that screen.
QRect FitOntoScreens(const QRect& frame, const QList<QRect>& screens);
