#include "CStatic.h"

#include "ModuleState.h"

BOOL CStatic::Create(const wchar_t* text, DWORD style, const RECT& rect, const CWnd* parent, UINT id)
{
    // Control ids are read back as ints (GetDlgCtrlID, GetDlgItem): widened
    // with their sign, -1 stays -1 in the 64-bit field, as it is in 32 bits.
    const auto menu = reinterpret_cast<HMENU>(static_cast<INT_PTR>(static_cast<int>(id)));
    m_hWnd = ::CreateWindowExW(0, L"STATIC", text, style, rect.left, rect.top, rect.right - rect.left,
        rect.bottom - rect.top, parent->GetSafeHwnd(), menu, AfxGetInstanceHandle(), nullptr);
    return m_hWnd != nullptr;
}

HICON CStatic::SetIcon(HICON icon) const
{
    return reinterpret_cast<HICON>(SendMessage(STM_SETICON, reinterpret_cast<WPARAM>(icon)));
}
