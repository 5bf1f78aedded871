#include "profiles/ClipTime.h"

#include <gtest/gtest.h>

using namespace zentrova;

TEST(ClipTime, Formats)
{
    EXPECT_EQ(FormatClipTime(0), "00:00:00");
    EXPECT_EQ(FormatClipTime(9), "00:00:09");
    EXPECT_EQ(FormatClipTime(59), "00:00:59");
    EXPECT_EQ(FormatClipTime(60), "00:01:00");
    EXPECT_EQ(FormatClipTime(3725), "01:02:05");
    EXPECT_EQ(FormatClipTime(359999), "99:59:59");
    EXPECT_EQ(FormatClipTime(360000), "100:00:00");
    EXPECT_EQ(FormatClipTime(-5), "00:00:00");
}

TEST(ClipTime, Parses)
{
    EXPECT_EQ(ParseClipTime("00:00:00"), 0);
    EXPECT_EQ(ParseClipTime("01:02:05"), 3725);
    EXPECT_EQ(ParseClipTime("00:01:30"), 90);
    EXPECT_EQ(ParseClipTime("100:00:00"), 360000);
    // Non-numeric or empty parts count as 0; numbers stop at the first non-digit.
    EXPECT_EQ(ParseClipTime("aa:01:bb"), 60);
    EXPECT_EQ(ParseClipTime("::"), 0);
    EXPECT_EQ(ParseClipTime(""), 0);
    EXPECT_EQ(ParseClipTime("1x:2y:3z"), 3600 + 120 + 3);
    // Minutes are the two characters after the first colon.
    EXPECT_EQ(ParseClipTime("00:123:04"), 12 * 60 + 4);
    // A bare number is seconds.
    EXPECT_EQ(ParseClipTime("90"), 90);
}

TEST(ClipTime, RoundTrips)
{
    for (int s : {0, 1, 59, 61, 3599, 3600, 3725, 86399, 360000, 1234567})
        EXPECT_EQ(ParseClipTime(FormatClipTime(s)), s) << s;
}

TEST(ClipTime, HugeTextsSaturateInsteadOfOverflowing)
{
    EXPECT_GT(ParseClipTime("99999999999999999999:00:00"), 0);
}
