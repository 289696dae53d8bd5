// A tool run through the real window: the button starts the tool beside
// Tarrow.exe with its option and the file in the box, and what the tool
// prints shows in the log.

#include "Encoding.h"
#include "Sandbox.h"
#include "TarrowDriver.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace e2e;

// One button's run: the folder, the file in the box, and what the double
// prints once it has recorded how it was started.
struct ToolRunCase {
    const char* name;
    bool awkwardFolder; // spaces and Chinese in the folder's name
    const wchar_t* fileName;
    int button;
    const wchar_t* option;
    const char* output;
    const wchar_t* log;
};

void PrintTo(const ToolRunCase& run, std::ostream* out)
{
    *out << run.name;
}

const ToolRunCase kRuns[] = {
    {"EraseShowsBothStreamsInTheLog", false, L"image.dat", ids::kErase, L"-aerase",
        "out 正在擦除...\\r\\n\nerr 擦除完成\\r\\n\n", L"正在擦除...\r\n擦除完成\r\n"},
    {"ProgramPassesAFileWithSpacesAndChineseAsOneArgument", true, L"固件 映像.dat", ids::kProgram, L"-aprogram",
        "out 编程完成\\r\\n\n", L"编程完成\r\n"},
};

class ToolRunTest : public testing::TestWithParam<ToolRunCase> { };

TEST_P(ToolRunTest, RunsBurnkitOnTheFileAndShowsWhatItPrints)
{
    const ToolRunCase& run = GetParam();
    Sandbox box(SandboxOptions{run.awkwardFolder});
    ASSERT_TRUE(box.ready());
    box.installTool(L"burnkit.exe", std::string("args burnkit-args.txt\n") + run.output);
    const std::wstring file = box.writeFile(run.fileName, "data");
    TarrowDriver app(box);
    ASSERT_TRUE(app.start());

    ASSERT_TRUE(app.setText(ids::kFilePath, file));
    EXPECT_TRUE(app.click(run.button));
    EXPECT_TRUE(app.waitForLog(run.log));

    const std::vector<ArgsRecord> runs = box.args(L"burnkit-args.txt");
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].exe, box.file(L"burnkit.exe"));
    const std::vector<std::wstring> expected = {box.file(L"burnkit.exe"), run.option, file};
    EXPECT_EQ(runs[0].argv, expected) << testkit::encoding::toUtf8(runs[0].commandLine);
    EXPECT_EQ(runs[0].shellArgv, expected);
}

INSTANTIATE_TEST_SUITE_P(Buttons, ToolRunTest, testing::ValuesIn(kRuns),
    [](const testing::TestParamInfo<ToolRunCase>& info) { return std::string(info.param.name); });

} // namespace
