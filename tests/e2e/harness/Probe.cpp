#include "Probe.h"

#include "BuildTree.h"
#include "Encoding.h"

#include <cstdlib>

namespace e2e {

using testkit::encoding::toUtf8;

bool Probe::prepare()
{
    if (!view_) {
        const std::wstring name = probe::kMappingPrefix + std::to_wstring(target_.processId());
        mapping_.reset(::CreateFileMappingW(
            INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(probe::Layout), name.c_str()));
        if (mapping_)
            view_.reset(::MapViewOfFile(mapping_.get(), FILE_MAP_WRITE | FILE_MAP_READ, 0, 0, sizeof(probe::Layout)));
        if (!view_) {
            lastError_ = "cannot share memory with the probe (error " + std::to_string(::GetLastError()) + ")";
            return false;
        }
    }
    if (!hookProcedure_) {
        const std::wstring dll = BuildTree::probeDll();
        module_.reset(::LoadLibraryW(dll.c_str()));
        using Getter = HOOKPROC (*)();
        const auto getter = module_
            ? reinterpret_cast<Getter>(reinterpret_cast<void*>(::GetProcAddress(module_.get(), probe::kHookGetterName)))
            : nullptr;
        if (!getter) {
            lastError_ = "cannot load " + toUtf8(dll) + " (error " + std::to_string(::GetLastError()) + ")";
            return false;
        }
        hookProcedure_ = getter();
    }
    return true;
}

std::optional<Probe::Fields> Probe::ask(const Window& window, probe::RequestKind kind, int argument,
    std::chrono::milliseconds timeout, const std::string& input)
{
    if (!prepare())
        return std::nullopt;
    if (input.size() > probe::kInputBytes) {
        lastError_ = "the request's input is too long";
        return std::nullopt;
    }
    probe::Layout* layout = shared();
    layout->window = reinterpret_cast<std::uint64_t>(window.handle());
    layout->kind = kind;
    layout->argument = argument;
    input.copy(layout->input, input.size());
    layout->inputLength = static_cast<std::uint32_t>(input.size());
    const LONG number = layout->requested + 1;
    ::InterlockedExchange(&layout->requested, number);

    const UniqueHook hook(::SetWindowsHookExW(WH_CALLWNDPROC, hookProcedure_, module_.get(), target_.threadId()));
    if (!hook) {
        lastError_ = "cannot hook Tarrow's GUI thread (error " + std::to_string(::GetLastError()) + ")";
        return std::nullopt;
    }
    // The hook runs when the thread next gets a sent message.
    const bool answered = waitUntil(
        [&] {
            target_.send(WM_NULL);
            return ::InterlockedCompareExchange(&layout->answered, 0, 0) == number;
        },
        timeout);
    if (!answered) {
        lastError_ = "no answer from the probe within " + std::to_string(timeout.count()) + " ms";
        return std::nullopt;
    }

    Fields fields;
    std::string_view rest(layout->answer, layout->answerLength);
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
            lastError_ = "the probe says: " + toUtf8(value);
            return std::nullopt;
        }
    }
    return fields;
}

std::optional<std::vector<MenuItem>> Probe::systemMenu(std::chrono::milliseconds timeout)
{
    const auto fields = ask(target_, probe::kSystemMenu, 0, timeout);
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
        item.kind = toUtf8(parts[1]);
        item.state = static_cast<unsigned>(std::wcstoul(parts[2].c_str(), nullptr, 16));
        item.text = value.substr(start);
        items.push_back(std::move(item));
    }
    return items;
}

std::optional<FontInfo> Probe::controlFont(int controlId, std::chrono::milliseconds timeout)
{
    const auto fields = ask(target_, probe::kControlFont, controlId, timeout);
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
    return ask(target_, probe::kDropFiles, 0, timeout, input).has_value();
}

bool Probe::pressKeys(const Window& window, UINT key, const std::vector<UINT>& held, std::chrono::milliseconds timeout)
{
    std::string input = "key=" + std::to_string(key) + "\n";
    for (const UINT down : held)
        input += "held=" + std::to_string(down) + "\n";
    return ask(window, probe::kPressKeys, 0, timeout, input).has_value();
}

testing::AssertionResult Probe::watch(const Window& log, std::chrono::milliseconds timeout)
{
    if (ask(log, probe::kWatchLog, 0, timeout))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "the probe does not watch the log: " << lastError_;
}

} // namespace e2e
