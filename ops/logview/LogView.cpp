#include "LogView.h"

#include "ClipboardWriter.h"
#include "ContextMenu.h"
#include "ControlColors.h"
#include "EditQueries.h"
#include "LogPainter.h"
#include "TextNavigator.h"

#include <windowsx.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <new>
#include <string_view>

namespace {

constexpr UINT_PTR kDragTimer = 1;
constexpr UINT_PTR kScrollBarTimer = 2;
constexpr DWORD kScrollBarInterval = 100;
// How often a selection drag held outside the window scrolls on.
constexpr UINT kDragInterval = 50;

POINT PointOf(LPARAM lParam)
{
    return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
}

} // namespace

bool LogView::Register(HINSTANCE instance)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_IBEAM);
    // No background brush: WM_PAINT fills with what the parent chooses.
    windowClass.lpszClassName = kClassName;
    return ::RegisterClassExW(&windowClass) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

LogView::LogView(HWND hwnd)
    : m_hwnd(hwnd)
    , m_metrics(ViewMetrics::Measure(m_measurer))
    , m_scrollBar(kScrollBarInterval)
{
    m_viewport.Fit(RECT{}, m_metrics);
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
    if (EditQueries::AsksLayout(message))
        Settle();
    if (const auto answer = EditQueries(m_text, m_selection, Layout()).Answer(message, wParam, lParam))
        return *answer;

    switch (message) {
    case WM_SETTEXT:
        SetText(reinterpret_cast<const wchar_t*>(lParam));
        return TRUE;
    case WM_SETFONT:
        OnSetFont(reinterpret_cast<HFONT>(wParam), LOWORD(lParam) != 0);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(m_measurer.Font());

    case EM_SETSEL:
        SetSelection(EditQueries(m_text, m_selection, Layout()).Requested(wParam, lParam));
        return 0;
    case EM_REPLACESEL:
        ReplaceSelection(reinterpret_cast<const wchar_t*>(lParam));
        return 0;
    case EM_SCROLLCARET:
        ScrollCaretIntoView();
        return TRUE;
    case EM_SETLIMITTEXT:
        // There is no limit to lift: the log takes whatever memory allows.
        return 0;
    case EM_GETMODIFY:
        return m_modified ? TRUE : FALSE;
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
    case WM_LBUTTONDBLCLK:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
        OnMouse(message, (wParam & MK_SHIFT) != 0, PointOf(lParam));
        return 0;
    case WM_CAPTURECHANGED:
        ::KillTimer(m_hwnd, kDragTimer);
        return 0;
    case WM_TIMER:
        if (wParam == kScrollBarTimer) {
            ::KillTimer(m_hwnd, kScrollBarTimer);
            m_scrollBar.TimerEnded();
            Invalidate();
        } else if (wParam == kDragTimer) {
            POINT cursor{};
            if (::GetCursorPos(&cursor) && ::ScreenToClient(m_hwnd, &cursor))
                OnMouse(WM_MOUSEMOVE, true, cursor);
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
    case WM_KILLFOCUS:
        OnFocus(message == WM_SETFOCUS);
        return 0;

    case WM_CREATE:
    case WM_SIZE:
        FitViewport();
        ScrollToLine(m_viewport.firstLine);
        UpdateScrollBar();
        CaretMoved();
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
    case WM_PRINTCLIENT:
        PaintContent(reinterpret_cast<HDC>(wParam), m_viewport.client);
        return 0;
    default:
        break;
    }
    return ::DefWindowProcW(m_hwnd, message, wParam, lParam);
}

// ---------------------------------------------------------------------------
// Text and selection

void LogView::SetText(const wchar_t* text)
{
    m_text.Assign(text != nullptr ? text : L"");
    m_measurer.Forget();
    m_selection = {};
    m_viewport.firstLine = 0;
    m_viewport.xOffset = 0;
    m_preferredX.reset();
    m_modified = false;
    m_pending = Pending::PlaceCaret;
    UpdateScrollBar();
    Invalidate();
}

void LogView::ReplaceSelection(const wchar_t* text)
{
    const std::wstring_view inserted(text != nullptr ? text : L"");
    const size_t start = m_selection.Start();
    const bool atEnd = start == m_text.Length();
    const size_t lineCount = m_text.LineCount();

    m_text.Replace(start, m_selection.End(), inserted);
    if (!atEnd) {
        // Lines after the change were rewritten or renumbered.
        m_measurer.Forget();
        m_viewport.firstLine = std::min(m_viewport.firstLine, m_viewport.LastFirstLine(m_text.LineCount()));
    }
    m_selection.anchor = m_selection.caret = start + inserted.size();
    m_preferredX.reset();
    m_modified = true;

    const size_t firstLine = m_viewport.firstLine;
    ScrollCaretIntoView();
    if (m_viewport.firstLine == firstLine && m_text.LineCount() != lineCount)
        UpdateScrollBar();
    Invalidate();
    NotifyParent(EN_UPDATE);
    NotifyParent(EN_CHANGE);
}

void LogView::SetSelection(const Selection& selection)
{
    if (selection == m_selection)
        return;
    m_selection = selection;
    m_preferredX.reset();
    CaretMoved();
    Invalidate();
}

void LogView::CopySelection() const
{
    if (!m_selection.Empty())
        ClipboardWriter(m_hwnd).Put(m_text, m_selection.Start(), m_selection.End());
}

void LogView::NotifyParent(WORD code) const
{
    const HWND parent = ::GetParent(m_hwnd);
    if (parent != nullptr)
        ::SendMessageW(parent, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(m_hwnd), code), reinterpret_cast<LPARAM>(m_hwnd));
}

