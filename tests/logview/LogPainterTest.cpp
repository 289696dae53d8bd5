#include <LogPainter.h>
#include <ScopedSelect.h>
#include <UniqueAny.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>

namespace {

constexpr int kWidth = 200;
constexpr int kHeight = 80;
constexpr COLORREF kUntouched = RGB(1, 2, 3);
constexpr COLORREF kBackground = RGB(250, 240, 200);

// A 32-bit bitmap in memory to paint into and read back pixel by pixel.
class Canvas {
public:
    Canvas()
        : m_dc(::CreateCompatibleDC(nullptr))
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = kWidth;
        info.bmiHeader.biHeight = -kHeight;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        m_bitmap.reset(::CreateDIBSection(m_dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        m_bits = static_cast<const DWORD*>(bits);
        m_previous = ::SelectObject(m_dc.get(), m_bitmap.get());
        const RECT all{0, 0, kWidth, kHeight};
        const UniqueBrush fill(::CreateSolidBrush(kUntouched));
        ::FillRect(m_dc.get(), &all, fill.get());
    }
    ~Canvas() { ::SelectObject(m_dc.get(), m_previous); }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC Dc() const { return m_dc.get(); }
    COLORREF At(int x, int y) const
    {
        ::GdiFlush();
        const DWORD pixel = m_bits[y * kWidth + x];
        return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
    }
    int Count(COLORREF color, const RECT& area) const
    {
        int count = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                count += At(x, y) == color ? 1 : 0;
        return count;
    }

private:
    UniqueDc m_dc;
    UniqueBitmap m_bitmap;
    const DWORD* m_bits = nullptr;
    HGDIOBJ m_previous = nullptr;
};

class LogPainterTest : public testing::Test {
protected:
    LogPainterTest()
    {
        viewport.Fit(RECT{0, 0, kWidth, kHeight}, ViewMetrics::Measure(measurer, 96));
        text.Append(L"MMMM WWWW\r\nMMMM\r\n\r\nlast");
    }

    void Paint(const RECT& area, const Selection& shown)
    {
        LogPainter(text, measurer, viewport).Paint(canvas.Dc(), area, background.get(), RGB(0, 0, 0), shown);
    }
    int X(size_t line, size_t column) { return viewport.ClientX(measurer.XOf(line, text.Line(line), column)); }

    LogText text;
    LineMeasurer measurer;
    Viewport viewport;
    Canvas canvas;
    UniqueBrush background{::CreateSolidBrush(kBackground)};
    const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
};

TEST_F(LogPainterTest, PaintsOnlyTheAreaItIsGiven)
{
    const int height = viewport.lineHeight;
    const RECT area{0, height, kWidth, 2 * height};
    Paint(area, {});
    EXPECT_EQ(canvas.Count(kUntouched, {0, 0, kWidth, height}), kWidth * height) << "above the area";
    EXPECT_EQ(canvas.Count(kUntouched, {0, 2 * height, kWidth, kHeight}), kWidth * (kHeight - 2 * height))
        << "below the area";
    EXPECT_EQ(canvas.Count(kUntouched, area), 0);
    EXPECT_LT(canvas.Count(kBackground, area), kWidth * height) << "the line in the area was not drawn";
}

TEST_F(LogPainterTest, HighlightsTheSelectedCharactersAndNothingElse)
{
    Paint(RECT{0, 0, kWidth, kHeight}, Selection{7, 2}); // "MM WW" on the first line
    const int bottom = viewport.lineHeight - 1; // below the capitals
    EXPECT_EQ(canvas.At(X(0, 2), bottom), highlight);
    EXPECT_EQ(canvas.At(X(0, 7) - 1, bottom), highlight);
    EXPECT_EQ(canvas.At(X(0, 2) - 1, bottom), kBackground);
    EXPECT_EQ(canvas.At(X(0, 7), bottom), kBackground);
    EXPECT_EQ(canvas.Count(highlight, {0, viewport.lineHeight, kWidth, kHeight}), 0) << "on other lines";
}

TEST_F(LogPainterTest, ShowsNoSelectionWhenGivenAnEmptyOne)
{
    Paint(RECT{0, 0, kWidth, kHeight}, Selection{3, 3});
    EXPECT_EQ(canvas.Count(highlight, {0, 0, kWidth, kHeight}), 0);
}

TEST_F(LogPainterTest, SelectionAcrossLinesCoversWholeLinesBetweenItsEnds)
{
    // From "WW" on the first line to the start of the last: all of the
    // second line, nothing of the empty third.
    Paint(RECT{0, 0, kWidth, kHeight}, Selection{7, 19});
    const int height = viewport.lineHeight;
    EXPECT_EQ(canvas.At(X(1, 0), 2 * height - 1), highlight);
    EXPECT_EQ(canvas.At(X(1, 4) - 1, 2 * height - 1), highlight);
    EXPECT_EQ(canvas.At(X(1, 4), 2 * height - 1), kBackground) << "not past the line's end";
    EXPECT_EQ(canvas.Count(highlight, {0, 2 * height, kWidth, 4 * height}), 0);
}

TEST_F(LogPainterTest, KeepsTheMarginsClearWhenScrolledSideways)
{
    viewport.xOffset = X(0, 1) - viewport.text.left - 1; // the first M cut by the left edge
    Paint(RECT{0, 0, kWidth, kHeight}, Selection{0, 9});
    const int margin = viewport.text.left;
    ASSERT_GT(margin, 0);
    EXPECT_EQ(canvas.Count(kBackground, {0, 0, margin, kHeight}), margin * kHeight);
    EXPECT_EQ(canvas.At(margin, viewport.lineHeight - 1), highlight) << "the selection starts at the edge";
}

} // namespace
