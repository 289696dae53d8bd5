#include "LogView.h"

#include "ClipboardWriter.h"
#include "ContextMenu.h"
#include "LogSearch.h"
#include "SaveCommand.h"
#include "TextNavigator.h"
#include "WindowDpi.h"

#include <algorithm>

// The view's input: keys, the mouse, the shortcut menu and the focus, and
// the commands they give.

namespace {

// Longer selections are not put into the find window: it is for words and
// phrases, and a line may be a megabyte long.
constexpr size_t kLongestPrefill = 1024;

} // namespace

bool LogView::IsCommandKey(const MSG& msg)
{
    if (msg.message != WM_KEYDOWN)
        return false;
    const bool control = ::GetKeyState(VK_CONTROL) < 0;
    const bool alt = ::GetKeyState(VK_MENU) < 0;
    if (alt)
        return false;
    return (control && (msg.wParam == 'F' || msg.wParam == 'S')) || (!control && msg.wParam == VK_F3);
}

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
    } else if (control && key == 'F') {
        OpenFind();
    } else if (key == VK_F3) {
        FindAgain(shift);
    } else if (control && key == 'S') {
        SaveLog();
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
    // What is copied is what was selected when the menu opened, whatever
    // the tool printed while it was open.
    const Selection opened = m_selection;
    switch (ContextMenu(m_selection, m_text.Length()).Show(m_hwnd, *point)) {
    case ContextMenu::Command::Copy:
        if (!opened.Empty())
            ClipboardWriter(m_hwnd).Put(m_text, opened.Start(), std::min(opened.End(), m_text.Length()));
        break;
    case ContextMenu::Command::SelectAll:
        SetSelection({0, m_text.Length()});
        break;
    case ContextMenu::Command::Find:
        OpenFind();
        break;
    case ContextMenu::Command::FindNext:
        FindAgain(false);
        break;
    case ContextMenu::Command::Save:
        SaveLog();
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
    // A view that watched the end still does at its new size or font: the
    // operator did not look elsewhere.
    const bool following = m_follow.Follows(m_selection, m_viewport, m_text.LineCount());
    m_metrics = ViewMetrics::Measure(m_measurer, WindowDpi::Of(m_hwnd));
    RECT client{};
    ::GetClientRect(m_hwnd, &client);
    m_viewport.Fit(client, m_metrics);
    if (m_caret.Owned())
        CreateCaret(); // as high as the new lines
    const size_t lastFirstLine = m_viewport.LastFirstLine(m_text.LineCount());
    m_viewport.firstLine = following ? lastFirstLine : std::min(m_viewport.firstLine, lastFirstLine);
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
// Finding and saving

void LogView::OpenFind()
{
    // A selection within one line is what the operator is looking at, and so
    // what they are likely to look for.
    std::optional<std::wstring> selected;
    const size_t line = m_text.LineFromChar(m_selection.Start());
    const size_t lineEnd = m_text.LineStart(line) + m_text.LineLength(line);
    if (!m_selection.Empty() && m_selection.End() <= lineEnd
        && m_selection.End() - m_selection.Start() <= kLongestPrefill)
        selected = m_text.Text(m_selection.Start(), m_selection.End());
    m_findBox.Open(Root(), selected);
    Invalidate(); // the selection shows while the find window is up
}

void LogView::FindAgain(bool up)
{
    if (!m_lastSearch) {
        OpenFind();
        return;
    }
    SearchQuery query = *m_lastSearch;
    query.up = up;
    FindNext(query);
}

bool LogView::FindNext(const SearchQuery& query)
{
    m_lastSearch = query;
    Settle();
    const size_t from = query.up ? m_selection.Start() : m_selection.End();
    if (const auto found = LogSearch(m_text).Find(query, from)) {
        SetSelection(*found);
        ScrollCaretIntoView();
        return true;
    }
    const HWND owner = m_findBox.Shown() != nullptr ? m_findBox.Shown() : Root();
    const std::wstring message = L"找不到“" + query.text + L"”";
    const std::wstring caption = AppName();
    ::MessageBoxW(owner, message.c_str(), caption.c_str(), MB_OK | MB_ICONINFORMATION);
    return false;
}

void LogView::SaveLog()
{
    // One save at a time: asked again, the one going on shows itself.
    if (m_save && m_save->Current() == SaveJob::State::Running) {
        m_save->Show();
        return;
    }
    const auto path = SaveCommand(Root(), AppName()).AskPath();
    if (!path)
        return;
    SaveJob::Listener listener;
    listener.progress = [this](int percent) { OnSaveProgress(percent); };
    // Reported once the job's own message is over, not from within it.
    const HWND self = m_hwnd;
    listener.ended = [self] { ::PostMessageW(self, kSaveEnded, 0, 0); };
    m_save = std::make_unique<SaveJob>(m_text, m_textLock, *path, Root(), SaveJob::Options(), std::move(listener));
}

void LogView::OnSaveProgress(int percent) const
{
    const HWND parent = ::GetParent(m_hwnd);
    if (parent == nullptr)
        return;
    SaveProgress progress{};
    progress.header.hwndFrom = m_hwnd;
    progress.header.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(m_hwnd));
    progress.header.code = kSaveProgress;
    progress.percent = percent;
    ::SendMessageW(parent, WM_NOTIFY, progress.header.idFrom, reinterpret_cast<LPARAM>(&progress));
}

void LogView::OnSaveEnded()
{
    if (!m_save || m_save->Current() == SaveJob::State::Running)
        return;
    const SaveJob::State state = m_save->Current();
    const DWORD error = m_save->Error();
    const std::wstring path = m_save->Path();
    m_save.reset();
    SaveCommand(Root(), AppName()).Report(state, error, path);
}

std::wstring LogView::AppName() const
{
    if (!m_appName.empty())
        return m_appName;
    const HWND root = Root();
    std::wstring caption(static_cast<size_t>(::GetWindowTextLengthW(root)) + 1, L'\0');
    caption.resize(static_cast<size_t>(::GetWindowTextW(root, &caption[0], static_cast<int>(caption.size()))));
    return caption;
}
