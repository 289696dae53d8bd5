#include "ArgsRecord.h"

#include "Encoding.h"
#include "Sandbox.h"

#include <cstdlib>

namespace e2e {
namespace {

void fillKnownFields(ArgsRecord& record)
{
    const auto text = [&](const char* key) {
        const auto found = record.fields.find(key);
        return found == record.fields.end() ? std::wstring() : found->second;
    };
    const auto list = [&](const char* countKey, const char* itemKey) {
        std::vector<std::wstring> items;
        const int count = _wtoi(text(countKey).c_str());
        for (int i = 0; i < count; ++i)
            items.push_back(text((std::string(itemKey) + "[" + std::to_string(i) + "]").c_str()));
        return items;
    };

    record.pid = std::wcstoul(text("pid").c_str(), nullptr, 10);
    record.exe = text("exe");
    record.cwd = text("cwd");
    record.commandLine = text("cmdline");
    record.argv = list("argc", "argv");
    record.shellArgv = list("shellargc", "shellargv");
    record.stdinKind = testkit::encoding::toUtf8(text("stdin"));
    record.stdoutKind = testkit::encoding::toUtf8(text("stdout"));
    record.stderrKind = testkit::encoding::toUtf8(text("stderr"));
}

} // namespace

std::vector<ArgsRecord> ArgsRecord::parse(std::string_view text)
{
    std::vector<ArgsRecord> records;
    ArgsRecord current;
    bool open = false;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);

        if (line == "end") {
            if (open) {
                fillKnownFields(current);
                records.push_back(std::move(current));
            }
            current = ArgsRecord();
            open = false;
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        const std::string key(line.substr(0, equals));
        if (key == "pid") {
            // A new record starting before the last one ended: that one is damaged.
            current = ArgsRecord();
            open = true;
        }
        current.fields[key] = testkit::encoding::fromRecordValue(line.substr(equals + 1));
    }
    return records;
}

std::vector<ArgsRecord> ArgsRecord::load(const std::wstring& path)
{
    const std::optional<std::string> text = Sandbox::readBytes(path);
    return text ? parse(*text) : std::vector<ArgsRecord>();
}

} // namespace e2e
