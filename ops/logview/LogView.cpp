#include "LogView.h"

#include "GdiOwners.h"
#include "ScopedSelect.h"

#include <windowsx.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace {

// Room between the border and the text, as the edit control leaves it.
constexpr int kMarginX = 2;
constexpr UINT_PTR kDragTimer = 1;
constexpr UINT_PTR kScrollBarTimer = 2;
constexpr DWORD kScrollBarInterval = 100;
// How often a selection drag held outside the window scrolls on.
constexpr UINT kDragInterval = 50;
constexpr UINT kCommandCopy = 1;
constexpr UINT kCommandSelectAll = 2;
// There is no limit; this is what the edit control reports for "none".
constexpr LRESULT kNoTextLimit = 0x7FFFFFFE;

// The edit control reads positions as unsigned, so -1 and every other
// out-of-range value mean the end of the text.
size_t ClampPosition(LPARAM value, size_t length)
{
    return std::min<size_t>(static_cast<UINT>(value), length);
}

enum class CharClass { Space, Word, Punctuation };

CharClass Classify(wchar_t c)
{
    if (c == L' ' || c == L'\t' || c == 0x3000)
        return CharClass::Space;
    if ((c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || c == L'_' || c >= 0x80)
        return CharClass::Word;
    return CharClass::Punctuation;
}

bool IsHighSurrogate(wchar_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(wchar_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

long long FloorDivide(long long value, long long divisor)
{
    const long long quotient = value / divisor;
    return (value % divisor != 0 && value < 0) ? quotient - 1 : quotient;
}

} // namespace

bool LogView::Register(HINSTANCE instance)
{
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (::GetClassInfoExW(instance, kClassName, &existing))
        return true;

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_IBEAM);
    // No background brush: WM_PAINT fills with what the parent chooses.
    windowClass.lpszClassName = kClassName;
    return ::RegisterClassExW(&windowClass) != 0;
}

LogView::LogView(HWND hwnd)
    : m_hwnd(hwnd)
{
}

LRESULT CALLBACK LogView::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* view = reinterpret_cast<LogView*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    try {
        if (message == WM_NCCREATE) {
            std::unique_ptr<LogView> created(new LogView(hwnd));
            if (!created->m_measurer.IsReady())
                return FALSE;
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            if (create->lpszName != nullptr && !IS_INTRESOURCE(create->lpszName))
                created->m_text.Assign(create->lpszName);
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created.release()));
            return ::DefWindowProcW(hwnd, message, wParam, lParam);
        }
        if (view == nullptr)
            return ::DefWindowProcW(hwnd, message, wParam, lParam);
        if (message == WM_NCDESTROY) {
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            delete view;
            return ::DefWindowProcW(hwnd, message, wParam, lParam);
        }
        return view->OnMessage(message, wParam, lParam);
    } catch (const std::bad_alloc&) {
        // Out of memory for a very long log: refuse this one message, as the
        // edit control does, and say so.
        if (view != nullptr)
            view->NotifyParent(EN_ERRSPACE);
        return message == WM_NCCREATE ? FALSE : 0;
    }
}

