// How the runner starts a tool: what the tool is given (its console, its
// pipe, the handles it inherits) and the job it runs in. The scripted double
// plays the tool and reports what it sees.

#include <CommandLine.h>
#include <ToolLog.h>
#include <UniqueAny.h>
#include <WorkerRunner.h>
#include "ConsoleRun.h"
#include "Process.h"
#include "Sandbox.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

// Keeps the tool's output. A test may act once, at the first chunk, from
// inside the run, as a window's handler can.
class KeptLog : public ToolLog {
public:
    void AppendLine(const std::wstring&) override { }
    void BeginOutput() override { }
    void AppendOutput(const char* bytes, size_t length) override
    {
        output_.append(bytes, length);
        if (onOutput_)
            std::exchange(onOutput_, nullptr)();
    }
    void EndOutput() override { }
    int LineCount() const override { return 1; }
    std::wstring Line(int, int) const override { return {}; }

    void OnFirstOutput(std::function<void()> action) { onOutput_ = std::move(action); }
    const std::string& Output() const { return output_; }

private:
    std::string output_;
    std::function<void()> onOutput_;
};

class ToolStart : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_box.ready());
        m_tool = m_box.installTool(L"burnkit.exe");
    }
    void TearDown() override
    {
        for (const e2e::EnvVar& variable : m_box.environment())
            ::SetEnvironmentVariableW(variable.name.c_str(), nullptr);
    }

    // The runner starts the tool from this process: it finds its script in
    // this environment.
    void Script(const std::string& script)
    {
        m_box.setScript(L"burnkit.exe", script);
        for (const e2e::EnvVar& variable : m_box.environment())
            ::SetEnvironmentVariableW(variable.name.c_str(), variable.value.c_str());
    }
    bool Run(WorkerRunner& runner) { return runner.Run(QuoteArgument(m_tool)); }

    e2e::Sandbox m_box{e2e::SandboxOptions{false, L""}};
    std::wstring m_tool;
    KeptLog m_log;
};

TEST_F(ToolStart, TheToolHasAConsoleWithNoWindowAndAPipeThatHolds64KB)
{
    // Held inside the first chunk, the runner reads nothing more: all that
    // the tool writes after it must fit in the pipe.
    Script("args args.txt\nout ready\\r\\n\nfiller 64K\ntouch written\n");
    WorkerRunner runner(m_log);
    testing::AssertionResult written = testing::AssertionFailure() << "no output came";
    m_log.OnFirstOutput([&] { written = m_box.waitForFile(L"written"); });
    ASSERT_TRUE(Run(runner));

    EXPECT_TRUE(written) << "the tool blocked on a full pipe";
    const std::vector<e2e::ArgsRecord> records = m_box.args(L"args.txt");
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(L"windowless", records[0].fields.at("console"));
    EXPECT_EQ(std::to_wstring(::GetACP()), records[0].fields.at("consolecp")) << "a console that works";
    EXPECT_EQ(7u + 64 * 1024, m_log.Output().size());
}

TEST_F(ToolStart, AnInheritableHandleOfAnotherThreadIsNotHandedToTheTool)
{
    // A set event that a thread of Tarrow's other than the runner's (a
    // shell extension inside the file dialog, say) holds inheritable while
    // the tool starts.
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    const UniqueHandle event(::CreateEventW(&inherit, TRUE, TRUE, nullptr));
    ASSERT_TRUE(event);
    const std::string value = std::to_string(reinterpret_cast<std::uintptr_t>(event.get()));
    Script("handle " + value + " handles.txt\n");

    // Started the plain way, the double is handed the event and sees it.
    e2e::ConsoleRunOptions options;
    options.environment = m_box.environment();
    e2e::ConsoleRun plain(m_tool, options);
    ASSERT_TRUE(plain.start());
    ASSERT_TRUE(plain.waitForExit());
    if (m_box.readFile(L"handles.txt") != value + "=set\n")
        GTEST_SKIP() << "the platform did not hand a child an inheritable handle: "
                     << m_box.readFile(L"handles.txt").value_or("no report");

    WorkerRunner runner(m_log);
    ASSERT_TRUE(Run(runner));
    const std::string report = m_box.readFile(L"handles.txt").value_or("");
    EXPECT_NE(std::string::npos, report.find('\n' + value + "=")) << "no report from the tool";
    EXPECT_EQ(std::string::npos, report.find('\n' + value + "=set")) << "the tool holds the event";
}

// The tool's job, where Tarrow's own job keeps it from joining one, as on
// Windows 7: the platform's refusal is played by the test.
TEST_F(ToolStart, WhereTheToolCannotJoinItsJobItLeavesTarrowsOrRunsWithoutOne)
{
    struct Case {
        const char* what;
        bool mayLeaveOwnJob;
        // Stopping the run ends what the tool started only where it has a job.
        bool helperEndsWithTheTool;
    };
    const Case cases[] = {
        {"Tarrow's job lets it go: started again outside, in a job of its own", true, true},
        {"Tarrow's job holds it: it runs without a job", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const wchar_t* file : {L"args.txt", L"helper.txt", L"helper-ready", L"go", L"helper-done"})
            ::DeleteFileW(m_box.file(file).c_str());
        m_box.writeFile(L"helper.script", "args helper.txt\ntouch helper-ready\nwaitfile go\ntouch helper-done\n");
        Script("args args.txt\nspawn helper.script\nwaitfile helper-ready\nout working\\r\\n\nwaitfile never\n");

        std::vector<UniqueHandle> refused;
        WorkerRunner::JobCalls jobs = WorkerRunner::JobCalls::Platform();
        const auto platformAssign = jobs.assign;
        jobs.assign = [&](HANDLE job, HANDLE process) {
            if (!refused.empty())
                return platformAssign(job, process);
            HANDLE kept = nullptr;
            ::DuplicateHandle(
                ::GetCurrentProcess(), process, ::GetCurrentProcess(), &kept, 0, FALSE, DUPLICATE_SAME_ACCESS);
            refused.emplace_back(kept);
            return false;
        };
        jobs.mayLeaveOwnJob = [&] { return c.mayLeaveOwnJob; };
        WorkerRunner runner(m_log, jobs);
        // The tool prints once its helper has recorded itself.
        e2e::Process helper;
        m_log.OnFirstOutput([&] {
            const std::vector<e2e::ArgsRecord> helpers = m_box.args(L"helper.txt");
            if (helpers.size() == 1)
                helper = e2e::Process(helpers[0].pid);
            runner.Stop();
        });
        ASSERT_TRUE(Run(runner));

        const std::vector<e2e::ArgsRecord> tools = m_box.args(L"args.txt");
        ASSERT_EQ(1u, tools.size()) << "the tool ran once";
        ASSERT_TRUE(helper.opened());
        ASSERT_EQ(1u, refused.size());
        ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(refused[0].get(), 20000)) << "the refused tool still runs";
        DWORD code = 0;
        EXPECT_TRUE(::GetExitCodeProcess(refused[0].get(), &code) && code == 0xFFFFFFFF);
        EXPECT_EQ(c.mayLeaveOwnJob, ::GetProcessId(refused[0].get()) != tools[0].pid)
            << "the tool that runs is the one refused only where it could not leave";

        if (c.helperEndsWithTheTool) {
            EXPECT_TRUE(helper.waitForExit());
        } else {
            m_box.writeFile(L"go", "");
            EXPECT_TRUE(m_box.waitForFile(L"helper-done")) << "the helper was ended with the tool";
        }
    }
}

} // namespace
