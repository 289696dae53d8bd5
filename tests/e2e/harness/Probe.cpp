#include "Probe.h"

#include "BuildTree.h"
#include "Encoding.h"
#include "ProbeProtocol.h"
#include "Sandbox.h"

#include <cstdlib>

namespace e2e {
namespace {

std::wstring replyPath(DWORD processId, unsigned number)
{
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    return std::wstring(temp, length) + L"tarrow-e2e-probe-" + std::to_wstring(processId) + L"-"
        + std::to_wstring(number) + L".txt";
}

// What a request takes along, beside its answer: "...-<number>.in".
std::wstring inputPath(DWORD processId, unsigned number)
{
    std::wstring path = replyPath(processId, number);
    path.replace(path.size() - 4, 4, L".in");
    return path;
}

} // namespace

testing::AssertionResult Probe::loadHook()
{
    if (hookProcedure_)
        return testing::AssertionSuccess();
    const std::wstring dll = BuildTree::probeDll();
    module_.reset(::LoadLibraryW(dll.c_str()));
    if (!module_)
        return testing::AssertionFailure()
            << "cannot load " << testkit::encoding::toUtf8(dll) << " (error " << ::GetLastError() << ")";
    using Getter = HOOKPROC (*)();
    const auto getter
        = reinterpret_cast<Getter>(reinterpret_cast<void*>(::GetProcAddress(module_.get(), probe::kHookGetterName)));
    if (!getter)
        return testing::AssertionFailure() << "the probe DLL exports no " << probe::kHookGetterName;
    hookProcedure_ = getter();
    return testing::AssertionSuccess();
}

std::optional<std::vector<std::pair<std::string, std::wstring>>> Probe::ask(
    unsigned short kind, unsigned short argument, std::chrono::milliseconds timeout, const std::string& input)
{
    if (const testing::AssertionResult loaded = loadHook(); !loaded) {
        lastError_ = loaded.message();
        return std::nullopt;
    }
    // Hooked only while asking: Wine loads the DLL into Tarrow for every
    // message the hook sees, which would slow Tarrow down for the whole test.
    const testkit::OwnedHook hook(
        ::SetWindowsHookExW(WH_GETMESSAGE, hookProcedure_, module_.get(), target_.threadId()));
    if (!hook) {
        lastError_ = "cannot hook Tarrow's GUI thread (error " + std::to_string(::GetLastError()) + ")";
        return std::nullopt;
    }
    static unsigned nextNumber = 0;
    const unsigned number = ++nextNumber;
    const std::wstring reply = replyPath(target_.processId(), number);
    ::DeleteFileW(reply.c_str());
    if (!input.empty() && !Sandbox::writeBytes(inputPath(target_.processId(), number), input)) {
        lastError_ = "cannot write the request's input file";
        return std::nullopt;
    }

    const UINT request = ::RegisterWindowMessageW(probe::kRequestMessageName);
    if (!target_.post(request, MAKEWPARAM(kind, argument), static_cast<LPARAM>(number))) {
        lastError_ = "cannot post the request to Tarrow's window";
        return std::nullopt;
    }
    std::optional<std::string> text;
    waitUntil([&] { return (text = Sandbox::readBytes(reply)).has_value(); }, timeout);
    if (!text) {
        lastError_ = "no answer from the probe within " + std::to_string(timeout.count()) + " ms";
        return std::nullopt;
    }
    ::DeleteFileW(reply.c_str());

    std::vector<std::pair<std::string, std::wstring>> fields;
    std::string_view rest = *text;
    while (!rest.empty()) {
        const auto end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        const auto equals = line.find('=');
        if (equals != std::string_view::npos)
            fields.emplace_back(
                std::string(line.substr(0, equals)), testkit::encoding::fromRecordValue(line.substr(equals + 1)));
    }
    for (const auto& [key, value] : fields) {
        if (key == "error") {
            lastError_ = "the probe says: " + testkit::encoding::toUtf8(value);
            return std::nullopt;
        }
    }
    return fields;
}

std::optional<std::vector<MenuItem>> Probe::systemMenu(std::chrono::milliseconds timeout)
{
    const auto fields = ask(probe::kSystemMenu, 0, timeout);
    if (!fields)
        return std::nullopt;
    std::vector<MenuItem> items;
    for (const auto& [key, value] : *fields) {
        if (key != "item")
            continue;
        // id \t kind \t state \t text; the text may hold tabs itself.
        MenuItem item;
        std::size_t start = 0;
        std::wstring parts[3];
        for (std::wstring& part : parts) {
            const auto tab = value.find(L'\t', start);
            part = value.substr(start, tab == std::wstring::npos ? std::wstring::npos : tab - start);
            start = tab == std::wstring::npos ? value.size() : tab + 1;
        }
        item.id = static_cast<unsigned>(std::wcstoul(parts[0].c_str(), nullptr, 10));
        item.kind = testkit::encoding::toUtf8(parts[1]);
        item.state = static_cast<unsigned>(std::wcstoul(parts[2].c_str(), nullptr, 16));
        item.text = value.substr(start);
        items.push_back(std::move(item));
    }
    return items;
}

std::optional<FontInfo> Probe::controlFont(int controlId, std::chrono::milliseconds timeout)
{
    const auto fields = ask(probe::kControlFont, static_cast<unsigned short>(controlId), timeout);
    if (!fields)
        return std::nullopt;
    FontInfo font;
    for (const auto& [key, value] : *fields) {
        if (key == "face")
            font.face = value;
        else if (key == "height")
            font.height = std::wcstol(value.c_str(), nullptr, 10);
        else if (key == "weight")
            font.weight = std::wcstol(value.c_str(), nullptr, 10);
        else if (key == "charset")
            font.charset = static_cast<int>(std::wcstol(value.c_str(), nullptr, 10));
    }
    return font;
}

bool Probe::dropFiles(const std::vector<std::wstring>& paths, std::chrono::milliseconds timeout)
{
    std::string input;
    for (const std::wstring& path : paths)
        input += "file=" + testkit::encoding::toRecordValue(path) + "\n";
    return ask(probe::kDropFiles, 0, timeout, input).has_value();
}

} // namespace e2e
