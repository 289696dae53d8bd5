// The harness's own parts that later tests lean on without looking: record
// parsing, the child environment, and the sandbox's clean-up.

#include "ArgsRecord.h"
#include "ConsoleRun.h"
#include "Encoding.h"
#include "Environment.h"
#include "FillerText.h"
#include "Sandbox.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cwchar>
#include <memory>

namespace {

using namespace e2e;
using testkit::Environment;
using testkit::encoding::upperCase;

TEST(ArgsRecordTest, ParsesRecordsInOrderAndDropsADamagedOne)
{
    const auto records = ArgsRecord::parse("pid=7\n"
                                           "cmdline=\"a.exe\" 100%25 x%0Dy%0Az\n"
                                           "argc=2\nargv[0]=a.exe\nargv[1]=100%25\nargv[2]=beyond argc\n"
                                           "shellargc=1\nshellargv[0]=中文 路径\n"
                                           "stdout=pipe\nend\n"
                                           "pid=8\nargc=0\nend\n"
                                           "pid=9\nargc=1\nargv[0]=cut off\n");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].pid, 7u);
    EXPECT_EQ(records[0].commandLine, L"\"a.exe\" 100% x\ry\nz");
    EXPECT_EQ(records[0].argv, (std::vector<std::wstring>{L"a.exe", L"100%"}));
    EXPECT_EQ(records[0].shellArgv, std::vector<std::wstring>{L"中文 路径"});
    EXPECT_EQ(records[0].stdoutKind, "pipe");
    EXPECT_EQ(records[0].fields.at("argv[2]"), L"beyond argc");
    EXPECT_EQ(records[1].pid, 8u);
    EXPECT_TRUE(records[1].argv.empty());
}

std::vector<EnvVar> entriesOf(const std::wstring& block)
{
    std::vector<EnvVar> entries;
    for (const wchar_t* entry = block.c_str(); *entry; entry += std::wcslen(entry) + 1) {
        const std::wstring text(entry);
        const auto equals = text.find(L'=', 1);
        entries.push_back({text.substr(0, equals), text.substr(equals + 1)});
    }
    return entries;
}

TEST(EnvironmentTest, OverridesReplaceInAnyCaseAndTheRestIsKeptSorted)
{
    ASSERT_TRUE(::SetEnvironmentVariableW(L"E2E_HARNESS_SAMPLE", L"old"));
    EXPECT_EQ(Environment::variable(L"e2e_harness_sample"), L"old");
    const std::wstring block
        = Environment::block({{L"e2e_harness_sample", L"new"}, {L"E2E_HARNESS_ADDED", L"值 with spaces"}});
    ::SetEnvironmentVariableW(L"E2E_HARNESS_SAMPLE", nullptr);
    EXPECT_EQ(Environment::variable(L"E2E_HARNESS_SAMPLE"), L"");

    int sample = 0;
    int added = 0;
    bool hasPath = false;
    std::wstring previous;
    for (const EnvVar& entry : entriesOf(block)) {
        const std::wstring name = upperCase(entry.name);
        if (name == L"E2E_HARNESS_SAMPLE") {
            ++sample;
            EXPECT_EQ(entry.value, L"new");
        }
        if (name == L"E2E_HARNESS_ADDED") {
            ++added;
            EXPECT_EQ(entry.value, L"值 with spaces");
        }
        hasPath = hasPath || name == L"PATH";
        EXPECT_LE(previous, name) << "not sorted";
        previous = name;
    }
    EXPECT_EQ(sample, 1);
    EXPECT_EQ(added, 1);
    EXPECT_TRUE(hasPath) << "inherited variables must stay";
}

bool processRuns(DWORD pid)
{
    return Process(pid).alive();
}

