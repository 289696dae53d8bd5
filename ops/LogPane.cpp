#include "LogPane.h"

#include <LogView.h>

void LogPane::RemoveLengthLimit() const
{
    m_control.SetLimitText(0);
}

void LogPane::Append(const std::wstring& text, bool newLine) const
{
    // Whatever the operator has scrolled to or selected, text goes at the end.
    m_control.SetSel(0x7FFFFFFF, -1, TRUE);
    m_control.ScrollCaret();
    m_control.ReplaceSel(text.c_str(), FALSE);
    if (newLine)
        m_control.ReplaceSel(L"\r\n", FALSE);
    if (!RepaintsItself())
        m_control.Invalidate();
}

bool LogPane::RepaintsItself() const
{
    if (!m_repaintsItself)
        m_repaintsItself = m_control.SendMessage(LogView::kRepaintsChanges, 0, 0) == TRUE;
    return *m_repaintsItself;
}

void LogPane::AppendLine(const std::wstring& text)
{
    Append(text, true);
}

void LogPane::BeginOutput()
{
    m_control.SendMessage(LogView::kTakeTextAgain, 0, 0);
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
