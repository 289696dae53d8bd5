#include <DpiScale.h>

#include <gtest/gtest.h>

namespace {

TEST(DpiScale, ScalesPixelsLaidOutAt96RoundingHalfAwayFromZero)
{
    EXPECT_EQ(DpiScale(96).Pixels(12), 12);
    EXPECT_EQ(DpiScale(120).Pixels(12), 15);
    EXPECT_EQ(DpiScale(144).Pixels(12), 18) << "the log font at 150 %";
    EXPECT_EQ(DpiScale(192).Pixels(120), 240) << "the logo at 200 %";
    EXPECT_EQ(DpiScale(120).Pixels(2), 3) << "2.5";
    EXPECT_EQ(DpiScale(144).Pixels(-12), -18) << "a font height by its characters keeps its sign";
    EXPECT_EQ(DpiScale(144).Pixels(-1), -2) << "-1.5";
    EXPECT_EQ(DpiScale(0).Pixels(12), 12) << "an unknown DPI counts as 96";
    EXPECT_EQ(DpiScale(0).Dpi(), 96);
}

TEST(DpiScale, ARectangleKeepsTheScaledSizeOfWhatItHolds)
{
    const RECT logo = DpiScale(144).Rect({10, 10, 130, 130});
    EXPECT_EQ(logo.left, 15);
    EXPECT_EQ(logo.top, 15);
    EXPECT_EQ(logo.right, 195);
    EXPECT_EQ(logo.bottom, 195);

    // Scaling the edges one by one would make it 1.5 -> 2 to 3 -> 3: one
    // pixel wide where what it holds is two.
    const RECT small = DpiScale(144).Rect({1, 1, 2, 3});
    EXPECT_EQ(small.right - small.left, DpiScale(144).Pixels(1));
    EXPECT_EQ(small.bottom - small.top, DpiScale(144).Pixels(2));
    EXPECT_EQ(small.left, 2);
}

} // namespace
