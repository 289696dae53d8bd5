#include "CStatic.h"

#include "ModuleState.h"

BOOL CStatic::Create(const wchar_t* text, DWORD style, const RECT& rect, const CWnd* parent, UINT id)
{
    m_hWnd = ::CreateWindowExW(0, L"STATIC", text, style, rect.left, rect.top, rect.right - rect.left,
        rect.bottom - rect.top, parent->GetSafeHwnd(), reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
        AfxGetInstanceHandle(), nullptr);
    return m_hWnd != nullptr;
}

HICON CStatic::SetIcon(HICON icon) const
{
    return reinterpret_cast<HICON>(SendMessage(STM_SETICON, reinterpret_cast<WPARAM>(icon)));
}
