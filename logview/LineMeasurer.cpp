#include "LineMeasurer.h"

#include "ScopedSelect.h"

#include <algorithm>

namespace {

// Characters measured or drawn in one call: enough for any screen width,
// small enough that a 1 MB line is never handed to GDI whole.
constexpr size_t kRunLength = 256;
// Long lines whose checkpoints are kept; the visible ones plus the caret's.
constexpr size_t kRememberedLines = 128;

bool IsLowSurrogate(wchar_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

} // namespace

LineMeasurer::LineMeasurer()
    : m_dc(::CreateCompatibleDC(nullptr))
{
    SetFont(nullptr);
}

void LineMeasurer::SetFont(HFONT font)
{
    m_font = font != nullptr ? font : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    m_checkpoints.clear();
    if (!m_dc)
        return;
    ScopedSelect select(m_dc.get(), m_font);
    TEXTMETRICW metrics{};
    if (::GetTextMetricsW(m_dc.get(), &metrics)) {
        m_lineHeight = std::max<int>(1, metrics.tmHeight);
        m_averageCharWidth = std::max<int>(1, metrics.tmAveCharWidth);
    }
    // Tab stops as the edit control sets them by default: every 32 dialog
    // units, which are quarters of the average width of the Latin letters
    // (for CJK fonts narrower than tmAveCharWidth).
    static constexpr wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE letters{};
    if (::GetTextExtentPoint32W(m_dc.get(), kLetters, 52, &letters) && letters.cx > 0)
        m_averageCharWidth = std::max<int>(1, (letters.cx / 26 + 1) / 2);
    m_tabWidth = 8 * m_averageCharWidth;
}

int LineMeasurer::NextTabStop(int x) const
{
    return (x / m_tabWidth + 1) * m_tabWidth;
}

size_t LineMeasurer::RunEnd(std::wstring_view line, size_t column, size_t to)
{
    const size_t limit = std::min(to, column + kRunLength);
    size_t end = column;
    while (end < limit && line[end] != L'\t')
        ++end;
    // Keep a surrogate pair in one run.
    if (end < to && end > column && IsLowSurrogate(line[end]))
        ++end;
    return end;
}

int LineMeasurer::RunWidth(const wchar_t* chars, size_t count) const
{
    SIZE size{};
    if (count == 0 || !::GetTextExtentPoint32W(m_dc.get(), chars, static_cast<int>(count), &size))
        return 0;
    return size.cx;
}

int LineMeasurer::Advance(std::wstring_view line, size_t from, size_t to, int x) const
{
    while (from < to) {
        if (line[from] == L'\t') {
            x = NextTabStop(x);
            ++from;
            continue;
        }
        const size_t end = RunEnd(line, from, to);
        x += RunWidth(line.data() + from, end - from);
        from = end;
    }
    return x;
}

std::vector<int>& LineMeasurer::Checkpoints(size_t lineIndex, std::wstring_view line)
{
    if (m_checkpoints.size() >= kRememberedLines && m_checkpoints.count(lineIndex) == 0)
        m_checkpoints.clear();
    std::vector<int>& points = m_checkpoints[lineIndex];
    if (points.empty())
        points.push_back(0);
    // The last line of the log may have lost a trailing "\r" to a line break
    // since it was measured; checkpoints past its end no longer exist.
    points.resize(std::min(points.size(), line.size() / kStride + 1));
    return points;
}

int LineMeasurer::XOf(size_t lineIndex, std::wstring_view line, size_t column)
{
    column = std::min(column, line.size());
    if (!m_dc || column == 0)
        return 0;
    ScopedSelect select(m_dc.get(), m_font);
    if (column < kStride)
        return Advance(line, 0, column, 0);
    std::vector<int>& points = Checkpoints(lineIndex, line);
    const size_t wanted = column / kStride;
    while (points.size() <= wanted) {
        const size_t from = (points.size() - 1) * kStride;
        points.push_back(Advance(line, from, from + kStride, points.back()));
    }
    return Advance(line, wanted * kStride, column, points[wanted]);
}

size_t LineMeasurer::ColumnAt(size_t lineIndex, std::wstring_view line, int x)
{
    if (!m_dc || x <= 0 || line.empty())
        return 0;
    ScopedSelect select(m_dc.get(), m_font);
    size_t column = 0;
    int left = 0;
    if (line.size() >= kStride) {
        std::vector<int>& points = Checkpoints(lineIndex, line);
        while (points.back() <= x && points.size() * kStride <= line.size()) {
            const size_t from = (points.size() - 1) * kStride;
            points.push_back(Advance(line, from, from + kStride, points.back()));
        }
        const size_t index
            = static_cast<size_t>(std::upper_bound(points.begin(), points.end(), x) - points.begin()) - 1;
        column = index * kStride;
        left = points[index];
    }
    std::vector<int> extents;
    while (column < line.size()) {
        if (line[column] == L'\t') {
            const int right = NextTabStop(left);
            if (right > x)
                return x - left < right - x ? column : column + 1;
            left = right;
            ++column;
            continue;
        }
        const size_t end = RunEnd(line, column, line.size());
        const int count = static_cast<int>(end - column);
        extents.resize(static_cast<size_t>(count));
        SIZE size{};
        if (!::GetTextExtentExPointW(m_dc.get(), line.data() + column, count, 0, nullptr, extents.data(), &size))
            return column;
        if (left + size.cx > x) {
            int previous = left;
            for (int i = 0; i < count; ++i) {
                const int right = left + extents[static_cast<size_t>(i)];
                if (right > x)
                    return column + static_cast<size_t>(x - previous < right - x ? i : i + 1);
                previous = right;
            }
        }
        left += size.cx;
        column = end;
    }
    return line.size();
}

void LineMeasurer::Draw(HDC dc, size_t lineIndex, std::wstring_view line, size_t from, size_t to, int originX, int y,
    int clipLeft, int clipRight)
{
    to = std::min(to, line.size());
    if (!m_dc || from >= to)
        return;
    if (line.size() >= kStride && clipLeft > originX) {
        // Start near the left edge instead of walking a long line from its
        // beginning; one column back covers a character cut by the edge.
        const size_t first = ColumnAt(lineIndex, line, clipLeft - originX);
        from = std::max(from, first > 0 ? first - 1 : 0);
        if (from >= to)
            return;
    }
    int x = originX + XOf(lineIndex, line, from);
    ScopedSelect select(m_dc.get(), m_font);
    while (from < to && x < clipRight) {
        if (line[from] == L'\t') {
            x = originX + NextTabStop(x - originX);
            ++from;
            continue;
        }
        const size_t end = RunEnd(line, from, to);
        const int width = RunWidth(line.data() + from, end - from);
        if (x + width > clipLeft)
            ::ExtTextOutW(dc, x, y, 0, nullptr, line.data() + from, static_cast<UINT>(end - from), nullptr);
        x += width;
        from = end;
    }
}
