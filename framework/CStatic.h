#pragma once

#include "CWnd.h"

// Static control wrapper: holds only the window handle; the caller owns any
// icon it shows.
class CStatic : public CWnd {
public:
    BOOL Create(const wchar_t* text, DWORD style, const RECT& rect, const CWnd* parent, UINT id);
    HICON SetIcon(HICON icon) const;
};
