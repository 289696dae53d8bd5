#include "DatFile.h"
#include "Sandbox.h"
#include "StpParser.h"
#include "ToolRunner.h"
#include <UniqueAny.h>

#include <gtest/gtest.h>

#include <cwchar>

namespace {

const std::wstring kStpconv = hostPath(STPCONV_EXE);
const std::wstring kExamples = hostPath(EXAMPLES_DIR);
// A folder of its own for each test, without a copy of Tarrow.
const e2e::SandboxOptions kScratch{false, L""};
const std::wstring kFailedLine = L"转换失败。";

ToolRun convert(const std::wstring& input, const std::wstring& output)
{
    return ToolRunner::run(kStpconv, {input, output});
}

std::string exampleText(const std::wstring& name)
{
    const Bytes bytes = fileBytes(kExamples + L"\\" + name);
    return std::string(bytes.begin(), bytes.end());
}

void expectFailure(const ToolRun& run)
{
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 1u) << run.allText();
    EXPECT_TRUE(run.crlfOnly);
    EXPECT_EQ(run.lastNonBlankLine(), kFailedLine);
    EXPECT_EQ(run.lastNonBlankLine().find(L"Done."), std::wstring::npos);
}

} // namespace

TEST(Stpconv, ConvertsTheSampleIntoTheSameDesign)
{
    e2e::Sandbox dir(kScratch);
    const ToolRun run = convert(kExamples + L"\\blink_demo.stp", dir.file(L"blink_demo.dat"));
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.crlfOnly);
    EXPECT_NE(run.lastNonBlankLine().find(L"Done."), std::wstring::npos);
    EXPECT_EQ(dir.names(), std::vector<std::wstring>{L"blink_demo.dat"}); // no temporary file left

    const std::vector<std::uint8_t> dat = fileBytes(dir.file(L"blink_demo.dat"));
    const DatResult written = DatFile::decode(dat.data(), dat.size());
    ASSERT_TRUE(written.ok());
    EXPECT_EQ(written.design, StpParser::parse(exampleText(L"blink_demo.stp")).design);
    EXPECT_GT(written.design.dataSize(), 4000u);
}

TEST(Stpconv, BrokenExamplesFailAtTheirLineAndWriteNothing)
{
    const struct {
        const wchar_t* file;
        unsigned line;
    } cases[] = {
        {L"bad_hex.stp", 6},
        {L"overlap.stp", 6},
        {L"missing_header.stp", 2},
        {L"out_of_range.stp", 5},
        {L"truncated.stp", 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file, c.file + wcslen(c.file)));
        e2e::Sandbox dir(kScratch);
        const ToolRun run = convert(kExamples + L"\\" + c.file, dir.file(L"out.dat"));
        expectFailure(run);
        EXPECT_NE(run.allText().find(c.file + std::wstring(L" 第 ") + std::to_wstring(c.line) + L" 行："),
            std::wstring::npos);
        EXPECT_TRUE(dir.names().empty());
    }
}

TEST(Stpconv, KeepsTheOldDatOnFailureAndReplacesItOnSuccess)
{
    e2e::Sandbox dir(kScratch);
    const std::wstring output = dir.file(L"design.dat");
    const std::vector<std::uint8_t> old = {'o', 'l', 'd', 0, 1, 2};
    putFile(output, old);

    putFile(dir.file(L"bad.stp"), std::string("DEVICE TRW8K\nDESIGN d\n@0 01 02\n@1 03\nEND\n"));
    expectFailure(convert(dir.file(L"bad.stp"), output));
    EXPECT_EQ(fileBytes(output), old);

    // A target held open by someone else makes the final replace fail after
    // the data was written.
    putFile(dir.file(L"good.stp"), std::string("DEVICE TRW8K\nDESIGN d\n@0 01 02\nEND\n"));
    {
        UniqueFile held(CreateFileW(output.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        const ToolRun locked = convert(dir.file(L"good.stp"), output);
        expectFailure(locked);
        EXPECT_NE(locked.allText().find(L"原有文件保持不变"), std::wstring::npos) << locked.allText();
        EXPECT_EQ(fileBytes(output), old);
        EXPECT_EQ(dir.names(), (std::vector<std::wstring>{L"bad.stp", L"design.dat", L"good.stp"}));
    }
    EXPECT_EQ(convert(dir.file(L"good.stp"), output).exitCode, 0u);
    const std::vector<std::uint8_t> now = fileBytes(output);
    EXPECT_TRUE(DatFile::decode(now.data(), now.size()).ok());
    EXPECT_EQ(dir.names(), (std::vector<std::wstring>{L"bad.stp", L"design.dat", L"good.stp"}));
}

TEST(Stpconv, HandlesChinesePathsWithSpaces)
{
    e2e::Sandbox dir(e2e::SandboxOptions{true, L""});
    const std::wstring input = dir.file(L"样例 设计.stp");
    putFile(input, exampleText(L"blink_demo.stp"));
    const ToolRun run = convert(input, dir.file(L"输出 文件.dat"));
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(dir.exists(dir.file(L"输出 文件.dat")));
}

// A name that itself contains "Done." must not make a failure look like success.
TEST(Stpconv, FileErrorsNeverEndWithDone)
{
    e2e::Sandbox dir(kScratch);
    const std::wstring trap = dir.file(L"Done. really.stp");
    putFile(trap, std::string("DEVICE TRW8K\nDESIGN Done.\n@0 0x\nEND\n"));
    putFile(dir.file(L"empty.stp"), std::string());
    putFile(dir.file(L"binary.stp"), DatFile::encode(StpParser::parse(exampleText(L"blink_demo.stp")).design));
    CreateDirectoryW(dir.file(L"folder.stp").c_str(), nullptr);
    const std::vector<std::wstring> before = dir.names();

    const struct {
        std::vector<std::wstring> args;
        std::wstring reason;
    } calls[] = {
        {{trap, dir.file(L"Done..dat")}, L"第 3 行：数据无效"},
        {{dir.file(L"empty.stp"), dir.file(L"a.dat")}, L"第 1 行：文件为空"},
        {{dir.file(L"binary.stp"), dir.file(L"a.dat")}, L"第 1 行：含有控制字符"},
        {{dir.file(L"missing.stp"), dir.file(L"a.dat")}, L"找不到输入文件"},
        {{dir.file(L"folder.stp"), dir.file(L"a.dat")}, L"输入路径是一个文件夹"},
        {{kExamples + L"\\blink_demo.stp", dir.file(L"folder.stp")}, L"输出路径是一个文件夹"},
        {{kExamples + L"\\blink_demo.stp", dir.file(L"no such folder\\a.dat")}, L"无法在输出文件夹中创建临时文件"},
        {{trap, trap}, L"不能与输入文件相同"},
    };
    for (const auto& call : calls) {
        const ToolRun run = ToolRunner::run(kStpconv, call.args);
        expectFailure(run);
        EXPECT_NE(run.allText().find(call.reason), std::wstring::npos) << call.reason;
    }
    EXPECT_EQ(dir.names(), before);

    for (const std::vector<std::wstring>& args :
        std::vector<std::vector<std::wstring>>{{}, {trap}, {trap, trap, trap}}) {
        const ToolRun run = ToolRunner::run(kStpconv, args);
        EXPECT_EQ(run.exitCode, 2u);
        EXPECT_EQ(run.lastNonBlankLine(), kFailedLine);
    }
}
