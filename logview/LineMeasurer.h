#pragma once

#include <UniqueAny.h>

#include <windows.h>

#include <cstddef>
#include <string_view>
#include <unordered_map>
#include <vector>

// Lays out single, unwrapped lines of the log in one font: tab stops where
// the edit control puts them, x in pixels from the line's left end.
// Long lines remember the x of every kStride-th column, so that following the
// caret at the end of a line that keeps growing (progress printed with "\r")
// measures only what was added, not the whole line, each time.
class LineMeasurer {
public:
    LineMeasurer();

    // False if the measuring DC could not be created.
    bool IsReady() const { return static_cast<bool>(m_dc); }

    // The font is borrowed: the caller keeps it alive while it is in use.
    void SetFont(HFONT font);
    // The font in use: the one given, or the system's GUI font.
    HFONT Font() const { return m_font; }
    int LineHeight() const { return m_lineHeight; }
    // Of the Latin letters, as dialog units measure it.
    int AverageCharWidth() const { return m_averageCharWidth; }

    // x of the caret placed before column.
    int XOf(size_t lineIndex, std::wstring_view line, size_t column);
    // The caret position nearest to x.
    size_t ColumnAt(size_t lineIndex, std::wstring_view line, int x);
    // Draws columns [from, to) with the DC's current font and colours, the
    // line's column 0 at originX, skipping what lies outside [clipLeft, clipRight).
    void Draw(HDC dc, size_t lineIndex, std::wstring_view line, size_t from, size_t to, int originX, int y,
        int clipLeft, int clipRight);

    // Lines were changed or renumbered: what was remembered about them is void.
    void Forget() { m_checkpoints.clear(); }

    static constexpr size_t kStride = 1024;

private:
    // x at columns 0, kStride, 2 * kStride, ... as far as measured so far.
    std::vector<int>& Checkpoints(size_t lineIndex, std::wstring_view line);
    // Where the run starting at column ends: at a tab, at `to`, or after a
    // bounded number of characters.
    static size_t RunEnd(std::wstring_view line, size_t column, size_t to);
    int NextTabStop(int x) const;
    int RunWidth(const wchar_t* chars, size_t count) const;
    // x after columns [from, to), starting at x.
    int Advance(std::wstring_view line, size_t from, size_t to, int x) const;

    UniqueDc m_dc;
    HFONT m_font = nullptr;
    int m_lineHeight = 16;
    int m_averageCharWidth = 8;
    int m_tabWidth = 64;
    std::unordered_map<size_t, std::vector<int>> m_checkpoints;
};
