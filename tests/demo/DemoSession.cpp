#include "DemoSession.h"

#include "Encoding.h"
#include "FileDialogDriver.h"

#include <UniqueAny.h>

#include <windows.h>

#include <chrono>
#include <optional>
#include <utility>

namespace {

using namespace e2e;
using testkit::encoding::toUtf8;

// The longest run of the session is one step per page of the design; a
// design of this many pages still finishes within the deadline.
constexpr unsigned kStepsPerRunAllowed = 128;

const wchar_t kRunEnd[] = L"\r\n\r\n";

bool startsWith(const std::wstring& text, const std::wstring& head)
{
    return text.compare(0, head.size(), head) == 0;
}

bool hasStpExtension(const std::wstring& path)
{
    return path.size() > 4 && ::CompareStringOrdinal(path.c_str() + path.size() - 4, 4, L".stp", 4, TRUE) == CSTR_EQUAL;
}

std::wstring lastNonEmptyLine(const std::wstring& text)
{
    std::size_t end = text.size();
    while (end > 0) {
        const std::size_t newline = text.find_last_of(L"\r\n", end - 1);
        const std::size_t start = newline == std::wstring::npos ? 0 : newline + 1;
        if (end > start)
            return text.substr(start, end - start);
        if (newline == std::wstring::npos)
            break;
        end = newline;
    }
    return std::wstring();
}

LaunchOptions launchOptions(const DemoSettings& settings)
{
    LaunchOptions options;
    // Tarrow hands its environment on to the tools. An empty BURNKIT_DEVICE
    // puts the part the design names in the socket, whatever the caller set.
    options.environment = {{L"BURNKIT_DEVICE_DIR", settings.deviceDir},
        {L"BURNKIT_STEP_MS", std::to_wstring(settings.stepMs)}, {L"BURNKIT_DEVICE", L""}};
    return options;
}

void notify(const DemoSession::Observer& observer, const DemoStep& step)
{
    if (observer)
        observer(step);
}

testing::AssertionResult deleteIfPresent(const std::wstring& path)
{
    if (::DeleteFileW(path.c_str()))
        return testing::AssertionSuccess();
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "cannot delete " << toUtf8(path) << " (error " << error << ")";
}

} // namespace

DemoSession::DemoSession(DemoSettings settings)
    : settings_(std::move(settings))
    , app_(settings_.folder + L"\\Tarrow.exe", launchOptions(settings_))
{
    if (hasStpExtension(settings_.design))
        datPath_ = settings_.design.substr(0, settings_.design.size() - 3) + L"dat";
}

testing::AssertionResult DemoSession::start()
{
    if (datPath_.empty())
        return testing::AssertionFailure() << "the design " << toUtf8(settings_.design) << " is not an .stp file";
    if (::GetFileAttributesW(settings_.design.c_str()) == INVALID_FILE_ATTRIBUTES)
        return testing::AssertionFailure() << "no design " << toUtf8(settings_.design);
    // A DAT file from an earlier session would bring up the overwrite prompt.
    if (testing::AssertionResult deleted = deleteIfPresent(datPath_); !deleted)
        return deleted;
    if (testing::AssertionResult cleared = clearDevice(); !cleared)
        return cleared;
    return app_.start();
}

testing::AssertionResult DemoSession::clearDevice() const
{
    // A missing memory file is a blank part. The folder is the session's
    // own, so every memory file in it goes.
    if (!::CreateDirectoryW(settings_.deviceDir.c_str(), nullptr)) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_ALREADY_EXISTS)
            return testing::AssertionFailure()
                << "cannot create the device folder " << toUtf8(settings_.deviceDir) << " (error " << error << ")";
    }
    WIN32_FIND_DATAW found;
    const UniqueFind search(::FindFirstFileW((settings_.deviceDir + L"\\*.bin").c_str(), &found));
    if (!search)
        return testing::AssertionSuccess();
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        if (testing::AssertionResult deleted = deleteIfPresent(settings_.deviceDir + L"\\" + found.cFileName); !deleted)
            return deleted;
    } while (::FindNextFileW(search.get(), &found));
    return testing::AssertionSuccess();
}