// ---------------------------------------------------------------------------
// Scrolling and the caret

void LogView::FitViewport()
{
    RECT client{};
    ::GetClientRect(m_hwnd, &client);
    m_viewport.Fit(client, m_metrics);
}

void LogView::ScrollToLine(size_t line)
{
    line = std::min(line, m_viewport.LastFirstLine(m_text.LineCount()));
    if (line == m_viewport.firstLine)
        return;
    m_viewport.firstLine = line;
    CaretMoved();
    UpdateScrollBar();
    Invalidate();
}

void LogView::ScrollLines(long delta)
{
    const long long target = static_cast<long long>(m_viewport.firstLine) + delta;
    ScrollToLine(target < 0 ? 0 : static_cast<size_t>(target));
}

void LogView::ScrollCaretIntoView()
{
    // Vertically at once (EM_GETFIRSTVISIBLELINE answers right after);
    // horizontally at the next paint, which measures the caret's line.
    const size_t first = m_viewport.FirstLineShowing(m_text.LineFromChar(m_selection.caret));
    m_pending = Pending::FollowCaret;
    if (first != m_viewport.firstLine) {
        m_viewport.firstLine = first;
        UpdateScrollBar();
    }
    Invalidate();
}

void LogView::CaretMoved()
{
    if (m_pending == Pending::Nothing)
        m_pending = Pending::PlaceCaret;
}

void LogView::Settle()
{
    if (m_pending == Pending::Nothing)
        return;
    const int x = Layout().XOf(m_selection.caret);
    if (m_pending == Pending::FollowCaret) {
        const int offset = m_viewport.OffsetShowing(x);
        if (offset != m_viewport.xOffset) {
            m_viewport.xOffset = offset;
            Invalidate();
        }
    }
    m_caret.MoveTo(m_viewport.ClientX(x), m_viewport.Top(m_text.LineFromChar(m_selection.caret)));
    m_pending = Pending::Nothing;
}

void LogView::UpdateScrollBar()
{
    if ((::GetWindowLongPtrW(m_hwnd, GWL_STYLE) & WS_VSCROLL) == 0)
        return;
    SCROLLINFO info = m_viewport.ScrollInfo(m_text.LineCount());
    info.fMask |= SIF_DISABLENOSCROLL;
    ::SetScrollInfo(m_hwnd, SB_VERT, &info, FALSE);
    m_scrollBar.Changed();
    Invalidate();
}

void LogView::RedrawStaleScrollBar()
{
    const ScrollBarPacer::Step step = m_scrollBar.AtPaint(::GetTickCount());
    if (step.redraw)
        ::RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
    else if (step.wait != 0 && ::SetTimer(m_hwnd, kScrollBarTimer, step.wait, nullptr) == 0)
        m_scrollBar.TimerEnded();
}

void LogView::OnVScroll(WORD request)
{
    // The message carries only 16 bits of the thumb's position; the scroll
    // bar has all 32.
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_TRACKPOS;
    if (!::GetScrollInfo(m_hwnd, SB_VERT, &info))
        info.nTrackPos = static_cast<int>(std::min<size_t>(m_viewport.firstLine, INT_MAX));
    if (const auto line = m_viewport.FirstLineFor(request, info.nTrackPos, m_text.LineCount()))
        ScrollToLine(*line);
}

void LogView::OnHScroll(WORD request, WORD thumb)
{
    const auto offset = m_viewport.OffsetFor(request, thumb, m_metrics.averageCharWidth, Layout().WidestVisibleLine());
    if (!offset || *offset == m_viewport.xOffset)
        return;
    m_viewport.xOffset = *offset;
    CaretMoved();
    Invalidate();
}

void LogView::OnMouseWheel(int delta)
{
    UINT linesPerNotch = 3;
    ::SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &linesPerNotch, 0);
    if (const long lines = m_wheel.Lines(delta, linesPerNotch, m_viewport.VisibleLines()))
        ScrollLines(lines);
}

// ---------------------------------------------------------------------------
// Input and focus

