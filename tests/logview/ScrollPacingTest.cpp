#include <IntervalPacer.h>
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

TEST(IntervalPacer, RedrawsAtOnceThenAtMostOnceAnInterval)
{
    IntervalPacer pacer(100);
    EXPECT_FALSE(pacer.Next(5000).fire) << "nothing changed";
    pacer.Changed();
    EXPECT_TRUE(pacer.Next(5000).fire);
    EXPECT_FALSE(pacer.Next(5010).fire) << "drawn";

    pacer.Changed();
    const IntervalPacer::Step waiting = pacer.Next(5040);
    EXPECT_FALSE(waiting.fire);
    EXPECT_EQ(waiting.wait, 60u) << "the rest of the interval";
    pacer.Changed();
    EXPECT_EQ(pacer.Next(5050).wait, 0u) << "the timer already runs";
    pacer.TimerEnded();
    EXPECT_TRUE(pacer.Next(5100).fire);
}

TEST(IntervalPacer, AsksForATimerAgainIfNoneCouldBeStarted)
{
    IntervalPacer pacer(100);
    pacer.Changed();
    pacer.Next(5000);
    pacer.Changed();
    EXPECT_EQ(pacer.Next(5020).wait, 80u);
    pacer.TimerEnded();
    EXPECT_EQ(pacer.Next(5030).wait, 70u);
}

TEST(IntervalPacer, CountsTheIntervalAcrossTheTickCountWrapping)
{
    IntervalPacer pacer(100);
    pacer.Changed();
    EXPECT_TRUE(pacer.Next(0xFFFFFFF0).fire);
    pacer.Changed();
    EXPECT_EQ(pacer.Next(0x10).wait, 68u);
}

// What screen readers are told while the log streams: four times a second at
// most, and the last change of a burst is never left untold.
TEST(IntervalPacer, ABurstFiresAtOnceThenOnceMoreWhenTheTimerEnds)
{
    IntervalPacer pacer(250);
    int fired = 0;
    int timers = 0;
    for (DWORD now = 1000; now < 1240; now += 10) {
        pacer.Changed();
        const IntervalPacer::Step step = pacer.Next(now);
        fired += step.fire ? 1 : 0;
        timers += step.wait != 0 ? 1 : 0;
    }
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(timers, 1);
    pacer.TimerEnded();
    EXPECT_TRUE(pacer.Next(1250).fire) << "the changes after the first";
    pacer.TimerEnded();
    EXPECT_FALSE(pacer.Next(1600).fire) << "nothing changed since";
}

} // namespace
