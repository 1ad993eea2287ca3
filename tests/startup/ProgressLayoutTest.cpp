// Layout arithmetic of the wait popup.
#include "progress/ProgressLayout.h"

#include <gtest/gtest.h>

using progress::Box;
using progress::ComputeLayout;
using progress::LayoutMetrics;

namespace {
LayoutMetrics Metrics(int lineHeight, QSize cancelExtent) {
    LayoutMetrics m;
    m.lineHeight = lineHeight;
    m.cancelTextExtent = cancelExtent;
    return m;
}
} // namespace

TEST(ProgressLayout, OneLineThreeHundredWide) {
    const auto layout = ComputeLayout(1, 300, Metrics(13, QSize(60, 13)));
    EXPECT_EQ(layout.text, (Box{10, 10, 310, 23}));
    // Button: extent + (4 ex, 3 ey) = 68 x 19, right-aligned with the text, 10 below it.
    EXPECT_EQ(layout.button, (Box{242, 33, 310, 52}));
    // Bar: from the text's left edge to 10 before the button, ey inside the button's height.
    EXPECT_EQ(layout.bar, (Box{10, 35, 232, 50}));
    EXPECT_EQ(layout.client, QSize(320, 13 + 19 + 30));
}

TEST(ProgressLayout, CreationLayoutReservesFourLines) {
    const auto layout = ComputeLayout(4, 390, Metrics(16, QSize(70, 16)));
    EXPECT_EQ(layout.text, (Box{10, 10, 400, 74}));
    EXPECT_EQ(layout.client, QSize(410, 64 + 22 + 30));
    EXPECT_EQ(layout.button.bottom + 10, layout.client.height());
    EXPECT_EQ(layout.button.right + 10, layout.client.width());
}

TEST(ProgressLayout, EdgesScaleTheButtonAndInsetTheBar) {
    LayoutMetrics m = Metrics(10, QSize(50, 10));
    m.edgeX = 3;
    m.edgeY = 1;
    const auto layout = ComputeLayout(2, 200, m);
    EXPECT_EQ(layout.button.width(), 50 + 12);
    EXPECT_EQ(layout.button.height(), 10 + 3);
    EXPECT_EQ(layout.bar.top, layout.button.top + 1);
    EXPECT_EQ(layout.bar.bottom, layout.button.bottom - 1);
}

TEST(ProgressLayout, ZeroLinesStillMeasuresOneAndUnmeasuredKeepsDefaults) {
    EXPECT_EQ(ComputeLayout(0, 300, Metrics(13, QSize(60, 13))).text.height(), 13);
    LayoutMetrics none;
    none.measured = false;
    const auto layout = ComputeLayout(1, 300, none);
    EXPECT_EQ(layout.text, (Box{10, 10, 280, 120}));
    EXPECT_GT(layout.button.width(), 0);
    EXPECT_EQ(layout.client.width(), 290);
    EXPECT_EQ(layout.client.height(), 110 + layout.button.height() + 30);
}
