// tarrow_dpi_shot <output folder> <name>: starts Tarrow from a sandbox, has
// the tool double print a few lines into the log, checks that the window is
// laid out for the screen's DPI and saves a screenshot (<name>.bmp). The
// verdict goes to <name>.txt ("passed" or "failed: ..."), which the script
// reads since a program started on a Wine virtual desktop cannot hand back
// its exit code; what was measured is printed.

#include "Encoding.h"
#include "Sandbox.h"
#include "ScreenCapture.h"
#include "TarrowDriver.h"

#include <windows.h>

#include <cstdio>
#include <optional>
#include <sstream>
#include <string>

namespace {

using namespace e2e;
using testkit::encoding::toUtf8;

// Tarrow paints when its queue runs dry, and Wine shows the painted window a
// moment after that.
constexpr DWORD kIdleWaitMs = 5000;
constexpr DWORD kShowDelayMs = 500;

const char kToolScript[] = "out 正在擦除...\\r\\n\n"
                           "out 擦除扇区 0x0000-0x0FFF 完成\\r\\n\n"
                           "out 擦除扇区 0x1000-0x1FFF 完成\\r\\n\n"
                           "out 校验和: 0x5A3C (Checksum OK)\\r\\n\n"
                           "out 擦除完成\\r\\n\n";

void print(const std::string& line)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int screenDpi()
{
    const HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return dpi;
}

std::optional<Window> logo(const TarrowDriver& app)
{
    for (const Window& child : app.window().children()) {
        if (ids::isNoId(child.id()) && (child.style() & SS_TYPEMASK) == SS_ICON)
            return child;
    }
    return std::nullopt;
}

std::string describe(const RECT& rect)
{
    std::ostringstream text;
    text << rect.left << "," << rect.top << " " << rect.right - rect.left << "x" << rect.bottom - rect.top;
    return text.str();
}

// The log's font and the logo follow the DPI; every control lies within the
// window's client area.
testing::AssertionResult checkLayout(TarrowDriver& app, int dpi)
{
    RECT client{};
    ::GetClientRect(app.hwnd(), &client);
    print("DPI " + std::to_string(dpi) + ", client area " + describe(client));

    const std::optional<FontInfo> font = app.controlFont(ids::kLog);
    if (!font)
        return testing::AssertionFailure() << "cannot read the log's font: " << app.probeError();
    print("log font " + toUtf8(font->face) + ", height " + std::to_string(font->height));
    const long fontHeight = font->height < 0 ? -font->height : font->height;
    if (fontHeight != ::MulDiv(12, dpi, 96))
        return testing::AssertionFailure() << "the log font is " << fontHeight << " pixels high at " << dpi << " DPI";

    const std::optional<Window> image = logo(app);
    if (!image)
        return testing::AssertionFailure() << "no logo";
    const RECT logoRect = image->rectInParent();
    print("logo " + describe(logoRect));
    if (logoRect.right - logoRect.left != ::MulDiv(120, dpi, 96))
        return testing::AssertionFailure() << "the logo is " << logoRect.right - logoRect.left << " pixels wide";

    for (const Window& child : app.window().children()) {
        const RECT rect = child.rectInParent();
        RECT inside{};
        if (!::IntersectRect(&inside, &rect, &client) || !::EqualRect(&inside, &rect))
            return testing::AssertionFailure() << child.describe() << " at " << describe(rect) << " is cut off";
    }
    return testing::AssertionSuccess();
}

testing::AssertionResult run(const std::wstring& shot)
{
    Sandbox box;
    if (!box.ready())
        return testing::AssertionFailure() << "no sandbox";
    box.installTool(L"burnkit.exe", kToolScript);
    const std::wstring image = box.writeFile(L"image.dat", "data");
    TarrowDriver app(box);
    if (auto started = app.start(); !started)
        return started;
    if (auto typed = app.setText(ids::kFilePath, image); !typed)
        return typed;
    app.click(ids::kErase);
    if (auto shown = app.waitForLog(L"擦除完成\r\n"); !shown)
        return shown;
    if (auto idle = app.waitFor([&] { return app.isEnabled(ids::kErase); }, "the run to end"); !idle)
        return idle;

    if (auto laidOut = checkLayout(app, screenDpi()); !laidOut)
        return laidOut;

    ::WaitForInputIdle(app.process(), kIdleWaitMs);
    app.window().send(WM_NULL);
    ::Sleep(kShowDelayMs);
    const std::optional<RECT> area = ScreenCapture::areaOf(app.pid());
    if (!area)
        return testing::AssertionFailure() << "no window of Tarrow on the screen";
    return ScreenCapture::saveBmp(*area, shot);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    ::SetConsoleOutputCP(CP_UTF8);
    if (argc != 3) {
        print("usage: tarrow_dpi_shot <output folder> <name>");
        return 2;
    }
    const std::wstring stem = std::wstring(argv[1]) + L"\\" + argv[2];
    const testing::AssertionResult outcome = run(stem + L".bmp");
    const std::string verdict = outcome ? std::string("passed") : "failed: " + std::string(outcome.message());
    print(verdict);
    Sandbox::writeBytes(stem + L".txt", verdict + "\n");
    return outcome ? 0 : 1;
}