LRESULT LogView::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        UpdateScrollBar();
        return 0;

    case WM_GETTEXT:
        return OnGetText(wParam, reinterpret_cast<wchar_t*>(lParam));
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(m_text.Length());
    case WM_SETTEXT:
        OnSetText(reinterpret_cast<const wchar_t*>(lParam));
        return TRUE;
    case WM_SETFONT:
        OnSetFont(reinterpret_cast<HFONT>(wParam), LOWORD(lParam) != 0);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(m_measurer.Font());

    case EM_GETSEL: {
        const size_t start = SelectionStart();
        const size_t end = SelectionEnd();
        if (wParam != 0)
            *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(start);
        if (lParam != 0)
            *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(end);
        return start > 0xFFFF || end > 0xFFFF ? -1 : MAKELRESULT(start, end);
    }
    case EM_SETSEL:
        if (static_cast<int>(wParam) == -1)
            SetSelection(m_caret, m_caret);
        else
            SetSelection(
                ClampPosition(static_cast<LPARAM>(wParam), m_text.Length()), ClampPosition(lParam, m_text.Length()));
        return 0;
    case EM_REPLACESEL:
        ReplaceSelection(reinterpret_cast<const wchar_t*>(lParam));
        return 0;
    case EM_SCROLLCARET:
        ScrollCaretIntoView();
        return TRUE;
    case EM_GETLINECOUNT:
        return static_cast<LRESULT>(m_text.LineCount());
    case EM_GETLINE:
        return OnGetLine(wParam, reinterpret_cast<wchar_t*>(lParam));
    case EM_LINEINDEX:
        return OnLineIndex(static_cast<int>(wParam));
    case EM_LINELENGTH:
        return OnLineLength(static_cast<int>(wParam));
    case EM_LINEFROMCHAR:
        return OnLineFromChar(static_cast<int>(wParam));
    case EM_GETFIRSTVISIBLELINE:
        return static_cast<LRESULT>(m_firstLine);
    case EM_LINESCROLL:
        ScrollLines(static_cast<long>(lParam));
        ScrollHorizontally(m_xOffset + static_cast<int>(wParam) * m_measurer.AverageCharWidth());
        return TRUE;
    case EM_SCROLL:
        return OnScroll(wParam);
    case EM_POSFROMCHAR: {
        // Like the edit control: only positions of characters, not the end.
        if (static_cast<UINT>(wParam) >= m_text.Length())
            return -1;
        Settle();
        int x = 0;
        int y = 0;
        CaretXY(static_cast<UINT>(wParam), x, y);
        return MAKELRESULT(static_cast<WORD>(TextRect().left + x - m_xOffset), static_cast<WORD>(y));
    }
    case EM_CHARFROMPOS: {
        Settle();
        const size_t position = PositionAt({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return MAKELRESULT(static_cast<WORD>(position), static_cast<WORD>(m_text.LineFromChar(position)));
    }
    case EM_SETREADONLY: {
        const LONG_PTR style = ::GetWindowLongPtrW(m_hwnd, GWL_STYLE);
        ::SetWindowLongPtrW(m_hwnd, GWL_STYLE, wParam != 0 ? (style | ES_READONLY) : (style & ~LONG_PTR(ES_READONLY)));
        Invalidate();
        return TRUE;
    }
    case EM_SETLIMITTEXT:
        return 0;
    case EM_GETLIMITTEXT:
        return kNoTextLimit;
    case EM_GETMODIFY:
        return m_modified ? TRUE : FALSE;
    case EM_SETMODIFY:
        m_modified = wParam != 0;
        return 0;
    case EM_CANUNDO:
    case EM_UNDO:
    case WM_UNDO:
        return FALSE;
    case EM_EMPTYUNDOBUFFER:
    case WM_CUT:
    case WM_PASTE:
    case WM_CLEAR:
        return 0;
    case WM_COPY:
        CopySelection();
        return 0;

    case WM_GETDLGCODE:
        // Esc, Tab and Enter are left to the dialog manager: Esc cancels the
        // dialog (ends the program), Tab moves the focus on, Enter presses
        // the default button.
        return DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_HASSETSEL;
    case WM_KEYDOWN:
        OnKeyDown(wParam);
        return 0;
    case WM_CHAR:
        return 0;
    case WM_LBUTTONDOWN:
        OnButtonDown({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, (wParam & MK_SHIFT) != 0);
        return 0;
    case WM_LBUTTONDBLCLK:
        Settle();
        SelectWordAt(PositionAt({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}));
        return 0;
    case WM_MOUSEMOVE:
        if (m_dragging)
            OnDrag({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case WM_TIMER:
        if (wParam == kScrollBarTimer) {
            ::KillTimer(m_hwnd, kScrollBarTimer);
            m_scrollBarTimer = false;
            Invalidate();
        } else if (wParam == kDragTimer && m_dragging) {
            POINT cursor{};
            if (::GetCursorPos(&cursor) && ::ScreenToClient(m_hwnd, &cursor))
                OnDrag(cursor);
        }
        return 0;
    case WM_LBUTTONUP:
        StopDragging();
        return 0;
    case WM_CAPTURECHANGED:
        if (m_dragging) {
            m_dragging = false;
            ::KillTimer(m_hwnd, kDragTimer);
        }
        return 0;
    case WM_CONTEXTMENU:
        if (OnContextMenu(lParam))
            return 0;
        break;
    case WM_MOUSEWHEEL:
        OnMouseWheel(GET_WHEEL_DELTA_WPARAM(wParam));
        return 0;
    case WM_VSCROLL:
        OnVScroll(LOWORD(wParam));
        return 0;
    case WM_HSCROLL:
        OnHScroll(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_SETFOCUS:
        OnSetFocus();
        return 0;
    case WM_KILLFOCUS:
        OnKillFocus();
        return 0;

    case WM_SIZE:
        ScrollToLine(m_firstLine);
        UpdateScrollBar();
        m_caretMoved = true;
        Invalidate();
        return 0;
    case WM_ENABLE:
    case WM_STYLECHANGED:
        Invalidate();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_PRINTCLIENT: {
        RECT client{};
        ::GetClientRect(m_hwnd, &client);
        PaintContent(reinterpret_cast<HDC>(wParam), client);
        return 0;
    }
    default:
        break;
    }
    return ::DefWindowProcW(m_hwnd, message, wParam, lParam);
}

// ---------------------------------------------------------------------------
// Text and selection

LRESULT LogView::OnGetText(size_t capacity, wchar_t* buffer) const
{
    if (capacity == 0 || buffer == nullptr)
        return 0;
    const size_t copied = m_text.Copy(0, capacity - 1, buffer);
    buffer[copied] = L'\0';
    return static_cast<LRESULT>(copied);
}

LRESULT LogView::OnGetLine(WPARAM lineIndex, wchar_t* buffer) const
{
    // The buffer's first WORD holds its size; what is copied has no
    // terminating zero. Line -1 is the caret's, as for EM_LINEINDEX.
    if (buffer == nullptr)
        return 0;
    const int requested = static_cast<int>(lineIndex);
    if (requested == -1)
        lineIndex = m_text.LineFromChar(m_caret);
    else if (requested < 0)
        lineIndex = 0;
    else if (lineIndex >= m_text.LineCount())
        return 0;
    WORD capacity = 0;
    std::memcpy(&capacity, buffer, sizeof capacity);
    const std::wstring_view line = m_text.Line(lineIndex);
    const size_t count = std::min<size_t>(capacity, line.size());
    std::copy(line.data(), line.data() + count, buffer);
    return static_cast<LRESULT>(count);
}

LRESULT LogView::OnLineIndex(int line) const
{
    if (line == -1)
        return static_cast<LRESULT>(m_text.LineStart(m_text.LineFromChar(m_caret)));
    if (line < 0)
        return 0;
    if (static_cast<size_t>(line) >= m_text.LineCount())
        return -1;
    return static_cast<LRESULT>(m_text.LineStart(static_cast<size_t>(line)));
}

LRESULT LogView::OnLineLength(int position) const
{
    if (position == -1) {
        // The unselected characters of the lines the selection touches.
        const size_t start = SelectionStart();
        const size_t end = SelectionEnd();
        const size_t startLine = m_text.LineFromChar(start);
        const size_t endLine = m_text.LineFromChar(end);
        const size_t before = std::min(start - m_text.LineStart(startLine), m_text.LineLength(startLine));
        const size_t endLineEnd = m_text.LineStart(endLine) + m_text.LineLength(endLine);
        return static_cast<LRESULT>(before + (endLineEnd > end ? endLineEnd - end : 0));
    }
    const size_t clamped = position < 0 ? 0 : std::min<size_t>(static_cast<size_t>(position), m_text.Length());
    return static_cast<LRESULT>(m_text.LineLength(m_text.LineFromChar(clamped)));
}

LRESULT LogView::OnLineFromChar(int position) const
{
    if (position == -1)
        return static_cast<LRESULT>(m_text.LineFromChar(SelectionStart()));
    if (position < 0)
        return 0;
    return static_cast<LRESULT>(m_text.LineFromChar(static_cast<size_t>(position)));
}

void LogView::OnSetText(const wchar_t* text)
{
    m_text.Assign(text != nullptr ? text : L"");
    m_measurer.Forget();
    m_anchor = m_caret = 0;
    m_firstLine = 0;
    m_xOffset = 0;
    m_preferredX = -1;
    m_modified = false;
    m_followCaret = false;
    m_caretMoved = true;
    UpdateScrollBar();
    Invalidate();
}

void LogView::ReplaceSelection(const wchar_t* text)
{
    const std::wstring_view inserted(text != nullptr ? text : L"");
    const size_t start = SelectionStart();
    const size_t end = SelectionEnd();
    const bool atEnd = start == m_text.Length();
    const size_t lineCount = m_text.LineCount();

    m_text.Replace(start, end, inserted);
    if (!atEnd) {
        // Lines after the change were rewritten or renumbered.
        m_measurer.Forget();
        m_firstLine = std::min(m_firstLine, LastFirstLine());
    }
    m_anchor = m_caret = start + inserted.size();
    m_preferredX = -1;
    m_modified = true;

    const size_t firstLine = m_firstLine;
    ScrollCaretIntoView();
    if (m_firstLine == firstLine && m_text.LineCount() != lineCount)
        UpdateScrollBar();
    Invalidate();
    NotifyParent(EN_UPDATE);
    NotifyParent(EN_CHANGE);
}

void LogView::SetSelection(size_t anchor, size_t caret)
{
    if (anchor == m_anchor && caret == m_caret)
        return;
    m_anchor = anchor;
    m_caret = caret;
    m_preferredX = -1;
    m_caretMoved = true;
    Invalidate();
}

size_t LogView::SelectionStart() const
{
    return std::min(m_anchor, m_caret);
}

size_t LogView::SelectionEnd() const
{
    return std::max(m_anchor, m_caret);
}

void LogView::CopySelection() const
{
    if (!HasSelection())
        return;
    const size_t start = SelectionStart();
    const size_t end = SelectionEnd();
    GlobalMemoryOwner memory(::GlobalAlloc(GMEM_MOVEABLE, (end - start + 1) * sizeof(wchar_t)));
    if (!memory)
        return;
    auto* chars = static_cast<wchar_t*>(::GlobalLock(memory.get()));
    if (chars == nullptr)
        return;
    chars[m_text.Copy(start, end, chars)] = L'\0';
    ::GlobalUnlock(memory.get());

    // Another program may hold the clipboard for a moment.
    bool open = false;
    for (int attempt = 0; attempt < 5 && !open; ++attempt) {
        open = ::OpenClipboard(m_hwnd) != FALSE;
        if (!open)
            ::Sleep(20);
    }
    if (!open)
        return;
    ::EmptyClipboard();
    if (::SetClipboardData(CF_UNICODETEXT, memory.get()) != nullptr)
        memory.release(); // the clipboard owns it now
    ::CloseClipboard();
}

void LogView::NotifyParent(WORD code) const
{
    const HWND parent = ::GetParent(m_hwnd);
    if (parent != nullptr)
        ::SendMessageW(parent, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(m_hwnd), code), reinterpret_cast<LPARAM>(m_hwnd));
}

// ---------------------------------------------------------------------------
// Scrolling and the caret

RECT LogView::TextRect() const
{
    RECT rect{};
    ::GetClientRect(m_hwnd, &rect);
    rect.left += kMarginX;
    rect.right = std::max(rect.left, rect.right - kMarginX);
    return rect;
}

size_t LogView::VisibleLines() const
{
    const RECT rect = TextRect();
    return static_cast<size_t>(std::max(1L, (rect.bottom - rect.top) / m_measurer.LineHeight()));
}

size_t LogView::LastFirstLine() const
{
    const size_t lines = m_text.LineCount();
    const size_t visible = VisibleLines();
    return lines > visible ? lines - visible : 0;
}

void LogView::ScrollToLine(size_t line)
{
    line = std::min(line, LastFirstLine());
    if (line == m_firstLine)
        return;
    m_firstLine = line;
    m_caretMoved = true;
    UpdateScrollBar();
    Invalidate();
}

void LogView::ScrollLines(long delta)
{
    const long long target = static_cast<long long>(m_firstLine) + delta;
    ScrollToLine(target < 0 ? 0 : static_cast<size_t>(target));
}

void LogView::ScrollHorizontally(int offset)
{
    const RECT rect = TextRect();
    const int width = static_cast<int>(rect.right - rect.left);
    const int limit = std::max({0, WidestVisibleLine() - width + m_measurer.AverageCharWidth(), m_xOffset});
    offset = std::clamp(offset, 0, limit);
    if (offset == m_xOffset)
        return;
    m_xOffset = offset;
    m_caretMoved = true;
    Invalidate();
}

void LogView::ScrollCaretIntoView()
{
    // Vertically at once (EM_GETFIRSTVISIBLELINE answers right after);
    // horizontally at the next paint, which measures the caret's line.
    const size_t line = m_text.LineFromChar(m_caret);
    const size_t visible = VisibleLines();
    size_t first = m_firstLine;
    if (line < first)
        first = line;
    else if (line >= first + visible)
        first = line - visible + 1;
    m_followCaret = true;
    m_caretMoved = true;
    if (first != m_firstLine) {
        m_firstLine = first;
        UpdateScrollBar();
    }
    Invalidate();
}

void LogView::Settle()
{
    if (!m_followCaret && !m_caretMoved)
        return;
    int x = 0;
    int y = 0;
    CaretXY(m_caret, x, y);
    const RECT rect = TextRect();
    if (m_followCaret) {
        m_followCaret = false;
        const int width = rect.right - rect.left;
        int offset = m_xOffset;
        // Jump by a third of the width, so that a line growing by a few
        // characters per append does not scroll, and repaint, every time.
        if (x < offset)
            offset = std::max(0, x - width / 3);
        else if (x >= offset + width)
            offset = x - width + width / 3;
        if (offset != m_xOffset) {
            m_xOffset = offset;
            Invalidate();
        }
    }
    if (m_hasCaret)
        ::SetCaretPos(rect.left + x - m_xOffset, y);
    m_caretMoved = false;
}

void LogView::UpdateScrollBar()
{
    if ((::GetWindowLongPtrW(m_hwnd, GWL_STYLE) & WS_VSCROLL) == 0)
        return;
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    info.nMin = 0;
    info.nMax = static_cast<int>(std::min<size_t>(m_text.LineCount() - 1, INT_MAX));
    info.nPage = static_cast<UINT>(VisibleLines());
    info.nPos = static_cast<int>(std::min<size_t>(m_firstLine, INT_MAX));
    ::SetScrollInfo(m_hwnd, SB_VERT, &info, FALSE);
    m_scrollBarStale = true;
    Invalidate();
}

int LogView::WidestVisibleLine()
{
    const size_t end = std::min(m_text.LineCount(), m_firstLine + VisibleLines() + 1);
    int widest = 0;
    for (size_t line = m_firstLine; line < end; ++line) {
        const std::wstring_view text = m_text.Line(line);
        widest = std::max(widest, m_measurer.XOf(line, text, text.size()));
    }
    return widest;
}

void LogView::CaretXY(size_t position, int& x, int& y)
{
    const size_t line = m_text.LineFromChar(position);
    const std::wstring_view text = m_text.Line(line);
    x = m_measurer.XOf(line, text, position - m_text.LineStart(line));
    const long long row = static_cast<long long>(line) - static_cast<long long>(m_firstLine);
    y = static_cast<int>(std::clamp<long long>(TextRect().top + row * m_measurer.LineHeight(), -SHRT_MAX, SHRT_MAX));
}

// ---------------------------------------------------------------------------
// Input

size_t LogView::PositionAt(POINT point)
{
    const RECT rect = TextRect();
    const long long row = FloorDivide(point.y - rect.top, m_measurer.LineHeight());
    const long long line = std::clamp<long long>(
        static_cast<long long>(m_firstLine) + row, 0, static_cast<long long>(m_text.LineCount()) - 1);
    const size_t index = static_cast<size_t>(line);
    return m_text.LineStart(index) + m_measurer.ColumnAt(index, m_text.Line(index), point.x - rect.left + m_xOffset);
}

void LogView::OnKeyDown(WPARAM key)
{
    const bool shift = ::GetKeyState(VK_SHIFT) < 0;
    const bool control = ::GetKeyState(VK_CONTROL) < 0;
    Settle();
    const size_t line = m_text.LineFromChar(m_caret);
    switch (key) {
    case VK_LEFT:
        MoveCaret(control ? WordLeft(m_caret) : CharLeft(m_caret), shift);
        break;
    case VK_RIGHT:
        MoveCaret(control ? WordRight(m_caret) : CharRight(m_caret), shift);
        break;
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT: {
        if (m_preferredX < 0) {
            int y = 0;
            CaretXY(m_caret, m_preferredX, y);
        }
        const long page = static_cast<long>(VisibleLines());
        const long step = key == VK_UP ? -1 : key == VK_DOWN ? 1 : key == VK_PRIOR ? -page : page;
        const long long target = std::clamp<long long>(
            static_cast<long long>(line) + step, 0, static_cast<long long>(m_text.LineCount()) - 1);
        if (key == VK_PRIOR || key == VK_NEXT)
            ScrollLines(step);
        const size_t index = static_cast<size_t>(target);
        const int keepX = m_preferredX;
        MoveCaret(m_text.LineStart(index) + m_measurer.ColumnAt(index, m_text.Line(index), keepX), shift);
        m_preferredX = keepX;
        break;
    }
    case VK_HOME:
        MoveCaret(control ? 0 : m_text.LineStart(line), shift);
        break;
    case VK_END:
        MoveCaret(control ? m_text.Length() : m_text.LineStart(line) + m_text.LineLength(line), shift);
        break;
    case 'A':
        if (control)
            SetSelection(0, m_text.Length());
        break;
    case 'C':
    case VK_INSERT:
        if (control)
            CopySelection();
        break;
    default:
        break;
    }
}

void LogView::MoveCaret(size_t position, bool extend)
{
    m_caret = position;
    if (!extend)
        m_anchor = position;
    m_preferredX = -1;
    ScrollCaretIntoView();
    Settle();
}

size_t LogView::CharLeft(size_t position) const
{
    if (position == 0)
        return 0;
    const size_t line = m_text.LineFromChar(position);
    const size_t start = m_text.LineStart(line);
    if (position == start)
        return m_text.LineStart(line - 1) + m_text.LineLength(line - 1);
    const std::wstring_view text = m_text.Line(line);
    size_t column = std::min(position - start - 1, text.size());
    if (column > 0 && column < text.size() && IsLowSurrogate(text[column]) && IsHighSurrogate(text[column - 1]))
        --column;
    return start + column;
}

size_t LogView::CharRight(size_t position) const
{
    const size_t line = m_text.LineFromChar(position);
    const size_t start = m_text.LineStart(line);
    const std::wstring_view text = m_text.Line(line);
    if (position < start + text.size()) {
        size_t column = position - start + 1;
        if (column < text.size() && IsLowSurrogate(text[column]) && IsHighSurrogate(text[column - 1]))
            ++column;
        return start + column;
    }
    return line + 1 < m_text.LineCount() ? m_text.LineStart(line + 1) : m_text.Length();
}

size_t LogView::WordLeft(size_t position) const
{
    const size_t line = m_text.LineFromChar(position);
    const size_t start = m_text.LineStart(line);
    if (position == start)
        return CharLeft(position);
    const std::wstring_view text = m_text.Line(line);
    size_t column = std::min(position - start, text.size());
    while (column > 0 && Classify(text[column - 1]) == CharClass::Space)
        --column;
    if (column > 0) {
        const CharClass kind = Classify(text[column - 1]);
        while (column > 0 && Classify(text[column - 1]) == kind)
            --column;
    }
    return start + column;
}

size_t LogView::WordRight(size_t position) const
{
    const size_t line = m_text.LineFromChar(position);
    const size_t start = m_text.LineStart(line);
    const std::wstring_view text = m_text.Line(line);
    if (position >= start + text.size())
        return CharRight(position);
    size_t column = position - start;
    const CharClass kind = Classify(text[column]);
    if (kind != CharClass::Space) {
        while (column < text.size() && Classify(text[column]) == kind)
            ++column;
    }
    while (column < text.size() && Classify(text[column]) == CharClass::Space)
        ++column;
    return start + column;
}

void LogView::SelectWordAt(size_t position)
{
    const size_t line = m_text.LineFromChar(position);
    const size_t start = m_text.LineStart(line);
    const std::wstring_view text = m_text.Line(line);
    size_t column = std::min(position - start, text.size());
    if (text.empty()) {
        MoveCaret(start, false);
        return;
    }
    const CharClass kind = Classify(text[column < text.size() ? column : column - 1]);
    size_t first = column;
    while (first > 0 && Classify(text[first - 1]) == kind)
        --first;
    size_t last = column;
    while (last < text.size() && Classify(text[last]) == kind)
        ++last;
    m_anchor = start + first;
    MoveCaret(start + last, true);
}

void LogView::OnButtonDown(POINT point, bool extend)
{
    if (::GetFocus() != m_hwnd)
        ::SetFocus(m_hwnd);
    Settle();
    MoveCaret(PositionAt(point), extend);
    ::SetCapture(m_hwnd);
    m_dragging = true;
    ::SetTimer(m_hwnd, kDragTimer, kDragInterval, nullptr);
}

void LogView::OnDrag(POINT point)
{
    // Above or below the text the hit line lies outside the view, so moving
    // the caret there scrolls; the timer keeps that going while the button
    // is held still outside.
    Settle();
    const size_t position = PositionAt(point);
    if (position != m_caret)
        MoveCaret(position, true);
}

void LogView::StopDragging()
{
    if (!m_dragging)
        return;
    m_dragging = false;
    ::KillTimer(m_hwnd, kDragTimer);
    ::ReleaseCapture();
}

bool LogView::OnContextMenu(LPARAM screenPoint)
{
    POINT point{GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
    const bool fromKeyboard = point.x == -1 && point.y == -1;
    if (!fromKeyboard) {
        POINT client = point;
        RECT rect{};
        ::ScreenToClient(m_hwnd, &client);
        ::GetClientRect(m_hwnd, &rect);
        if (!::PtInRect(&rect, client))
            return false;
    }
    if (::GetFocus() != m_hwnd)
        ::SetFocus(m_hwnd);
    Settle();
    if (fromKeyboard) {
        int x = 0;
        int y = 0;
        CaretXY(m_caret, x, y);
        point = {TextRect().left + x - m_xOffset, y + m_measurer.LineHeight()};
        ::ClientToScreen(m_hwnd, &point);
    }

    MenuOwner menu(::CreatePopupMenu());
    if (!menu)
        return true;
    const size_t length = m_text.Length();
    const bool allSelected = SelectionStart() == 0 && SelectionEnd() == length;
    ::AppendMenuW(menu.get(), MF_STRING | (HasSelection() ? MF_ENABLED : MF_GRAYED), kCommandCopy, L"复制(&C)");
    ::AppendMenuW(
        menu.get(), MF_STRING | (length == 0 || allSelected ? MF_GRAYED : MF_ENABLED), kCommandSelectAll, L"全选(&A)");
    const UINT command = static_cast<UINT>(
        ::TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_NONOTIFY,
            point.x, point.y, 0, m_hwnd, nullptr));
    if (command == kCommandCopy)
        CopySelection();
    else if (command == kCommandSelectAll)
        SetSelection(0, length);
    return true;
}

void LogView::OnMouseWheel(int delta)
{
    UINT linesPerNotch = 3;
    ::SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &linesPerNotch, 0);
    if (linesPerNotch == 0)
        return;
    const long perNotch
        = linesPerNotch == WHEEL_PAGESCROLL ? static_cast<long>(VisibleLines()) : static_cast<long>(linesPerNotch);
    // A turn the other way starts afresh; fine-grained wheels send less than
    // a notch at a time and add up.
    if ((m_wheelRemainder > 0 && delta < 0) || (m_wheelRemainder < 0 && delta > 0))
        m_wheelRemainder = 0;
    m_wheelRemainder += delta;
    const long steps = m_wheelRemainder * perNotch / WHEEL_DELTA;
    if (steps == 0)
        return;
    m_wheelRemainder -= static_cast<int>(steps * WHEEL_DELTA / perNotch);
    ScrollLines(-steps);
}

void LogView::OnVScroll(WORD request)
{
    const long page = static_cast<long>(VisibleLines());
    switch (request) {
    case SB_LINEUP:
        ScrollLines(-1);
        break;
    case SB_LINEDOWN:
        ScrollLines(1);
        break;
    case SB_PAGEUP:
        ScrollLines(-page);
        break;
    case SB_PAGEDOWN:
        ScrollLines(page);
        break;
    case SB_TOP:
        ScrollToLine(0);
        break;
    case SB_BOTTOM:
        ScrollToLine(LastFirstLine());
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        // The message carries only 16 bits of position; the scroll bar has all 32.
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_TRACKPOS;
        if (::GetScrollInfo(m_hwnd, SB_VERT, &info))
            ScrollToLine(static_cast<size_t>(std::max(0, info.nTrackPos)));
        break;
    }
    default:
        break;
    }
}

LRESULT LogView::OnScroll(WPARAM request)
{
    const size_t before = m_firstLine;
    switch (request) {
    case SB_LINEUP:
    case SB_LINEDOWN:
    case SB_PAGEUP:
    case SB_PAGEDOWN:
        OnVScroll(static_cast<WORD>(request));
        break;
    default:
        return FALSE;
    }
    const long moved = static_cast<long>(m_firstLine) - static_cast<long>(before);
    return MAKELRESULT(static_cast<WORD>(static_cast<short>(moved)), TRUE);
}

void LogView::OnHScroll(WORD request, WORD thumb)
{
    const RECT rect = TextRect();
    const int width = rect.right - rect.left;
    const int step = m_measurer.AverageCharWidth();
    switch (request) {
    case SB_LINELEFT:
        ScrollHorizontally(m_xOffset - step);
        break;
    case SB_LINERIGHT:
        ScrollHorizontally(m_xOffset + step);
        break;
    case SB_PAGELEFT:
        ScrollHorizontally(m_xOffset - width);
        break;
    case SB_PAGERIGHT:
        ScrollHorizontally(m_xOffset + width);
        break;
    case SB_LEFT:
        ScrollHorizontally(0);
        break;
    case SB_RIGHT:
        ScrollHorizontally(INT_MAX);
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        // Without a horizontal bar the position is a percentage of the width.
        ScrollHorizontally(static_cast<int>(static_cast<long long>(WidestVisibleLine()) * thumb / 100));
        break;
    default:
        break;
    }
}

void LogView::OnSetFont(HFONT font, bool redraw)
{
    m_font = font;
    m_measurer.SetFont(font);
    if (m_hasCaret) {
        ::DestroyCaret();
        m_hasCaret = false;
        OnSetFocus();
    }
    m_firstLine = std::min(m_firstLine, LastFirstLine());
    m_caretMoved = true;
    UpdateScrollBar();
    if (redraw)
        Invalidate();
}

void LogView::OnSetFocus()
{
    const bool gained = !m_focused;
    m_focused = true;
    DWORD width = 1;
    ::SystemParametersInfoW(SPI_GETCARETWIDTH, 0, &width, 0);
    if (::CreateCaret(m_hwnd, nullptr, std::max<int>(1, static_cast<int>(width)), m_measurer.LineHeight())) {
        m_hasCaret = true;
        m_caretMoved = true;
        Settle();
        ::ShowCaret(m_hwnd);
    }
    Invalidate(); // the selection is shown only while focused
    if (gained)
        NotifyParent(EN_SETFOCUS);
}

void LogView::OnKillFocus()
{
    m_focused = false;
    if (m_hasCaret) {
        ::DestroyCaret();
        m_hasCaret = false;
    }
    Invalidate();
    NotifyParent(EN_KILLFOCUS);
}

// ---------------------------------------------------------------------------
// Painting

void LogView::Invalidate()
{
    if (m_invalidated)
        return;
    m_invalidated = ::InvalidateRect(m_hwnd, nullptr, FALSE) != FALSE;
}

void LogView::OnPaint()
{
    // Settling may scroll sideways and so invalidate everything, which must
    // happen before BeginPaint takes the region to paint; BeginPaint then
    // also has the frame, with the scroll bar, drawn anew.
    Settle();
    RedrawStaleScrollBar();
    PAINTSTRUCT paint{};
    const HDC dc = ::BeginPaint(m_hwnd, &paint);
    m_invalidated = false;
    if (dc == nullptr)
        return;
    const RECT& area = paint.rcPaint;
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width > 0 && height > 0) {
        // Drawn off screen first, so a stream of appends does not flicker.
        if (const HDC buffer = BackBuffer(dc, width, height)) {
            ScopedSelect select(buffer, m_backBitmap.get());
            ::SetViewportOrgEx(buffer, -area.left, -area.top, nullptr);
            PaintContent(buffer, area);
            ::SetViewportOrgEx(buffer, 0, 0, nullptr);
            ::BitBlt(dc, area.left, area.top, width, height, buffer, 0, 0, SRCCOPY);
        } else {
            PaintContent(dc, area);
        }
    }
    ::EndPaint(m_hwnd, &paint);
}

