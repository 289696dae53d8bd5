#include "ScreenCapture.h"

#include "Encoding.h"
#include "Sandbox.h"
#include "Window.h"

#include <UniqueAny.h>

namespace {

using testkit::encoding::toUtf8;

template <typename T> void appendRaw(std::string& bytes, const T& value)
{
    bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
}

testing::AssertionResult gdiFailure(const char* call)
{
    return testing::AssertionFailure() << call << " failed (error " << ::GetLastError() << ")";
}

} // namespace

std::optional<RECT> ScreenCapture::areaOf(DWORD processId)
{
    std::optional<RECT> area;
    for (const e2e::Window& window : e2e::Window::topLevelOf(processId)) {
        RECT rect{};
        if (!::GetWindowRect(window.handle(), &rect))
            continue;
        if (!area)
            area = rect;
        else
            ::UnionRect(&*area, &*area, &rect);
    }
    if (!area)
        return std::nullopt;
    const RECT screen = {::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_YVIRTUALSCREEN),
        ::GetSystemMetrics(SM_XVIRTUALSCREEN) + ::GetSystemMetrics(SM_CXVIRTUALSCREEN),
        ::GetSystemMetrics(SM_YVIRTUALSCREEN) + ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    RECT visible{};
    if (!::IntersectRect(&visible, &*area, &screen))
        return std::nullopt;
    return visible;
}

testing::AssertionResult ScreenCapture::saveBmp(const RECT& area, const std::wstring& path)
{
    const LONG width = area.right - area.left;
    const LONG height = area.bottom - area.top;
    if (width <= 0 || height <= 0)
        return testing::AssertionFailure() << "nothing to capture: an empty rectangle";

    const UniqueDc screen(::CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr));
    if (!screen)
        return gdiFailure("CreateDCW");

    BITMAPINFO info{};
    BITMAPINFOHEADER& header = info.bmiHeader;
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height; // bottom-up, as a BMP file stores its rows
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    void* pixels = nullptr;
    const UniqueBitmap bitmap(::CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
    if (!bitmap || !pixels)
        return gdiFailure("CreateDIBSection");
    {
        // Made after the bitmap, so it goes first and lets go of the bitmap
        // before the bitmap is deleted.
        const UniqueDc memory(::CreateCompatibleDC(screen.get()));
        if (!memory || !::SelectObject(memory.get(), bitmap.get()))
            return gdiFailure("SelectObject");
        if (!::BitBlt(memory.get(), 0, 0, width, height, screen.get(), area.left, area.top, SRCCOPY))
            return gdiFailure("BitBlt");
    }
    ::GdiFlush();

    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    header.biSizeImage = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + header.biSizeImage;

    std::string bytes;
    bytes.reserve(file.bfSize);
    appendRaw(bytes, file);
    appendRaw(bytes, header);
    bytes.append(static_cast<const char*>(pixels), header.biSizeImage);
    if (!e2e::Sandbox::writeBytes(path, bytes)) {
        const DWORD error = ::GetLastError();
        return testing::AssertionFailure() << "cannot write " << toUtf8(path) << " (error " << error << ")";
    }
    return testing::AssertionSuccess();
}
