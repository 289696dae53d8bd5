#pragma once

#include "CWnd.h"

// Edit control wrapper: holds only the window handle.
class CEdit : public CWnd {
public:
    void SetSel(int start, int end, BOOL noScroll = FALSE) const;
    void ReplaceSel(const wchar_t* text, BOOL canUndo = FALSE) const;
    void ScrollCaret() const;
    void SetLimitText(UINT maxChars) const;
    int GetLineCount() const;
    // Text of one line, at most maxChars characters of it.
    std::wstring GetLine(int index, int maxChars) const;
    void SetFont(HFONT font, BOOL redraw = TRUE) const;
};
