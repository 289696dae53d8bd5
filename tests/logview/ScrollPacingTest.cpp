#include <ScrollBarPacer.h>
#include <WheelAccumulator.h>

#include <gtest/gtest.h>

namespace {

TEST(WheelAccumulator, ANotchScrollsTheSystemsLinesTowardsTheUser)
{
    WheelAccumulator wheel;
    EXPECT_EQ(wheel.Lines(-WHEEL_DELTA, 3, 10), 3);
    EXPECT_EQ(wheel.Lines(WHEEL_DELTA, 3, 10), -3);
    EXPECT_EQ(wheel.Lines(-2 * WHEEL_DELTA, WHEEL_PAGESCROLL, 10), 20) << "a page a notch";
}

TEST(WheelAccumulator, SmallDeltasAddUpUntilTheWheelTurnsBack)
{
    WheelAccumulator wheel;
    EXPECT_EQ(wheel.Lines(-40, 1, 10), 0);
    EXPECT_EQ(wheel.Lines(-40, 1, 10), 0);
    EXPECT_EQ(wheel.Lines(-40, 1, 10), 1);
    EXPECT_EQ(wheel.Lines(-80, 1, 10), 0);
    EXPECT_EQ(wheel.Lines(WHEEL_DELTA, 1, 10), -1) << "what was kept from the other way is dropped";
    EXPECT_EQ(wheel.Lines(-WHEEL_DELTA, 0, 10), 0) << "the wheel scrolls nothing";
    EXPECT_EQ(wheel.Lines(-WHEEL_DELTA, 1, 10), 1) << "and nothing of that is kept";
}

TEST(ScrollBarPacer, RedrawsAtOnceThenAtMostOnceAnInterval)
{
    ScrollBarPacer pacer(100);
    EXPECT_FALSE(pacer.AtPaint(5000).redraw) << "nothing changed";
    pacer.Changed();
    EXPECT_TRUE(pacer.AtPaint(5000).redraw);
    EXPECT_FALSE(pacer.AtPaint(5010).redraw) << "drawn";

    pacer.Changed();
    const ScrollBarPacer::Step waiting = pacer.AtPaint(5040);
    EXPECT_FALSE(waiting.redraw);
    EXPECT_EQ(waiting.wait, 60u) << "the rest of the interval";
    pacer.Changed();
    EXPECT_EQ(pacer.AtPaint(5050).wait, 0u) << "the timer already runs";
    pacer.TimerEnded();
    EXPECT_TRUE(pacer.AtPaint(5100).redraw);
}

TEST(ScrollBarPacer, AsksForATimerAgainIfNoneCouldBeStarted)
{
    ScrollBarPacer pacer(100);
    pacer.Changed();
    pacer.AtPaint(5000);
    pacer.Changed();
    EXPECT_EQ(pacer.AtPaint(5020).wait, 80u);
    pacer.TimerEnded();
    EXPECT_EQ(pacer.AtPaint(5030).wait, 70u);
}

TEST(ScrollBarPacer, CountsTheIntervalAcrossTheTickCountWrapping)
{
    ScrollBarPacer pacer(100);
    pacer.Changed();
    EXPECT_TRUE(pacer.AtPaint(0xFFFFFFF0).redraw);
    pacer.Changed();
    EXPECT_EQ(pacer.AtPaint(0x10).wait, 68u);
}

} // namespace