void LogView::OnKeyDown(WPARAM key)
{
    const bool shift = ::GetKeyState(VK_SHIFT) < 0;
    const bool control = ::GetKeyState(VK_CONTROL) < 0;
    Settle();
    const size_t caret = m_selection.caret;
    if (const auto target = TextNavigator(m_text).KeyTarget(key, control, caret)) {
        MoveCaret(*target, shift);
    } else if (const auto lines = m_viewport.LinesForKey(key)) {
        const int x = m_preferredX ? *m_preferredX : Layout().XOf(caret);
        if (key == VK_PRIOR || key == VK_NEXT)
            ScrollLines(*lines);
        MoveCaret(Layout().PositionLinesAway(caret, *lines, x), shift);
        m_preferredX = x;
    } else if (control && key == 'A') {
        SetSelection({0, m_text.Length()});
    } else if (control && (key == 'C' || key == VK_INSERT)) {
        CopySelection();
    }
}

void LogView::MoveCaret(size_t position, bool extend)
{
    m_selection.caret = position;
    if (!extend)
        m_selection.anchor = position;
    m_preferredX.reset();
    ScrollCaretIntoView();
    Settle();
}

void LogView::OnMouse(UINT message, bool shift, POINT point)
{
    switch (message) {
    case WM_LBUTTONDOWN:
        if (::GetFocus() != m_hwnd)
            ::SetFocus(m_hwnd);
        Settle();
        MoveCaret(Layout().PositionAt(point), shift);
        ::SetCapture(m_hwnd);
        ::SetTimer(m_hwnd, kDragTimer, kDragInterval, nullptr);
        break;
    case WM_LBUTTONDBLCLK: {
        Settle();
        const Selection word = TextNavigator(m_text).WordAt(Layout().PositionAt(point));
        m_selection.anchor = word.anchor;
        MoveCaret(word.caret, true);
        break;
    }
    case WM_MOUSEMOVE:
        // A drag lasts as long as the view holds the mouse capture. Above or
        // below the text the hit line lies outside the view, so moving the
        // caret there scrolls; the timer keeps that going while the button
        // is held still outside.
        if (::GetCapture() == m_hwnd) {
            Settle();
            const size_t position = Layout().PositionAt(point);
            if (position != m_selection.caret)
                MoveCaret(position, true);
        }
        break;
    case WM_LBUTTONUP:
        if (::GetCapture() == m_hwnd) {
            ::KillTimer(m_hwnd, kDragTimer);
            ::ReleaseCapture();
        }
        break;
    default:
        break;
    }
}

bool LogView::OnContextMenu(LPARAM screenPoint)
{
    Settle();
    POINT caretBelow = Layout().PointOf(m_selection.caret);
    caretBelow.y += m_metrics.lineHeight;
    const std::optional<POINT> point = ContextMenu::Placement(m_hwnd, screenPoint, caretBelow);
    if (!point)
        return false;
    if (::GetFocus() != m_hwnd)
        ::SetFocus(m_hwnd);
    switch (ContextMenu(m_selection, m_text.Length()).Show(m_hwnd, *point)) {
    case ContextMenu::Command::Copy:
        CopySelection();
        break;
    case ContextMenu::Command::SelectAll:
        SetSelection({0, m_text.Length()});
        break;
    case ContextMenu::Command::None:
        break;
    }
    return true;
}

void LogView::OnSetFont(HFONT font, bool redraw)
{
    m_measurer.SetFont(font);
    m_metrics = ViewMetrics::Measure(m_measurer);
    FitViewport();
    if (m_caret.Owned())
        CreateCaret(); // as high as the new lines
    m_viewport.firstLine = std::min(m_viewport.firstLine, m_viewport.LastFirstLine(m_text.LineCount()));
    CaretMoved();
    UpdateScrollBar();
    if (redraw)
        Invalidate();
}

void LogView::CreateCaret()
{
    // The system's caret width may have changed since the font was set.
    m_metrics = ViewMetrics::Measure(m_measurer);
    if (m_caret.Create(m_hwnd, m_metrics.caretWidth, m_metrics.lineHeight)) {
        CaretMoved();
        Settle();
        m_caret.Show(m_hwnd);
    }
}

void LogView::OnFocus(bool gained)
{
    if (gained)
        CreateCaret();
    else
        m_caret.Destroy();
    Invalidate(); // the selection is shown only while focused
    NotifyParent(gained ? EN_SETFOCUS : EN_KILLFOCUS);
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
    m_backBuffer.Present(dc, paint.rcPaint, [&](HDC target) { PaintContent(target, paint.rcPaint); });
    ::EndPaint(m_hwnd, &paint);
}

void LogView::PaintContent(HDC dc, const RECT& area)
{
    const ControlColors colors(m_hwnd);
    const HBRUSH background = colors.Prepare(dc);
    const bool showSelection = ::GetFocus() == m_hwnd || (::GetWindowLongPtrW(m_hwnd, GWL_STYLE) & ES_NOHIDESEL) != 0;
    LogPainter(m_text, m_measurer, m_viewport)
        .Paint(dc, area, background, colors.TextColor(dc), showSelection ? m_selection : Selection{});
}