void LogView::RedrawStaleScrollBar()
{
    if (!m_scrollBarStale)
        return;
    const DWORD elapsed = ::GetTickCount() - m_scrollBarDrawn;
    if (elapsed >= kScrollBarInterval) {
        m_scrollBarStale = false;
        m_scrollBarDrawn = ::GetTickCount();
        ::RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
    } else if (!m_scrollBarTimer) {
        m_scrollBarTimer = ::SetTimer(m_hwnd, kScrollBarTimer, kScrollBarInterval - elapsed, nullptr) != 0;
    }
}

HDC LogView::BackBuffer(HDC screen, int width, int height)
{
    if (!m_backDc)
        m_backDc.reset(::CreateCompatibleDC(screen));
    if (!m_backDc)
        return nullptr;
    if (!m_backBitmap || width > m_backSize.cx || height > m_backSize.cy) {
        const SIZE size{std::max<LONG>(width, m_backSize.cx), std::max<LONG>(height, m_backSize.cy)};
        m_backBitmap.reset(::CreateCompatibleBitmap(screen, size.cx, size.cy));
        m_backSize = m_backBitmap ? size : SIZE{};
    }
    return m_backBitmap ? m_backDc.get() : nullptr;
}

HBRUSH LogView::BackgroundBrush(HDC dc) const
{
    // Ask the parent, as an edit control does: a read-only or disabled one
    // as a static (3D face by default), an editable one as an edit.
    const LONG_PTR style = ::GetWindowLongPtrW(m_hwnd, GWL_STYLE);
    const bool asStatic = (style & ES_READONLY) != 0 || !::IsWindowEnabled(m_hwnd);
    const UINT message = asStatic ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT;
    const int backgroundColor = asStatic ? COLOR_3DFACE : COLOR_WINDOW;
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    ::SetBkColor(dc, ::GetSysColor(backgroundColor));
    HBRUSH brush = nullptr;
    const HWND parent = ::GetParent(m_hwnd);
    if (parent != nullptr) {
        brush = reinterpret_cast<HBRUSH>(
            ::SendMessageW(parent, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(m_hwnd)));
        if (brush == nullptr)
            brush = reinterpret_cast<HBRUSH>(
                ::DefWindowProcW(parent, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(m_hwnd)));
    }
    return brush != nullptr ? brush : ::GetSysColorBrush(backgroundColor);
}

