#pragma once

#include "ArgsRecord.h"
#include "Process.h"
#include "Wait.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace e2e {

struct SandboxOptions {
    // A folder name with spaces and Chinese characters, for the quoting and
    // code page paths of Tarrow.
    bool awkwardName = false;
    // Name of the Tarrow copy in the folder; empty for no copy at all.
    std::wstring tarrowName = L"Tarrow.exe";
    // What is copied; empty: the build's Tarrow.exe (BuildTree::tarrowExe).
    std::wstring tarrowSource = {};
};

// A fresh folder under %TEMP% for one test (or one benchmark run): a copy of
// Tarrow.exe, doubles standing in for its tools, their scripts and any data
// files; without the Tarrow copy, a scratch folder for the tools' own tests.
// The destructor ends programs still running from the folder and deletes it.
//
//     Sandbox box;
//     box.installTool(L"burnkit.exe", "out 正在擦除\\r\\nexit 0\n");
//     TarrowDriver app(box);
class Sandbox {
public:
    explicit Sandbox(SandboxOptions options = {});
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    // False if the folder or the Tarrow copy could not be made (the test
    // has already been failed with the reason).
    bool ready() const { return ready_; }

    const std::wstring& path() const { return path_; }
    // relative resolved inside the folder; an absolute path is kept as it is.
    std::wstring file(const std::wstring& relative) const;
    const std::wstring& tarrowPath() const { return tarrowPath_; }

    // Copies the double in as exeName (e.g. L"burnkit.exe") and gives it the
    // script (UTF-8; see tests/double/README.md). Returns the copy's path.
    std::wstring installTool(const std::wstring& exeName, const std::string& script = {});
    // Replaces the script of an installed tool, e.g. between two runs.
    void setScript(const std::wstring& exeName, const std::string& script);
    std::wstring scriptPath(const std::wstring& exeName) const;

    // Variables every Tarrow started from this sandbox gets: the script of
    // each installed tool, plus whatever addEnvironment added.
    const std::vector<EnvVar>& environment() const { return environment_; }
    void addEnvironment(const std::wstring& name, const std::wstring& value);

    std::wstring writeFile(const std::wstring& relative, std::string_view bytes);
    std::wstring makeDirectory(const std::wstring& relative);
    bool exists(const std::wstring& relative) const;
    // What the folder holds at the top, sorted.
    std::vector<std::wstring> names() const;
    // The file's bytes, or nothing if it cannot be read.
    std::optional<std::string> readFile(const std::wstring& relative) const;
    testing::AssertionResult waitForFile(
        const std::wstring& relative, std::chrono::milliseconds timeout = kDefaultTimeout) const;
    // Records an "args" command of the double appended to that file.
    std::vector<ArgsRecord> args(const std::wstring& relative) const;

    static bool writeBytes(const std::wstring& path, std::string_view bytes);
    static std::optional<std::string> readBytes(const std::wstring& path);

private:
    void setVariable(const std::wstring& name, const std::wstring& value);
    void endProgramsInside() const;

    std::wstring path_;
    std::wstring tarrowPath_;
    std::vector<EnvVar> environment_;
    bool ready_ = false;
};

} // namespace e2e
