#pragma once

#include "GdiOwners.h"
#include "LineMeasurer.h"
#include "LogText.h"

#include <windows.h>

#include <cstddef>

// The log pane: a read-only, multi-line text view that answers the edit
// control's messages (EM_SETSEL, EM_REPLACESEL, WM_GETTEXT, EM_GETLINE, ...)
// with the edit control's meaning, but keeps its text as lines so that
// appending at the end costs the same however long the log already is.
// Usable from a dialog template as the custom control class kClassName.
class LogView {
public:
    static constexpr const wchar_t* kClassName = L"TarrowLogView";

    // Registers the window class for this module; true if it is (or already
    // was) registered.
    static bool Register(HINSTANCE instance);

    LogView(const LogView&) = delete;
    LogView& operator=(const LogView&) = delete;

private:
    explicit LogView(HWND hwnd);

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // Text and selection.
    LRESULT OnGetText(size_t capacity, wchar_t* buffer) const;
    LRESULT OnGetLine(WPARAM lineIndex, wchar_t* buffer) const;
    LRESULT OnLineLength(int position) const;
    LRESULT OnLineIndex(int line) const;
    LRESULT OnLineFromChar(int position) const;
    LRESULT OnScroll(WPARAM request);
    void OnSetText(const wchar_t* text);
    void ReplaceSelection(const wchar_t* text);
    void SetSelection(size_t anchor, size_t caret);
    size_t SelectionStart() const;
    size_t SelectionEnd() const;
    bool HasSelection() const { return m_anchor != m_caret; }
    void CopySelection() const;
    void NotifyParent(WORD code) const;

    // Scrolling and the caret.
    RECT TextRect() const;
    size_t VisibleLines() const;
    size_t LastFirstLine() const;
    void ScrollToLine(size_t line);
    void ScrollLines(long delta);
    void ScrollHorizontally(int offset);
    void ScrollCaretIntoView();
    // Brings horizontal scrolling and the caret's place up to date; put off
    // until needed so that a burst of appends measures the last line once.
    void Settle();
    // Redrawing the scroll bar costs milliseconds under Wine, so the new
    // range is stored at once and shown by a paint, at most every
    // kScrollBarInterval while the log streams in.
    void UpdateScrollBar();
    void RedrawStaleScrollBar();
    int WidestVisibleLine();
    void CaretXY(size_t position, int& x, int& y);

    // Input.
    size_t PositionAt(POINT point);
    void OnKeyDown(WPARAM key);
    void MoveCaret(size_t position, bool extend);
    size_t CharLeft(size_t position) const;
    size_t CharRight(size_t position) const;
    size_t WordLeft(size_t position) const;
    size_t WordRight(size_t position) const;
    void SelectWordAt(size_t position);
    void OnButtonDown(POINT point, bool extend);
    void OnDrag(POINT point);
    void StopDragging();
    // False if the point is outside the text (on the scroll bar).
    bool OnContextMenu(LPARAM screenPoint);
    void OnMouseWheel(int delta);
    void OnVScroll(WORD request);
    void OnHScroll(WORD request, WORD thumb);
    void OnSetFont(HFONT font, bool redraw);
    void OnSetFocus();
    void OnKillFocus();

    // Painting.
    // One InvalidateRect per repaint, however many appends come before it.
    void Invalidate();
    void OnPaint();
    // The off-screen bitmap paints go through, kept between paints because
    // creating one costs more than the painting itself.
    HDC BackBuffer(HDC screen, int width, int height);
    void PaintContent(HDC dc, const RECT& area);
    HBRUSH BackgroundBrush(HDC dc) const;

    HWND m_hwnd;
    LogText m_text;
    LineMeasurer m_measurer;
    HFONT m_font = nullptr; // as given by WM_SETFONT; borrowed

    size_t m_anchor = 0;
    size_t m_caret = 0;
    size_t m_firstLine = 0;
    int m_xOffset = 0;
    int m_preferredX = -1; // kept while moving up and down; -1 when unset

    MemoryDcOwner m_backDc;
    BitmapOwner m_backBitmap;
    SIZE m_backSize{};

    bool m_followCaret = false;
    bool m_scrollBarStale = false;
    bool m_scrollBarTimer = false;
    DWORD m_scrollBarDrawn = 0; // GetTickCount() of the last redraw
    bool m_caretMoved = false;
    bool m_focused = false;
    bool m_hasCaret = false;
    bool m_invalidated = false;
    bool m_dragging = false;
    bool m_modified = false;
    int m_wheelRemainder = 0;
};
