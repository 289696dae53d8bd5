#pragma once

#include "ScopedSelect.h"

#include <UniqueAny.h>

#include <windows.h>

// The off-screen bitmap that paints are drawn into before they are copied to
// the screen in one piece, so that a stream of appends does not flicker.
// Kept between paints, because creating one costs more than the painting
// itself; it only ever grows.
class BackBuffer {
public:
    // Runs draw(dc) for area, in client coordinates, through the buffer and
    // copies the result to screen; draws on screen itself without a buffer.
    template <typename Draw> void Present(HDC screen, const RECT& area, Draw draw);

private:
    // A memory DC, with nothing selected, for a bitmap of at least width by
    // height compatible with screen; null if none could be made.
    HDC Prepare(HDC screen, int width, int height);

    UniqueDc m_dc;
    UniqueBitmap m_bitmap;
    SIZE m_size{};
};

template <typename Draw> void BackBuffer::Present(HDC screen, const RECT& area, Draw draw)
{
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0)
        return;
    const HDC buffer = Prepare(screen, width, height);
    if (buffer == nullptr) {
        draw(screen);
        return;
    }
    ScopedSelect select(buffer, m_bitmap.get());
    ::SetViewportOrgEx(buffer, -area.left, -area.top, nullptr);
    draw(buffer);
    ::SetViewportOrgEx(buffer, 0, 0, nullptr);
    ::BitBlt(screen, area.left, area.top, width, height, buffer, 0, 0, SRCCOPY);
}
