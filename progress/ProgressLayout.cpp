#include "progress/ProgressLayout.h"

#include <algorithm>

namespace progress {
namespace {

// Used only when the font could not be measured: a button that still holds a short word.
constexpr QSize kFallbackButton(75, 23);

} // namespace

Layout ComputeLayout(int lines, int width, const LayoutMetrics& metrics) {
    Layout layout;
    Box& text = layout.text;
    text = Box{kMargin, kMargin, width - 2 * kMargin, 120};

    QSize button = kFallbackButton;
    if (metrics.measured) {
        // As tall as `lines` lines of the message font (at least one), exactly `width` wide.
        const int rows = std::max(lines, 1);
        text.bottom = text.top + rows * metrics.lineHeight;
        text.right = text.left + width;
        button = QSize(metrics.cancelTextExtent.width() + 4 * metrics.edgeX,
                       metrics.cancelTextExtent.height() + 3 * metrics.edgeY);
    }

    Box& btn = layout.button;
    btn.left = text.right - button.width();
    btn.top = text.bottom + kMargin;
    btn.right = text.right;
    btn.bottom = btn.top + button.height();

    Box& bar = layout.bar;
    bar.left = text.left;
    bar.top = btn.top + metrics.edgeY;
    bar.right = btn.left - kMargin;
    bar.bottom = btn.bottom - metrics.edgeY;

    layout.client = QSize(text.width() + 2 * kMargin, text.height() + button.height() + 3 * kMargin);
    return layout;
}

} // namespace progress
