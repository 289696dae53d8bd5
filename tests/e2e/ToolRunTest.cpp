// A tool run through the real window: the button starts the tool beside
// Tarrow.exe with its option and the file in the box, and what the tool
// prints shows in the log.

#include "Encoding.h"
#include "Sandbox.h"
#include "TarrowDriver.h"

#include <gtest/gtest.h>

namespace {

using namespace e2e;

TEST(ToolRunTest, EraseRunsBurnkitAndShowsBothStreamsInTheLog)
{
    Sandbox box;
    ASSERT_TRUE(box.ready());
    box.installTool(L"burnkit.exe",
        "args burnkit-args.txt\n"
        "out 正在擦除...\\r\\n\n"
        "err 擦除完成\\r\\n\n");
    const std::wstring image = box.writeFile(L"image.dat", "data");
    TarrowDriver app(box);
    ASSERT_TRUE(app.start());

    ASSERT_TRUE(app.setText(ids::kFilePath, image));
    EXPECT_TRUE(app.click(ids::kErase));
    EXPECT_TRUE(app.waitForLog(L"正在擦除...\r\n擦除完成\r\n"));

    const std::vector<ArgsRecord> runs = box.args(L"burnkit-args.txt");
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].exe, box.file(L"burnkit.exe"));
    const std::vector<std::wstring> expected = {box.file(L"burnkit.exe"), L"-aerase", image};
    EXPECT_EQ(runs[0].argv, expected) << testkit::encoding::toUtf8(runs[0].commandLine);
}

TEST(ToolRunTest, ProgramPassesAFileWithSpacesAndChineseAsOneArgument)
{
    Sandbox box(SandboxOptions{true});
    ASSERT_TRUE(box.ready());
    box.installTool(L"burnkit.exe", "args burnkit-args.txt\nout 编程完成\\r\\n\n");
    const std::wstring firmware = box.writeFile(L"固件 映像.dat", "data");
    TarrowDriver app(box);
    ASSERT_TRUE(app.start());

    ASSERT_TRUE(app.setText(ids::kFilePath, firmware));
    EXPECT_TRUE(app.click(ids::kProgram));
    EXPECT_TRUE(app.waitForLog(L"编程完成\r\n"));

    const std::vector<ArgsRecord> runs = box.args(L"burnkit-args.txt");
    ASSERT_EQ(runs.size(), 1u);
    const std::vector<std::wstring> expected = {box.file(L"burnkit.exe"), L"-aprogram", firmware};
    EXPECT_EQ(runs[0].argv, expected) << testkit::encoding::toUtf8(runs[0].commandLine);
    EXPECT_EQ(runs[0].shellArgv, expected);
}

} // namespace
