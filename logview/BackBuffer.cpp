#include "BackBuffer.h"

#include <algorithm>

HDC BackBuffer::Prepare(HDC screen, int width, int height)
{
    if (!m_dc)
        m_dc.reset(::CreateCompatibleDC(screen));
    if (!m_dc)
        return nullptr;
    if (!m_bitmap || width > m_size.cx || height > m_size.cy) {
        const SIZE size{std::max<LONG>(width, m_size.cx), std::max<LONG>(height, m_size.cy)};
        m_bitmap.reset(::CreateCompatibleBitmap(screen, size.cx, size.cy));
        m_size = m_bitmap ? size : SIZE{};
    }
    return m_bitmap ? m_dc.get() : nullptr;
}
