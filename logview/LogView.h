#pragma once

#include "AutomationHost.h"
#include "BackBuffer.h"
#include "FindBox.h"
#include "FollowRule.h"
#include "LineMeasurer.h"
#include "LogAccessibility.h"
#include "LogAutomation.h"
#include "LogLayout.h"
#include "LogText.h"
#include "LogViewMessages.h"
#include "MouseSelection.h"
#include "SaveJob.h"
#include "Selection.h"
#include "SystemCaret.h"
#include "VerticalScrollBar.h"
#include "ViewMetrics.h"
#include "Viewport.h"
#include "WheelAccumulator.h"

#include <windows.h>

#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

// The log pane: a read-only, multi-line text view that answers the edit
// control's messages (EM_SETSEL, EM_REPLACESEL, WM_GETTEXT, EM_GETLINE, ...)
// with the edit control's meaning, but keeps its text as lines so that
// appending at the end costs the same however long the log already is, and
// what is appended (kAppend) follows the end only while the operator watches
// it (FollowRule). Usable from a dialog template as the custom control class
// kClassName; LogViewMessages are its own messages.
//
// Besides what the edit control offers, the operator can find in the log
// (Ctrl+F, F3, Shift+F3) and save it (Ctrl+S), from the keyboard or the
// shortcut menu; a window that holds the view can pass these keys on from
// anywhere in it (IsCommandKey).
//
// This class is the window: its state, focus, input and scrolling; the
// window procedure and the input each have a file of their own. What it
// asks of its text is answered by pieces that know nothing of it: the model
// (LogText), navigation (TextNavigator), the edit queries (EditQueries),
// layout and painting (LogLayout, LogPainter), the clipboard and the menu,
// searching (LogSearch, FindBox) and saving (SaveCommand, SaveJob); screen
// readers see it through LogAccessibility and, as a document they read by
// line and word, through UI Automation (LogAutomation), which reaches the
// view only as its AutomationHost.
class LogView final : public LogViewMessages, private AutomationHost {
public:
    static constexpr const wchar_t* kClassName = L"TarrowLogView";

    // Registers the window class for this module; true if it is (or already
    // was) registered.
    static bool Register(HINSTANCE instance);

    // Whether msg is a key of the view's own commands (Ctrl+F, Ctrl+S, F3,
    // Shift+F3), which a window holding the view may send on to it as it is.
    static bool IsCommandKey(const MSG& msg);

    LogView(const LogView&) = delete;
    LogView& operator=(const LogView&) = delete;

private:
    // Posted to itself once a save is over, to say how it went.
    static constexpr UINT kSaveEnded = WM_USER + 0x120;

    // What Settle still has to do; following the caret includes placing it.
    enum class Pending { Nothing, PlaceCaret, FollowCaret };

    explicit LogView(HWND hwnd);

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // Text and selection.
    // Every change of the text, made holding m_textLock: a save's thread
    // reads the text meanwhile (SaveWriter).
    template <class Change> bool ChangeText(Change change)
    {
        const std::lock_guard<std::mutex> hold(m_textLock);
        return change();
    }
    // False if the text was refused for want of memory.
    bool SetText(const wchar_t* text);
    void ReplaceSelection(const wchar_t* text);
    // At the end, following it or not (FollowRule); false if refused.
    bool Append(const wchar_t* text);
    void FollowEnd();
    // After a change: the caret to caret and the view to the caret, if
    // given, else both left as they are; the change shown and announced.
    // appended: the change only added at the end, so the lines before it
    // are as they were.
    void ShowChange(std::optional<size_t> caret, bool appended, size_t lineCount);
    void SetSelection(const Selection& selection);
    void CopySelection() const;
    void NotifyParent(WORD code) const;

    // Finding and saving.
    void OpenFind();
    // The last search again, down or up; the find window if there was none.
    void FindAgain(bool up);
    // Selects and shows the next match from the selection, or says there is none.
    bool FindNext(const SearchQuery& query);
    void SaveLog();
    void OnSaveProgress(int percent) const;
    void OnSaveEnded();
    // The window the view belongs to, which owns its boxes.
    HWND Root() const { return ::GetAncestor(m_hwnd, GA_ROOT); }
    std::wstring AppName() const;

    // Scrolling and the caret.
    LogLayout Layout() { return LogLayout(m_text, m_measurer, m_viewport); }
    void ScrollToLine(size_t line);
    void ScrollLines(long delta);
    void ScrollCaretIntoView();
    void CaretMoved();
    // Brings horizontal scrolling and the caret's place up to date; put off
    // until needed so that a burst of appends measures the last line once.
    void Settle();
    void UpdateScrollBar();
    void OnVScroll(WORD request);
    void OnHScroll(WORD request, WORD thumb);
    void OnMouseWheel(int delta);

    // Input and focus.
    void OnKeyDown(WPARAM key);
    void MoveCaret(size_t position, bool extend);
    // Clicks, double clicks and selection drags with the left button.
    void OnMouse(UINT message, bool shift, POINT point);
    // False if the point is outside the text (on the scroll bar).
    bool OnContextMenu(LPARAM screenPoint);
    void OnSetFont(HFONT font, bool redraw);
    // For the font, the window's DPI and the client area, any of which may
    // have changed.
    void Remeasure();
    void CreateCaret();
    void OnFocus(bool gained);

    // What UI Automation's provider asks of the view (AutomationHost); what
    // takes more than a member, in LogViewAutomation.cpp.
    HWND Window() const override { return m_hwnd; }
    const LogText& Text() const override { return m_text; }
    Selection CurrentSelection() const override { return m_selection; }
    const Viewport& View() const override { return m_viewport; }
    LogLayout SettledLayout() override;
    void Select(const Selection& selection) override;
    void ScrollTo(size_t firstLine) override;
    std::wstring Name() const override;

    // Painting.
    // One InvalidateRect per repaint, however many appends come before it.
    void Invalidate();
    void OnPaint();
    void PaintContent(HDC dc, const RECT& area);

    HWND m_hwnd;
    LogText m_text;
    std::mutex m_textLock;
    LineMeasurer m_measurer;
    ViewMetrics m_metrics;
    Viewport m_viewport;
    Selection m_selection;
    FollowRule m_follow;
    // The x kept while moving up and down, so that the caret comes back to
    // its column after passing shorter lines.
    std::optional<int> m_preferredX;
    Pending m_pending = Pending::Nothing;
    bool m_invalidated = false;
    bool m_modified = false;
    VerticalScrollBar m_scrollBar;
    MouseSelection m_mouse;
    WheelAccumulator m_wheel;
    SystemCaret m_caret;
    BackBuffer m_backBuffer;
    LogAccessibility m_accessibility;
    LogAutomation m_automation;
    FindBox m_findBox;
    // What F3 looks for again.
    std::optional<SearchQuery> m_lastSearch;
    std::wstring m_appName;
    // The save going on, or the last one until it has been reported.
    std::unique_ptr<SaveJob> m_save;
};
