// Layout arithmetic of the wait popup, kept apart from the window so that it can be checked without one.
//
// All lengths are pixels. Rectangles are given as left, top, right, bottom (right and bottom exclusive),
// the way the layout is reasoned about; ToQRect converts them for the widgets.
#pragma once

#include <QRect>
#include <QSize>

namespace progress {

struct Box {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    QRect ToQRect() const { return QRect(left, top, right - left, bottom - top); }
    bool operator==(const Box&) const = default;
};

// What the layout needs from the message font and the window system.
struct LayoutMetrics {
    bool measured = true;      // false when no font metrics could be had: the defaults below apply
    int lineHeight = 0;        // height of one line of the message font
    QSize cancelTextExtent;    // extent of the Cancel text followed by two blanks
    int edgeX = 2;             // width of a 3-D edge
    int edgeY = 2;             // height of a 3-D edge
};

struct Layout {
    Box text;
    Box bar;
    Box button;
    QSize client; // size of the popup's client area
};

constexpr int kMargin = 10;

// Lays out `lines` text lines `width` pixels wide, a progress bar and a Cancel button under them:
//   text    (10, 10) - (10 + width, 10 + lines * lineHeight)
//   button  right-aligned with the text, 10 below it, text extent + (4 ex, 3 ey) in size
//   bar     from the text's left edge to 10 before the button, ey inside the button's height
//   client  text width + 20 by text height + button height + 30
// Without metrics the text rectangle is (10, 10) - (width - 20, 120) and the button has a fixed size.
Layout ComputeLayout(int lines, int width, const LayoutMetrics& metrics);

} // namespace progress
