// What Program, Verify and Erase hand to the back-end tool, and what they
// report when there is nothing to hand it.

#include "Encoding.h"
#include "Sandbox.h"
#include "TarrowDriver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace e2e;
using testkit::encoding::toUtf8;

struct Action {
    int button;
    const wchar_t* option;
};
const Action kActions[] = {
    {ids::kProgram, L"-aprogram"},
    {ids::kVerify, L"-averify"},
    {ids::kErase, L"-aerase"},
};

const char kRecordArgs[] = "args args.txt\nout tool ran\\r\\n\n";

// Runs one action on the file box text and waits for its run to end.
testing::AssertionResult RunAction(TarrowDriver& app, int button, const std::wstring& fileBoxText)
{
    testing::AssertionResult set = app.setText(ids::kFilePath, fileBoxText);
    if (!set)
        return set;
    const size_t before = app.logText().size();
    if (!app.click(button))
        return testing::AssertionFailure() << "the click did not reach the button";
    return app.waitFor(
        [&] {
            return app.logText().size() > before && app.isEnabled(ids::kProgram) && app.isEnabled(ids::kVerify)
                && app.isEnabled(ids::kErase);
        },
        "the action's run to end");
}

void ExpectArguments(const ArgsRecord& record, const std::vector<std::wstring>& expected)
{
    EXPECT_EQ(expected, record.argv) << "C runtime argv of: " << toUtf8(record.commandLine);
    EXPECT_EQ(expected, record.shellArgv) << "CommandLineToArgvW of: " << toUtf8(record.commandLine);
}

TEST(DeviceAction, EachButtonPassesToolPathOptionAndFileExactly)
{
    for (bool awkward : {false, true}) {
        SCOPED_TRACE(awkward ? "folder with spaces and Chinese" : "plain folder");
        SandboxOptions options;
        options.awkwardName = awkward;
        Sandbox box(options);
        ASSERT_TRUE(box.ready());
        const std::wstring tool = box.installTool(L"burnkit.exe", kRecordArgs);
        const std::wstring file = box.writeFile(L"设计 文件 v1.dat", "DAT");
        TarrowDriver app(box);
        ASSERT_TRUE(app.start());

        for (const Action& action : kActions)
            ASSERT_TRUE(RunAction(app, action.button, file));

        const std::vector<ArgsRecord> records = box.args(L"args.txt");
        ASSERT_EQ(3u, records.size());
        for (size_t i = 0; i < 3; ++i) {
            ExpectArguments(records[i], {tool, kActions[i].option, file});
            EXPECT_EQ(L"\"" + tool + L"\" " + kActions[i].option + L" \"" + file + L"\"", records[i].commandLine)
                << "the documented command-line format";
        }
        EXPECT_EQ(L"tool ran\r\n\r\ntool ran\r\n\r\ntool ran\r\n\r\n", app.logText());
    }
}

TEST(DeviceAction, ToolRunsHiddenWithOutputAndErrorInOnePipeAndNoInput)
{
    Sandbox box;
    ASSERT_TRUE(box.ready());
    box.installTool(L"burnkit.exe", "args args.txt\nout to stdout\\r\\n\nerr to stderr\\r\\n\n");
    const std::wstring file = box.writeFile(L"a.dat", "x");
    TarrowDriver app(box);
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(RunAction(app, ids::kProgram, file));

    EXPECT_EQ(L"to stdout\r\nto stderr\r\n\r\n", app.logText());
    const std::vector<ArgsRecord> records = box.args(L"args.txt");
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ("pipe", records[0].stdoutKind);
    EXPECT_EQ("pipe", records[0].stderrKind);
    EXPECT_NE("pipe", records[0].stdinKind);
}

TEST(DeviceAction, DirectoryWithTrailingBackslashReachesTheToolWhole)
{
    Sandbox box;
    ASSERT_TRUE(box.ready());
    const std::wstring tool = box.installTool(L"burnkit.exe", kRecordArgs);
    const std::wstring directory = box.makeDirectory(L"device image") + L"\\";
    TarrowDriver app(box);
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(RunAction(app, ids::kVerify, directory));

    const std::vector<ArgsRecord> records = box.args(L"args.txt");
    ASSERT_EQ(1u, records.size());
    ExpectArguments(records[0], {tool, L"-averify", directory});
}

TEST(DeviceAction, FileBoxTextIsUsedExactlyAsTyped)
{
    Sandbox box;
    ASSERT_TRUE(box.ready());
    const std::wstring tool = box.installTool(L"burnkit.exe", kRecordArgs);
    box.makeDirectory(L"sub");
    box.writeFile(L"sub\\a.dat", "x");
    TarrowDriver app(box);
    ASSERT_TRUE(app.start());
    // A relative name, with an untidy "..", is resolved by nobody but the tool.
    const std::wstring typed = box.path() + L"\\sub\\..\\sub\\a.dat";
    ASSERT_TRUE(RunAction(app, ids::kErase, typed));

    const std::vector<ArgsRecord> records = box.args(L"args.txt");
    ASSERT_EQ(1u, records.size());
    ExpectArguments(records[0], {tool, L"-aerase", typed});
}

TEST(DeviceAction, EnterInTheFileBoxPrograms)
{
    Sandbox box;
    ASSERT_TRUE(box.ready());
    const std::wstring tool = box.installTool(L"burnkit.exe", kRecordArgs);
    const std::wstring file = box.writeFile(L"a.dat", "x");
    TarrowDriver app(box);
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.setText(ids::kFilePath, file));

    app.pressKey(ids::kFilePath, VK_RETURN);
    ASSERT_TRUE(app.waitFor([&] { return app.logText() == L"tool ran\r\n\r\n"; }, "the tool's run"));
    const std::vector<ArgsRecord> records = box.args(L"args.txt");
    ASSERT_EQ(1u, records.size());
    ExpectArguments(records[0], {tool, L"-aprogram", file});
    EXPECT_TRUE(app.alive()) << "Enter must not end the dialog";
}

TEST(DeviceAction, MissingOrEmptyFileIsReportedAndNothingRuns)
{
    Sandbox box;
    ASSERT_TRUE(box.ready());
    box.installTool(L"burnkit.exe", kRecordArgs);
    TarrowDriver app(box);
    ASSERT_TRUE(app.start());

    ASSERT_TRUE(RunAction(app, ids::kProgram, box.file(L"no such file.dat")));
    ASSERT_TRUE(RunAction(app, ids::kVerify, L""));
    ASSERT_TRUE(RunAction(app, ids::kErase, L"   "));
    EXPECT_EQ(L"文件不存在！\r\n文件不存在！\r\n文件不存在！\r\n", app.logText());
    EXPECT_FALSE(box.exists(L"args.txt")) << "the tool must not have been started";
}

TEST(DeviceAction, MissingToolIsReportedOnceWithoutTheClosingLineBreak)
{
    Sandbox box;
    ASSERT_TRUE(box.ready());
    const std::wstring file = box.writeFile(L"a.dat", "x");
    TarrowDriver app(box);
    ASSERT_TRUE(app.start());

    ASSERT_TRUE(RunAction(app, ids::kProgram, file));
    EXPECT_EQ(L"创建工作进程失败！\r\n", app.logText());
    // The runner is idle again: the next press reports again.
    ASSERT_TRUE(RunAction(app, ids::kErase, file));
    EXPECT_EQ(L"创建工作进程失败！\r\n创建工作进程失败！\r\n", app.logText());
}

} // namespace
