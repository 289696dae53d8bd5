#include "CEdit.h"

#include <vector>

void CEdit::SetSel(int start, int end, BOOL noScroll) const
{
    SendMessage(EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
    if (!noScroll)
        ScrollCaret();
}

void CEdit::ReplaceSel(const wchar_t* text, BOOL canUndo) const
{
    SendMessage(EM_REPLACESEL, canUndo, reinterpret_cast<LPARAM>(text));
}

void CEdit::ScrollCaret() const
{
    SendMessage(EM_SCROLLCARET);
}

void CEdit::SetLimitText(UINT maxChars) const
{
    SendMessage(EM_SETLIMITTEXT, maxChars);
}

int CEdit::GetLineCount() const
{
    return static_cast<int>(SendMessage(EM_GETLINECOUNT));
}

std::wstring CEdit::GetLine(int index, int maxChars) const
{
    // The first WORD of the buffer carries its size, so it holds at least one.
    std::vector<wchar_t> buffer(static_cast<size_t>(maxChars < 1 ? 1 : maxChars) + 1, L'\0');
    buffer[0] = static_cast<wchar_t>(maxChars);
    const LRESULT copied = SendMessage(EM_GETLINE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
    if (copied <= 0)
        return std::wstring();
    return std::wstring(buffer.data(), static_cast<size_t>(copied));
}

void CEdit::SetFont(HFONT font, BOOL redraw) const
{
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), MAKELPARAM(redraw, 0));
}
