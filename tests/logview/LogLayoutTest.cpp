#include <LogLayout.h>

#include <gtest/gtest.h>

namespace {

class LogLayoutTest : public testing::Test {
protected:
    LogLayoutTest() { viewport.Fit(RECT{0, 0, 400, 200}, ViewMetrics::Measure(measurer, 96)); }

    LogLayout Layout() { return LogLayout(text, measurer, viewport); }

    LogText text;
    LineMeasurer measurer;
    Viewport viewport;
};

TEST_F(LogLayoutTest, UpAndDownKeepTheColumnAndStopAtTheEnds)
{
    // "abcdef" 0-5, break, "ab" 8-9, break, "abcdef" 12-17.
    text.Append(L"abcdef\r\nab\r\nabcdef");
    const int x = Layout().XOf(5);
    EXPECT_EQ(Layout().PositionLinesAway(5, 1, x), 10u) << "the end of a shorter line";
    EXPECT_EQ(Layout().PositionLinesAway(5, 2, x), 17u) << "the same column two lines down";
    EXPECT_EQ(Layout().PositionLinesAway(5, 100, x), 17u);
    EXPECT_EQ(Layout().PositionLinesAway(17, -3, x), 5u);
    EXPECT_EQ(Layout().PositionLinesAway(9, -1, 0), 0u);
}

TEST_F(LogLayoutTest, WidestLineInViewCountsThePartlyShownLineBelowOnly)
{
    const size_t visible = viewport.VisibleLines();
    text.Append(std::wstring(80, L'W') + L"\r\n"); // scrolled out above
    for (size_t line = 0; line < visible; ++line)
        text.Append(L"i\r\n");
    text.Append(std::wstring(40, L'W') + L"\r\n"); // partly shown below
    text.Append(std::wstring(60, L'W')); // out of view below
    viewport.firstLine = 1;
    const std::wstring_view partly = text.Line(visible + 1);
    EXPECT_EQ(Layout().WidestVisibleLine(), measurer.XOf(visible + 1, partly, partly.size()));
}

} // namespace
