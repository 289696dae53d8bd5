// tarrow_demo: the demo session for scripts/run --demo, in a folder the
// script has prepared, with a screenshot after every step.
//
//     tarrow_demo <run folder> <design.stp> <output folder> [<burnkit step ms>]
//
// The run folder holds Tarrow.exe, burnkit.exe and stpconv.exe. Into the
// output folder go the simulated device (device\), one BMP per step, the
// final log as UTF-8 (log.txt) and the verdict (result.txt: "passed" or
// "failed: ..."), which the script reads since a program started on a Wine
// virtual desktop cannot hand back its exit code.

#include "DemoSession.h"
#include "Encoding.h"
#include "Sandbox.h"
#include "ScreenCapture.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>

namespace {

using testkit::encoding::toUtf8;

// A step is in the log before it is on the screen: Tarrow paints when its
// queue runs dry, and Wine shows the painted window a moment after that.
constexpr DWORD kIdleWaitMs = 5000;
constexpr DWORD kShowDelayMs = 300;
constexpr unsigned kDefaultStepMs = 50;

void print(const std::string& line)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

bool parseStepMs(const wchar_t* text, unsigned& value)
{
    wchar_t* end = nullptr;
    const unsigned long parsed = std::wcstoul(text, &end, 10);
    if (end == text || *end != L'\0' || parsed > 60000)
        return false;
    value = static_cast<unsigned>(parsed);
    return true;
}

testing::AssertionResult takeScreenshot(const e2e::TarrowDriver& app, const std::wstring& folder, const std::string& id)
{
    ::WaitForInputIdle(app.process(), kIdleWaitMs);
    app.window().send(WM_NULL);
    ::Sleep(kShowDelayMs);
    const std::optional<RECT> area = ScreenCapture::areaOf(app.pid());
    if (!area)
        return testing::AssertionFailure() << "no window of Tarrow on the screen for " << id;
    return ScreenCapture::saveBmp(*area, folder + L"\\" + testkit::encoding::fromUtf8(id) + L".bmp");
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    ::SetConsoleOutputCP(CP_UTF8);
    DemoSettings settings;
    if (argc < 4 || argc > 5 || (argc == 5 && !parseStepMs(argv[4], settings.stepMs))) {
        print("usage: tarrow_demo <run folder> <design.stp> <output folder> [<burnkit step ms, 0-60000>]");
        return 2;
    }
    if (argc < 5)
        settings.stepMs = kDefaultStepMs;
    settings.folder = argv[1];
    settings.design = argv[2];
    const std::wstring output = argv[3];
    settings.deviceDir = output + L"\\device";

    DemoSession demo(settings);
    testing::AssertionResult outcome = demo.start();
    testing::AssertionResult screenshots = testing::AssertionSuccess();
    if (outcome) {
        outcome = demo.run([&](const DemoStep& step) {
            std::string line = "[" + step.id + "] " + toUtf8(step.title);
            if (!step.result.empty())
                line += ": " + toUtf8(step.result);
            print(line);
            if (screenshots)
                screenshots = takeScreenshot(demo.app(), output, step.id);
        });
    }
    if (outcome && !screenshots)
        outcome = screenshots;
    if (demo.app().window().exists()) {
        const std::wstring logPath = output + L"\\log.txt";
        if (!e2e::Sandbox::writeBytes(logPath, toUtf8(demo.app().logText())) && outcome)
            outcome = testing::AssertionFailure() << "cannot write " << toUtf8(logPath);
    }
    if (outcome)
        outcome = demo.finish();

    const std::string verdict = outcome ? std::string("passed") : "failed: " + std::string(outcome.message());
    print("demo " + verdict);
    e2e::Sandbox::writeBytes(output + L"\\result.txt", verdict + "\n");
    return outcome ? 0 : 1;
}