testing::AssertionResult DemoSession::run(const Observer& afterStep)
{
    notify(afterStep, {"1-start", L"启动 Tarrow", {}});
    if (testing::AssertionResult browsed = browse(afterStep); !browsed)
        return browsed;

    struct Action {
        const char* id;
        int button;
        const wchar_t* expected; // how the tool's last line starts
    };
    const Action actions[] = {
        {"4-program", ids::kProgram, L"编程完成。"},
        {"5-verify", ids::kVerify, L"校验通过。"},
        {"6-erase", ids::kErase, L"擦除完成。"},
        // Nothing of the design is left on the part, so this one must fail.
        {"7-verify-blank", ids::kVerify, L"校验失败："},
    };
    for (const Action& action : actions) {
        if (testing::AssertionResult done = deviceAction(action.id, action.button, action.expected, afterStep); !done)
            return done;
    }
    return testing::AssertionSuccess();
}

testing::AssertionResult DemoSession::browse(const Observer& afterStep)
{
    const std::size_t before = app_.logText().size();
    if (!app_.click(ids::kBrowse))
        return testing::AssertionFailure() << "Browse did not take the click; " << app_.describe();
    FileDialogDriver dialog(app_);
    if (testing::AssertionResult shown = dialog.waitForDialog(); !shown)
        return shown;
    // Typed in first, so the dialog is seen with the name in it.
    const Window nameBox = dialog.nameBox();
    if (!nameBox.setText(settings_.design))
        return testing::AssertionFailure() << "the file dialog's name box did not take the design's path";
    notify(afterStep, {"2-browse", L"浏览：选择 STP 文件", {}});
    if (testing::AssertionResult chosen = dialog.choose(settings_.design); !chosen)
        return chosen;

    std::wstring closing;
    if (testing::AssertionResult ended = waitForRunEnd(before, closing); !ended)
        return ended;
    if (closing != L"Done. 转换完成。")
        return testing::AssertionFailure()
            << "the conversion ended with '" << toUtf8(closing) << "'; " << app_.describe();
    if (testing::AssertionResult filled
        = app_.waitFor([&] { return app_.text(ids::kFilePath) == datPath_; }, "the DAT file's path in the file box");
        !filled)
        return filled;
    notify(afterStep, {"3-convert", L"转换为 DAT 文件", closing});
    return testing::AssertionSuccess();
}

testing::AssertionResult DemoSession::deviceAction(
    const char* id, int button, const std::wstring& expected, const Observer& afterStep)
{
    const std::size_t before = app_.logText().size();
    const std::wstring title = app_.text(button);
    if (!app_.click(button))
        return testing::AssertionFailure()
            << "the button '" << toUtf8(title) << "' did not take the click; " << app_.describe();
    std::wstring closing;
    if (testing::AssertionResult ended = waitForRunEnd(before, closing); !ended)
        return ended;
    if (!startsWith(closing, expected))
        return testing::AssertionFailure() << "'" << toUtf8(title) << "' ended with '" << toUtf8(closing)
                                           << "' instead of '" << toUtf8(expected) << "...'; " << app_.describe();
    notify(afterStep, {id, title, closing});
    return testing::AssertionSuccess();
}

testing::AssertionResult DemoSession::waitForRunEnd(std::size_t before, std::wstring& closing) const
{
    std::wstring run;
    const auto deadline = kDefaultTimeout + std::chrono::milliseconds(settings_.stepMs) * kStepsPerRunAllowed;
    testing::AssertionResult ended = app_.waitFor(
        [&] {
            // Whatever Tarrow adds after the run (a failed conversion's
            // message) may already follow the empty line.
            const std::optional<std::wstring> text = app_.tryLogText();
            const std::size_t end = text ? text->find(kRunEnd, before) : std::wstring::npos;
            if (end == std::wstring::npos || !app_.isEnabled(ids::kProgram))
                return false;
            run = text->substr(before, end - before);
            return true;
        },
        "the tool's run to end", deadline);
    if (ended)
        closing = lastNonEmptyLine(run);
    return ended;
}

testing::AssertionResult DemoSession::finish()
{
    if (!app_.click(ids::kExit))
        return testing::AssertionFailure() << "Exit did not take the click; " << app_.describe();
    return app_.waitForExit();
}
