// The one leading-decimal scanner and its two readings.
#include "base/Numbers.h"

#include <gtest/gtest.h>

namespace {

using base::LeadingDecimalWrapped;

TEST(LeadingDecimal, WrappedReadingOfSettingsFiles) {
    EXPECT_EQ(LeadingDecimalWrapped(" \t 12ab"), 12);
    EXPECT_EQ(LeadingDecimalWrapped(""), 0);
    EXPECT_EQ(LeadingDecimalWrapped("-"), 0);
    EXPECT_EQ(LeadingDecimalWrapped("-2147483648"), INT32_MIN);
    EXPECT_EQ(LeadingDecimalWrapped("2147483648"), INT32_MIN);
}

TEST(LeadingDecimal, WrappedReadingOfTheCommandLine) {
    EXPECT_EQ(LeadingDecimalWrapped(" \t\n\r\v\f42x"), 42);
    EXPECT_EQ(LeadingDecimalWrapped("-0"), 0);
    EXPECT_EQ(LeadingDecimalWrapped("+-1"), 0);
    EXPECT_EQ(LeadingDecimalWrapped(""), 0);
    EXPECT_EQ(LeadingDecimalWrapped("2147483647"), INT32_MAX);
    EXPECT_EQ(LeadingDecimalWrapped("4294967296"), 0); // stored without range checks: 32-bit wrap-around
}

} // namespace
