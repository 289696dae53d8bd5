#include "LogView.h"

#include "ClipboardWriter.h"
#include "ContextMenu.h"
#include "ControlColors.h"
#include "EditQueries.h"
#include "LogPainter.h"
#include "TextNavigator.h"
#include "WindowDpi.h"

#include <windowsx.h>

#include <algorithm>
#include <memory>
#include <new>
#include <string_view>

namespace {

constexpr UINT_PTR kDragTimer = 1;
constexpr UINT_PTR kScrollBarTimer = 2;
constexpr UINT_PTR kValueChangeTimer = 3;

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
    , m_metrics(ViewMetrics::Measure(m_measurer, WindowDpi::Of(hwnd)))
    , m_scrollBar(hwnd, kScrollBarTimer)
    , m_mouse(hwnd, kDragTimer)
    , m_accessibility(hwnd, kValueChangeTimer)
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
        // Out of memory beyond the text, which refuses its own changes whole:
        // refuse this one message, as the edit control does, and say so.
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
        return SetText(reinterpret_cast<const wchar_t*>(lParam)) ? TRUE : FALSE;
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
        m_mouse.CaptureLost();
        return 0;
    case WM_TIMER: {
        std::optional<POINT> cursor;
        if (m_scrollBar.OnTimer(wParam))
            Invalidate();
        else if (m_mouse.OnTimer(wParam, cursor) && cursor)
            OnMouse(WM_MOUSEMOVE, true, *cursor);
        else
            m_accessibility.OnTimer(wParam);
        return 0;
    }
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
    case WindowDpi::kChangedAfterParent:
        // At a new DPI the font comes anew from the parent (WM_SETFONT); the
        // margin and the caret are the view's to scale.
        Remeasure();
        Invalidate();
        return 0;
    case WM_GETOBJECT:
        if (const auto answer = m_accessibility.OnGetObject(wParam, lParam))
            return *answer;
        break;
    case kSetAccessibleName:
        m_accessibility.SetName(reinterpret_cast<const wchar_t*>(lParam));
        return 0;
    case kRepaintsChanges:
        return TRUE;
    case kTakeTextAgain:
        return m_text.TakeTextAgain() ? TRUE : FALSE;
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

bool LogView::SetText(const wchar_t* text)
{
    const bool taken = m_text.Assign(text != nullptr ? text : L"");
    m_measurer.Forget();
    m_selection = {};
    m_viewport.firstLine = 0;
    m_viewport.xOffset = 0;
    m_preferredX.reset();
    m_modified = false;
    m_pending = Pending::PlaceCaret;
    UpdateScrollBar();
    Invalidate();
    m_accessibility.TextChanged();
    if (!taken)
        NotifyParent(EN_ERRSPACE);
    return taken;
}

void LogView::ReplaceSelection(const wchar_t* text)
{
    const std::wstring_view inserted(text != nullptr ? text : L"");
    const size_t start = m_selection.Start();
    const bool atEnd = start == m_text.Length();
    const size_t lineCount = m_text.LineCount();
    const size_t length = m_text.Length();

    const bool taken = m_text.Replace(start, m_selection.End(), inserted);
    // Refused, the text is as it was, or ends with the line that says the
    // log is full, which is then where the caret goes.
    const bool changed = taken || m_text.Length() != length;
    if (changed)
        ShowChange(taken ? start + inserted.size() : m_text.Length(), taken && atEnd, lineCount);
    if (!taken)
        NotifyParent(EN_ERRSPACE);
}

void LogView::ShowChange(size_t caret, bool appended, size_t lineCount)
{
    if (!appended) {
        // Lines after the change were rewritten or renumbered.
        m_measurer.Forget();
        m_viewport.firstLine = std::min(m_viewport.firstLine, m_viewport.LastFirstLine(m_text.LineCount()));
    }
    m_selection.anchor = m_selection.caret = caret;
    m_preferredX.reset();
    m_modified = true;

    const size_t firstLine = m_viewport.firstLine;
    ScrollCaretIntoView();
    if (m_viewport.firstLine == firstLine && m_text.LineCount() != lineCount)
        UpdateScrollBar();
    Invalidate();
    m_accessibility.TextChanged();
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
    if (m_scrollBar.Set(m_viewport.ScrollInfo(m_text.LineCount())))
        Invalidate();
}

void LogView::OnVScroll(WORD request)
{
    const int track = m_scrollBar.TrackPosition(m_viewport.firstLine);
    if (const auto line = m_viewport.FirstLineFor(request, track, m_text.LineCount()))
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
    if (!m_mouse.Wants(message))
        return;
    if (message == WM_LBUTTONDOWN && ::GetFocus() != m_hwnd)
        ::SetFocus(m_hwnd);
    Settle();
    if (const auto selection = m_mouse.Select(message, shift, Layout().PositionAt(point), m_text, m_selection)) {
        m_selection.anchor = selection->anchor;
        MoveCaret(selection->caret, true);
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
    Remeasure();
    if (redraw)
        Invalidate();
}

void LogView::Remeasure()
{
    m_metrics = ViewMetrics::Measure(m_measurer, WindowDpi::Of(m_hwnd));
    RECT client{};
    ::GetClientRect(m_hwnd, &client);
    m_viewport.Fit(client, m_metrics);
    if (m_caret.Owned())
        CreateCaret(); // as high as the new lines
    m_viewport.firstLine = std::min(m_viewport.firstLine, m_viewport.LastFirstLine(m_text.LineCount()));
    CaretMoved();
    UpdateScrollBar();
}

void LogView::CreateCaret()
{
    // The system's caret width may have changed since the font was set.
    m_metrics = ViewMetrics::Measure(m_measurer, WindowDpi::Of(m_hwnd));
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
    m_scrollBar.AtPaint();
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
