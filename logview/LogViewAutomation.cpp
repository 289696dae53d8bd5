#include "LogView.h"

#include <algorithm>

// What the view does for UI Automation's provider (AutomationHost).

LogLayout LogView::SettledLayout()
{
    Settle();
    return Layout();
}

void LogView::Select(const Selection& selection)
{
    // Not a message of the view's own: the reader that selected hears of it here.
    const LogAutomation::Mark before = m_automation.Before();
    const size_t length = m_text.Length();
    SetSelection({std::min(selection.anchor, length), std::min(selection.caret, length)});
    ScrollCaretIntoView();
    m_automation.After(before);
}

void LogView::ScrollTo(size_t firstLine)
{
    ScrollToLine(firstLine);
}

std::wstring LogView::Name() const
{
    return m_accessibility.Name();
}
