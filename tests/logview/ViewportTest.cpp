#include <DpiScale.h>
#include <Viewport.h>

#include <gtest/gtest.h>

#include <climits>

namespace {

// 300 pixels wide (after the margins) and six 16-pixel lines high, with 4
// pixels to spare.
Viewport SixLines(size_t firstLine = 0, int xOffset = 0)
{
    ViewMetrics metrics;
    metrics.marginX = 2;
    metrics.lineHeight = 16;
    Viewport viewport;
    viewport.Fit(RECT{0, 0, 304, 100}, metrics);
    viewport.firstLine = firstLine;
    viewport.xOffset = xOffset;
    return viewport;
}

// The font is made for the DPI already; the margin and the caret are scaled
// by the view itself.
TEST(ViewMetrics, ScaleTheMarginAndTheCaretWithTheDpiButNotTheFontsLines)
{
    const LineMeasurer measurer;
    const ViewMetrics at96 = ViewMetrics::Measure(measurer, 96);
    const ViewMetrics at144 = ViewMetrics::Measure(measurer, 144);
    EXPECT_EQ(at96.marginX, 2);
    EXPECT_EQ(at144.marginX, 3);
    EXPECT_EQ(at144.caretWidth, DpiScale(144).Pixels(at96.caretWidth));
    EXPECT_EQ(at144.lineHeight, at96.lineHeight);
    EXPECT_EQ(at144.averageCharWidth, at96.averageCharWidth);
}

TEST(Viewport, FitsTheTextBetweenTheMarginsAndShowsAtLeastOneLine)
{
    const Viewport viewport = SixLines();
    EXPECT_EQ(viewport.text.left, 2);
    EXPECT_EQ(viewport.Width(), 300);
    EXPECT_EQ(viewport.VisibleLines(), 6u) << "whole lines only";

    ViewMetrics metrics;
    Viewport tiny;
    tiny.Fit(RECT{0, 0, 3, 5}, metrics);
    EXPECT_EQ(tiny.Width(), 0) << "narrower than its margins";
    EXPECT_EQ(tiny.VisibleLines(), 1u);
}

TEST(Viewport, ScrollsAsLittleAsShowsALine)
{
    const Viewport viewport = SixLines(10);
    EXPECT_EQ(viewport.FirstLineShowing(12), 10u) << "in view";
    EXPECT_EQ(viewport.FirstLineShowing(15), 10u) << "the last line in view";
    EXPECT_EQ(viewport.FirstLineShowing(16), 11u) << "just below: at the bottom";
    EXPECT_EQ(viewport.FirstLineShowing(3), 3u) << "above: at the top";
    EXPECT_EQ(viewport.LastFirstLine(20), 14u);
    EXPECT_EQ(viewport.LastFirstLine(4), 0u) << "fewer lines than fit";
}

TEST(Viewport, FollowsXByAThirdOfTheWidth)
{
    EXPECT_EQ(SixLines(0, 0).OffsetShowing(299), 0) << "in view";
    EXPECT_EQ(SixLines(0, 0).OffsetShowing(300), 100) << "past the right edge: a third to spare";
    EXPECT_EQ(SixLines(0, 500).OffsetShowing(450), 350) << "past the left edge";
    EXPECT_EQ(SixLines(0, 500).OffsetShowing(50), 0) << "never before the start";
}

TEST(Viewport, MapsYToLinesRoundingDownAndKeepingToTheText)
{
    const Viewport viewport = SixLines(5);
    EXPECT_EQ(viewport.LineAt(0, 100), 5u);
    EXPECT_EQ(viewport.LineAt(15, 100), 5u);
    EXPECT_EQ(viewport.LineAt(16, 100), 6u);
    EXPECT_EQ(viewport.LineAt(-1, 100), 4u) << "just above the view is the line before, not the first";
    EXPECT_EQ(viewport.LineAt(-16, 100), 4u);
    EXPECT_EQ(viewport.LineAt(-17, 100), 3u);
    EXPECT_EQ(viewport.LineAt(-1000, 100), 0u);
    EXPECT_EQ(viewport.LineAt(1000, 8), 7u);
    EXPECT_EQ(viewport.Top(7), 32);
    EXPECT_EQ(viewport.Top(3), -32);
    EXPECT_EQ(SixLines().Top(100000), SHRT_MAX) << "kept within the 16 bits messages carry";

    const auto [first, last] = viewport.LinesMeeting(20, 40, 100);
    EXPECT_EQ(first, 6u);
    EXPECT_EQ(last, 8u) << "the partly covered line below counts";
    EXPECT_EQ(viewport.LinesMeeting(0, 100, 8).second, 8u) << "not past the text";
}

TEST(Viewport, VerticalRequestsStayWithinTheText)
{
    const size_t lines = 20; // the last first line is 14
    EXPECT_EQ(SixLines(3).FirstLineFor(SB_PAGEUP, 0, lines), 0u);
    EXPECT_EQ(SixLines(10).FirstLineFor(SB_PAGEDOWN, 0, lines), 14u);
    EXPECT_EQ(SixLines(3).FirstLineFor(SB_LINEDOWN, 0, lines), 4u);
    EXPECT_EQ(SixLines(0).FirstLineFor(SB_LINEUP, 0, lines), 0u);
    EXPECT_EQ(SixLines(3).FirstLineFor(SB_BOTTOM, 0, lines), 14u);
    EXPECT_EQ(SixLines(3).FirstLineFor(SB_THUMBTRACK, 9, lines), 9u);
    EXPECT_EQ(SixLines(3).FirstLineFor(SB_THUMBPOSITION, 90, lines), 14u);
    EXPECT_FALSE(SixLines(3).FirstLineFor(SB_ENDSCROLL, 9, lines).has_value());
}

TEST(Viewport, SidewaysRequestsStopAnAverageCharacterPastTheWidestLine)
{
    const int step = 8;
    const int widest = 500; // the limit is 500 - 300 + 8
    EXPECT_EQ(SixLines(0, 0).OffsetFor(SB_RIGHT, 0, step, widest), 208);
    EXPECT_EQ(SixLines(0, 200).OffsetFor(SB_PAGERIGHT, 0, step, widest), 208);
    EXPECT_EQ(SixLines(0, 100).OffsetFor(SB_LINERIGHT, 0, step, widest), 108);
    EXPECT_EQ(SixLines(0, 4).OffsetFor(SB_LINELEFT, 0, step, widest), 0);
    EXPECT_EQ(SixLines(0, 0).OffsetFor(SB_THUMBTRACK, 20, step, widest), 100) << "a percentage of the widest line";
    EXPECT_EQ(SixLines(0, 0).OffsetFor(SB_RIGHT, 0, step, 100), 0) << "everything fits";
    EXPECT_EQ(SixLines(0, 400).OffsetFor(SB_LINERIGHT, 0, step, 100), 400)
        << "where the wide line scrolled out of view, the offset is not pulled back";
    EXPECT_FALSE(SixLines().OffsetFor(SB_ENDSCROLL, 0, step, widest).has_value());
}

TEST(Viewport, KeysAndTheScrollBarSeeTheSamePage)
{
    const Viewport viewport = SixLines(4);
    EXPECT_EQ(viewport.LinesForKey(VK_UP), -1);
    EXPECT_EQ(viewport.LinesForKey(VK_NEXT), 6);
    EXPECT_EQ(viewport.LinesForKey(VK_PRIOR), -6);
    EXPECT_FALSE(viewport.LinesForKey(VK_HOME).has_value());
    const SCROLLINFO info = viewport.ScrollInfo(20);
    EXPECT_EQ(info.nMin, 0);
    EXPECT_EQ(info.nMax, 19) << "the range is of lines, not of first lines";
    EXPECT_EQ(info.nPage, 6u);
    EXPECT_EQ(info.nPos, 4);
}

} // namespace
