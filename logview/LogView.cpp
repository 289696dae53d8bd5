#include "LogView.h"

#include "ClipboardWriter.h"
#include "ControlColors.h"
#include "LogPainter.h"
#include "WindowDpi.h"

#include <algorithm>
#include <string_view>

namespace {

constexpr UINT_PTR kDragTimer = 1;
constexpr UINT_PTR kScrollBarTimer = 2;
constexpr UINT_PTR kValueChangeTimer = 3;
constexpr UINT_PTR kTextChangedTimer = 4;
constexpr UINT_PTR kAnnounceTimer = 5;

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
    , m_automation(*this, kTextChangedTimer, kAnnounceTimer)
    , m_findBox(hwnd, [this](const SearchQuery& query) { return FindNext(query); })
{
    m_viewport.Fit(RECT{}, m_metrics);
}

// ---------------------------------------------------------------------------
// Text and selection

bool LogView::SetText(const wchar_t* text)
{
    const bool taken = ChangeText([&] { return m_text.Assign(text != nullptr ? text : L""); });
    m_measurer.Forget();
    m_selection = {};
    m_viewport.firstLine = 0;
    m_viewport.xOffset = 0;
    m_follow.FollowedCaret();
    m_preferredX.reset();
    m_modified = false;
    m_pending = Pending::PlaceCaret;
    UpdateScrollBar();
    Invalidate();
    m_accessibility.TextChanged();
    m_automation.TextChanged(false);
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

    const bool taken = ChangeText([&] { return m_text.Replace(start, m_selection.End(), inserted); });
    // Refused, the text is as it was, or ends with the line that says the
    // log is full, which is then where the caret goes.
    const bool changed = taken || m_text.Length() != length;
    if (changed)
        ShowChange(taken ? start + inserted.size() : m_text.Length(), taken && atEnd, lineCount);
    if (!taken)
        NotifyParent(EN_ERRSPACE);
}

bool LogView::Append(const wchar_t* text)
{
    const bool follow = m_follow.Follows(m_selection, m_viewport, m_text.LineCount());
    const size_t lineCount = m_text.LineCount();
    const size_t length = m_text.Length();
    const bool taken = ChangeText([&] { return m_text.Append(text != nullptr ? text : L""); });
    if (taken || m_text.Length() != length)
        ShowChange(follow ? std::optional<size_t>(m_text.Length()) : std::nullopt, taken, lineCount);
    if (!taken)
        NotifyParent(EN_ERRSPACE);
    return taken;
}

void LogView::FollowEnd()
{
    m_follow.FollowedCaret();
    m_selection.anchor = m_selection.caret = m_text.Length();
    m_preferredX.reset();
    ScrollCaretIntoView();
}

void LogView::ShowChange(std::optional<size_t> caret, bool appended, size_t lineCount)
{
    if (!appended) {
        // Lines after the change were rewritten or renumbered.
        m_measurer.Forget();
        m_viewport.firstLine = std::min(m_viewport.firstLine, m_viewport.LastFirstLine(m_text.LineCount()));
        m_selection.anchor = std::min(m_selection.anchor, m_text.Length());
        m_selection.caret = std::min(m_selection.caret, m_text.Length());
    }
    m_modified = true;

    const size_t firstLine = m_viewport.firstLine;
    if (caret) {
        m_selection.anchor = m_selection.caret = *caret;
        m_preferredX.reset();
        ScrollCaretIntoView();
    } else {
        // Only the scroll bar shows that the log grew.
        CaretMoved();
    }
    if (m_viewport.firstLine == firstLine && m_text.LineCount() != lineCount)
        UpdateScrollBar();
    Invalidate();
    m_accessibility.TextChanged();
    m_automation.TextChanged(appended);
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
        m_follow.FollowedCaret();
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
    m_follow.ScrolledSideways();
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
    // While the find window is up, what it found is shown although the focus is there.
    const bool showSelection = ::GetFocus() == m_hwnd || (::GetWindowLongPtrW(m_hwnd, GWL_STYLE) & ES_NOHIDESEL) != 0
        || m_findBox.Shown() != nullptr;
    LogPainter(m_text, m_measurer, m_viewport)
        .Paint(dc, area, background, colors.TextColor(dc), showSelection ? m_selection : Selection{});
}