TEST(SandboxTest, GoingAwayEndsProgramsStartedFromItAndDeletesEverything)
{
    auto box = std::make_unique<Sandbox>(SandboxOptions{true, L""});
    ASSERT_TRUE(box->ready());
    const std::wstring folder = box->path();
    EXPECT_NE(folder.find(L' '), std::wstring::npos);
    EXPECT_NE(folder.find(L"测试"), std::wstring::npos);

    box->makeDirectory(L"deeper");
    const std::wstring locked = box->writeFile(L"deeper\\只读.bin", std::string("\0\xFF", 2));
    ASSERT_TRUE(::SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(box->readFile(L"deeper\\只读.bin"), std::string("\0\xFF", 2));
    EXPECT_FALSE(box->readFile(L"missing").has_value());

    // A copy the double spawned, still running when the test ends.
    box->writeFile(L"linger.script", "args linger.txt\nsleep 600000\n");
    const std::wstring exe = box->installTool(L"burnkit.exe", "spawn linger.script\n");
    ConsoleRunOptions options;
    options.environment = box->environment();
    {
        ConsoleRun parent(exe, options);
        ASSERT_TRUE(parent.start());
        ASSERT_TRUE(parent.waitForExit());
    }
    ASSERT_TRUE(box->waitForFile(L"linger.txt"));
    const auto records = box->args(L"linger.txt");
    ASSERT_EQ(records.size(), 1u);
    const DWORD lingering = records[0].pid;
    ASSERT_TRUE(processRuns(lingering));

    box.reset();
    EXPECT_FALSE(processRuns(lingering));
    EXPECT_EQ(::GetFileAttributesW(folder.c_str()), INVALID_FILE_ATTRIBUTES) << "the folder is still there";
}

TEST(SandboxTest, ScriptsAreNamedInTheEnvironmentByToolName)
{
    Sandbox box(SandboxOptions{false, L""});
    box.installTool(L"Burnkit.exe", "out 1\n");
    box.installTool(L"stpconv.exe");
    box.setScript(L"Burnkit.exe", "out 2\n");

    ASSERT_EQ(box.environment().size(), 2u);
    EXPECT_EQ(box.environment()[0].name, L"TOOLDOUBLE_SCRIPT_BURNKIT");
    EXPECT_EQ(box.environment()[0].value, box.scriptPath(L"Burnkit.exe"));
    EXPECT_EQ(box.environment()[1].name, L"TOOLDOUBLE_SCRIPT_STPCONV");
    EXPECT_EQ(box.readFile(box.scriptPath(L"Burnkit.exe")), "out 2\n");
    EXPECT_EQ(box.readFile(box.scriptPath(L"stpconv.exe")), "");
}

TEST(PipeReaderTest, EveryWayOfReadingGetsEveryByteInOrder)
{
    // The benchmark's reference readers count for nothing if they lose or
    // reorder a byte; the stop at a limit must leave the rest in the pipe.
    Sandbox box(SandboxOptions{false, L""});
    const std::wstring exe = box.installTool(L"burnkit.exe", "filler 300000 100\n");
    const std::string expected = tooldouble::FillerText::all(300000, 100);
    ConsoleRunOptions options;
    options.environment = box.environment();
    options.mergeStreams = true;
    options.ownConsole = true;
    for (const int way : {0, 1, 2}) {
        SCOPED_TRACE(way);
        ConsoleRun run(exe, options);
        ASSERT_TRUE(run.start());
        std::string got;
        if (way == 0) {
            EXPECT_EQ(run.outPipe().readToEndPeeking(1024, &got), expected.size());
        } else if (way == 1) {
            EXPECT_EQ(run.outPipe().readToEnd(1024, &got), expected.size());
        } else {
            EXPECT_EQ(run.outPipe().readToEnd(64 * 1024, &got, 100000), 100000u);
            EXPECT_FALSE(run.outPipe().ended());
            EXPECT_EQ(run.outPipe().readToEnd(1000, &got), expected.size() - 100000);
        }
        EXPECT_TRUE(run.outPipe().ended());
        EXPECT_TRUE(got == expected) << "the bytes read differ from what the double wrote";
    }
}

TEST(ProcessTest, ChildrenAreWhatItStartedThatStillRuns)
{
    Sandbox box(SandboxOptions{false, L""});
    box.writeFile(L"child.script", "args child.txt\nsleep 600000\n");
    const std::wstring exe = box.installTool(L"burnkit.exe", "spawn child.script\nwaitfile go\n");
    ConsoleRunOptions options;
    options.environment = box.environment();
    ConsoleRun parent(exe, options);
    ASSERT_TRUE(parent.start());
    ASSERT_TRUE(box.waitForFile(L"child.txt"));
    const auto records = box.args(L"child.txt");
    ASSERT_EQ(records.size(), 1u);

    const std::vector<Process> children = parent.process().children();
    ASSERT_EQ(children.size(), 1u);
    EXPECT_EQ(children[0].pid(), records[0].pid);
    children[0].terminate();
    EXPECT_EQ(children[0].exitCode(), 0xE2Eu);
    EXPECT_TRUE(parent.process().children().empty()) << "an ended child is no longer one";
}

} // namespace
