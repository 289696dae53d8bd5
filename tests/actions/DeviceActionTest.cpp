// What Program, Verify and Erase hand to the back-end tool, and what they
// report when there is nothing to hand it.

#include "Encoding.h"
#include "Sandbox.h"
#include "TarrowDriver.h"

#include <gtest/gtest.h>

#include <memory>
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

class DeviceAction : public testing::Test {
protected:
    // A fresh sandbox and Tarrow started in it, with the double as
    // burnkit.exe running the script (by default: record the arguments in
    // args.txt), or with no burnkit.exe at all for a null script.
    void Start(const char* toolScript = kRecordArgs, SandboxOptions options = {})
    {
        app_.reset();
        box_.reset();
        box_ = std::make_unique<Sandbox>(options);
        ASSERT_TRUE(box_->ready());
        if (toolScript)
            tool_ = box_->installTool(L"burnkit.exe", toolScript);
        app_ = std::make_unique<TarrowDriver>(*box_);
        ASSERT_TRUE(app_->start());
    }

    // The tool ran once, with its own path, the option and the file.
    void ExpectOneRun(const wchar_t* option, const std::wstring& file)
    {
        const std::vector<ArgsRecord> records = box_->args(L"args.txt");
        ASSERT_EQ(1u, records.size());
        ExpectArguments(records[0], {tool_, option, file});
    }

    std::unique_ptr<Sandbox> box_;
    std::wstring tool_;
    std::unique_ptr<TarrowDriver> app_;
};

TEST_F(DeviceAction, EachButtonPassesToolPathOptionAndFileExactly)
{
    for (bool awkward : {false, true}) {
        SCOPED_TRACE(awkward ? "folder with spaces and Chinese" : "plain folder");
        SandboxOptions options;
        options.awkwardName = awkward;
        ASSERT_NO_FATAL_FAILURE(Start(kRecordArgs, options));
        const std::wstring file = box_->writeFile(L"设计 文件 v1.dat", "DAT");

        for (const Action& action : kActions)
            ASSERT_TRUE(RunAction(*app_, action.button, file));

        const std::vector<ArgsRecord> records = box_->args(L"args.txt");
        ASSERT_EQ(3u, records.size());
        for (size_t i = 0; i < 3; ++i) {
            ExpectArguments(records[i], {tool_, kActions[i].option, file});
            EXPECT_EQ(L"\"" + tool_ + L"\" " + kActions[i].option + L" \"" + file + L"\"", records[i].commandLine)
                << "the documented command-line format";
        }
        EXPECT_EQ(L"tool ran\r\n\r\ntool ran\r\n\r\ntool ran\r\n\r\n", app_->logText());
    }
}

TEST_F(DeviceAction, ToolRunsHiddenWithOutputAndErrorInOnePipeAndNoInput)
{
    ASSERT_NO_FATAL_FAILURE(Start("args args.txt\nout to stdout\\r\\n\nerr to stderr\\r\\n\n"));
    ASSERT_TRUE(RunAction(*app_, ids::kProgram, box_->writeFile(L"a.dat", "x")));

    EXPECT_EQ(L"to stdout\r\nto stderr\r\n\r\n", app_->logText());
    const std::vector<ArgsRecord> records = box_->args(L"args.txt");
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ("pipe", records[0].stdoutKind);
    EXPECT_EQ("pipe", records[0].stderrKind);
    EXPECT_NE("pipe", records[0].stdinKind);
}

TEST_F(DeviceAction, DirectoryWithTrailingBackslashReachesTheToolWhole)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::wstring directory = box_->makeDirectory(L"device image") + L"\\";
    ASSERT_TRUE(RunAction(*app_, ids::kVerify, directory));
    ExpectOneRun(L"-averify", directory);
}

TEST_F(DeviceAction, FileBoxTextIsUsedExactlyAsTyped)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    box_->makeDirectory(L"sub");
    box_->writeFile(L"sub\\a.dat", "x");
    // A relative name, with an untidy "..", is resolved by nobody but the tool.
    const std::wstring typed = box_->path() + L"\\sub\\..\\sub\\a.dat";
    ASSERT_TRUE(RunAction(*app_, ids::kErase, typed));
    ExpectOneRun(L"-aerase", typed);
}

TEST_F(DeviceAction, EnterInTheFileBoxPrograms)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::wstring file = box_->writeFile(L"a.dat", "x");
    ASSERT_TRUE(app_->setText(ids::kFilePath, file));

    app_->pressKey(ids::kFilePath, VK_RETURN);
    ASSERT_TRUE(app_->waitFor([&] { return app_->logText() == L"tool ran\r\n\r\n"; }, "the tool's run"));
    ExpectOneRun(L"-aprogram", file);
    EXPECT_TRUE(app_->alive()) << "Enter must not end the dialog";
}

TEST_F(DeviceAction, MissingOrEmptyFileIsReportedAndNothingRuns)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(RunAction(*app_, ids::kProgram, box_->file(L"no such file.dat")));
    ASSERT_TRUE(RunAction(*app_, ids::kVerify, L""));
    ASSERT_TRUE(RunAction(*app_, ids::kErase, L"   "));
    EXPECT_EQ(L"文件不存在！\r\n文件不存在！\r\n文件不存在！\r\n", app_->logText());
    EXPECT_FALSE(box_->exists(L"args.txt")) << "the tool must not have been started";
}

TEST_F(DeviceAction, MissingToolIsReportedOnceWithoutTheClosingLineBreak)
{
    ASSERT_NO_FATAL_FAILURE(Start(nullptr));
    const std::wstring file = box_->writeFile(L"a.dat", "x");

    ASSERT_TRUE(RunAction(*app_, ids::kProgram, file));
    EXPECT_EQ(L"创建工作进程失败！\r\n", app_->logText());
    // The runner is idle again: the next press reports again.
    ASSERT_TRUE(RunAction(*app_, ids::kErase, file));
    EXPECT_EQ(L"创建工作进程失败！\r\n创建工作进程失败！\r\n", app_->logText());
}

} // namespace
