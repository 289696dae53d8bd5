#include "SystemCaret.h"

bool SystemCaret::Create(HWND owner, int width, int height)
{
    Destroy();
    m_owned = ::CreateCaret(owner, nullptr, width, height) != FALSE;
    return m_owned;
}

void SystemCaret::Destroy()
{
    if (m_owned)
        ::DestroyCaret();
    m_owned = false;
}

void SystemCaret::MoveTo(int x, int y) const
{
    if (m_owned)
        ::SetCaretPos(x, y);
}

void SystemCaret::Show(HWND owner) const
{
    if (m_owned)
        ::ShowCaret(owner);
}
