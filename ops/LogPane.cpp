#include "LogPane.h"

#include <LogViewMessages.h>

void LogPane::RemoveLengthLimit() const
{
    m_control.SetLimitText(0);
}

void LogPane::Append(const std::wstring& text, bool newLine) const
{
    if (IsLogView()) {
        // The view puts it at the end and follows it there, unless the
        // operator is looking elsewhere in the log meanwhile.
        const std::wstring line = newLine ? text + L"\r\n" : std::wstring();
        m_control.SendMessage(
            LogViewMessages::kAppend, 0, reinterpret_cast<LPARAM>(newLine ? line.c_str() : text.c_str()));
        return;
    }
    // Any other edit control: whatever the operator has scrolled to or
    // selected, text goes at the end, and the view with it.
    m_control.SetSel(0x7FFFFFFF, -1, TRUE);
    m_control.ScrollCaret();
    m_control.ReplaceSel(text.c_str(), FALSE);
    if (newLine)
        m_control.ReplaceSel(L"\r\n", FALSE);
    m_control.Invalidate();
}

bool LogPane::IsLogView() const
{
    if (!m_isLogView)
        m_isLogView = m_control.SendMessage(LogViewMessages::kRepaintsChanges, 0, 0) == TRUE;
    return *m_isLogView;
}

void LogPane::AppendLine(const std::wstring& text)
{
    Append(text, true);
}

void LogPane::BeginOutput()
{
    m_control.SendMessage(LogViewMessages::kTakeTextAgain, 0, 0);
    // The operator asked for this output: the log follows it from its start.
    m_control.SendMessage(LogViewMessages::kFollowEnd, 0, 0);
}

void LogPane::AppendOutput(const char* bytes, size_t length)
{
    Append(m_decoder.Decode(bytes, length), false);
}

void LogPane::EndOutput()
{
    if (m_decoder.HasPending())
        Append(m_decoder.Flush(), false);
}

int LogPane::LineCount() const
{
    return m_control.GetLineCount();
}

std::wstring LogPane::Line(int index, int maxChars) const
{
    return m_control.GetLine(index, maxChars);
}

std::wstring LogPane::Text() const
{
    return m_control.GetWindowText();
}