void LogView::PaintContent(HDC dc, const RECT& area)
{
    const HBRUSH background = BackgroundBrush(dc);
    ::FillRect(dc, &area, background);

    const RECT text = TextRect();
    const int clipLeft = std::max(area.left, text.left);
    const int clipRight = std::min(area.right, text.right);
    if (clipLeft >= clipRight)
        return;
    const int lineHeight = m_measurer.LineHeight();
    const size_t first = m_firstLine + static_cast<size_t>(std::max(0L, (area.top - text.top) / lineHeight));
    const size_t last = std::min(m_text.LineCount(),
        m_firstLine + static_cast<size_t>(std::max(0L, (area.bottom - text.top + lineHeight - 1) / lineHeight)));

    const LONG_PTR style = ::GetWindowLongPtrW(m_hwnd, GWL_STYLE);
    const bool showSelection = HasSelection() && (m_focused || (style & ES_NOHIDESEL) != 0);
    const size_t selectionStart = SelectionStart();
    const size_t selectionEnd = SelectionEnd();
    const COLORREF textColor = ::IsWindowEnabled(m_hwnd) ? ::GetTextColor(dc) : ::GetSysColor(COLOR_GRAYTEXT);
    const COLORREF selectedColor = ::GetSysColor(COLOR_HIGHLIGHTTEXT);
    const int originX = text.left - m_xOffset;

    const int saved = ::SaveDC(dc);
    ::IntersectClipRect(dc, text.left, text.top, text.right, text.bottom);
    {
        ScopedSelect font(dc, m_measurer.Font());
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, textColor);
        for (size_t line = first; line < last; ++line) {
            const int y = text.top + static_cast<int>(line - m_firstLine) * lineHeight;
            const std::wstring_view chars = m_text.Line(line);
            const size_t start = m_text.LineStart(line);
            size_t from = chars.size();
            size_t to = chars.size();
            if (showSelection && selectionStart < start + chars.size() && selectionEnd > start) {
                from = selectionStart > start ? selectionStart - start : 0;
                to = std::min(selectionEnd - start, chars.size());
            }
            m_measurer.Draw(dc, line, chars, 0, from, originX, y, clipLeft, clipRight);
            if (from < to) {
                const RECT selected{originX + m_measurer.XOf(line, chars, from), y,
                    originX + m_measurer.XOf(line, chars, to), y + lineHeight};
                ::FillRect(dc, &selected, ::GetSysColorBrush(COLOR_HIGHLIGHT));
                ::SetTextColor(dc, selectedColor);
                m_measurer.Draw(dc, line, chars, from, to, originX, y, clipLeft, clipRight);
                ::SetTextColor(dc, textColor);
                m_measurer.Draw(dc, line, chars, to, chars.size(), originX, y, clipLeft, clipRight);
            }
        }
    }
    ::RestoreDC(dc, saved);
}
