#include "DatFile.h"
#include "Sandbox.h"
#include "StpParser.h"
#include "ToolRunner.h"
#include <UniqueAny.h>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const std::wstring kBurnkit = hostPath(BURNKIT_EXE);
const std::wstring kExamples = hostPath(EXAMPLES_DIR);
// A folder of its own for each test, without a copy of Tarrow.
const e2e::SandboxOptions kScratch{false, L""};

// Every test gets its own simulated part and no artificial delay.
class Burnkit : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetEnvironmentVariableW(L"BURNKIT_DEVICE_DIR", devices_.path().c_str());
        SetEnvironmentVariableW(L"BURNKIT_STEP_MS", L"0");
        SetEnvironmentVariableW(L"BURNKIT_DEVICE", nullptr);

        const std::vector<std::uint8_t> stp = fileBytes(kExamples + L"\\blink_demo.stp");
        design_ = StpParser::parse(std::string(stp.begin(), stp.end())).design;
        ASSERT_FALSE(design_.segments.empty());
        putFile(dat_, DatFile::encode(design_));
    }

    ToolRun burn(const wchar_t* action, const std::wstring& file)
    {
        ToolRun run = ToolRunner::run(kBurnkit, {action, file});
        EXPECT_FALSE(run.timedOut);
        EXPECT_TRUE(run.crlfOnly);
        return run;
    }

    std::wstring memoryFile() const { return devices_.file(L"TRW8K.bin"); }

    std::vector<std::uint8_t> image() const
    {
        std::vector<std::uint8_t> bytes(8192, 0xFF);
        for (const Segment& s : design_.segments)
            std::copy(s.bytes.begin(), s.bytes.end(), bytes.begin() + s.address);
        return bytes;
    }

    e2e::Sandbox devices_{kScratch};
    e2e::Sandbox files_{kScratch};
    const std::wstring dat_ = files_.file(L"blink_demo.dat");
    Design design_;
};

std::size_t countLinesStartingWith(const ToolRun& run, const std::wstring& prefix)
{
    return static_cast<std::size_t>(std::count_if(run.lines.begin(), run.lines.end(),
        [&](const std::wstring& l) { return l.compare(0, prefix.size(), prefix) == 0; }));
}

} // namespace

TEST_F(Burnkit, ProgramVerifyEraseCycle)
{
    const ToolRun program = burn(L"-aprogram", dat_);
    EXPECT_EQ(program.exitCode, 0u) << program.allText();
    EXPECT_EQ(program.lastNonBlankLine(), L"编程完成。");
    EXPECT_EQ(countLinesStartingWith(program, L"正在编程 "), 20u); // pages of 256 bytes holding data
    EXPECT_EQ(program.lines[program.lines.size() - 3], L"正在编程 0x1F00-0x1FFF ... 100%");
    EXPECT_EQ(fileBytes(memoryFile()), image());

    const ToolRun verify = burn(L"-averify", dat_);
    EXPECT_EQ(verify.exitCode, 0u) << verify.allText();
    EXPECT_EQ(verify.lastNonBlankLine(), L"校验通过。");

    const ToolRun again = burn(L"-aprogram", dat_);
    EXPECT_EQ(again.exitCode, 1u);
    EXPECT_EQ(again.lastNonBlankLine(), L"错误：器件非空，请先擦除。");
    EXPECT_EQ(fileBytes(memoryFile()), image());

    const ToolRun erase = burn(L"-aerase", dat_);
    EXPECT_EQ(erase.exitCode, 0u) << erase.allText();
    EXPECT_EQ(erase.lastNonBlankLine(), L"擦除完成。");
    EXPECT_EQ(countLinesStartingWith(erase, L"正在擦除 "), 8u);
    EXPECT_EQ(fileBytes(memoryFile()), std::vector<std::uint8_t>(8192, 0xFF));

    const ToolRun blank = burn(L"-averify", dat_);
    EXPECT_EQ(blank.exitCode, 1u);
    EXPECT_EQ(blank.lastNonBlankLine(), L"校验失败：地址 0x0000 处数据不一致（应为 0x00，读出 0xFF）。");
}

TEST_F(Burnkit, VerifyNamesTheFirstDifferingAddress)
{
    ASSERT_EQ(burn(L"-aprogram", dat_).exitCode, 0u);
    std::vector<std::uint8_t> memory = fileBytes(memoryFile());
    memory[0x0123] ^= 0x01;
    memory[0x1801] ^= 0x01;
    memory[0x0050] = 0x00; // outside the data: verify only compares the design's bytes
    putFile(memoryFile(), memory);

    const ToolRun run = burn(L"-averify", dat_);
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_NE(run.lastNonBlankLine().find(L"校验失败：地址 0x0123 处"), std::wstring::npos) << run.allText();
}

TEST_F(Burnkit, RejectsBadDataFilesWithoutTouchingTheDevice)
{
    std::vector<std::uint8_t> corrupt = fileBytes(dat_);
    corrupt[corrupt.size() / 2] ^= 0x10;
    putFile(files_.file(L"corrupt.dat"), corrupt);
    std::vector<std::uint8_t> truncated = fileBytes(dat_);
    truncated.resize(truncated.size() - 100);
    putFile(files_.file(L"truncated.dat"), truncated);
    putFile(files_.file(L"empty.dat"), std::string());
    Design other = design_;
    other.device = "TRW2K";
    putFile(files_.file(L"unknown.dat"), DatFile::encode(other));
    CreateDirectoryW(files_.file(L"folder.dat").c_str(), nullptr);

    const struct {
        std::wstring file;
        std::wstring last;
    } cases[] = {
        {files_.file(L"missing.dat"), L"错误：找不到数据文件。"},
        {files_.file(L"empty.dat"), L"数据文件检查未通过。"},
        {files_.file(L"folder.dat"), L"错误：数据文件路径是一个文件夹。"},
        {files_.file(L"corrupt.dat"), L"数据文件检查未通过。"},
        {files_.file(L"truncated.dat"), L"数据文件检查未通过。"},
        {files_.file(L"unknown.dat"), L"数据文件检查未通过。"},
        {kExamples + L"\\blink_demo.stp", L"提示：这似乎是文本文件，STP 文件需先用 stpconv 转换为 DAT 文件。"},
    };
    for (const wchar_t* action : {L"-aprogram", L"-averify", L"-aerase"}) {
        for (const auto& c : cases) {
            const ToolRun run = burn(action, c.file);
            EXPECT_EQ(run.exitCode, 1u) << c.file;
            EXPECT_EQ(run.lastNonBlankLine(), c.last) << run.allText();
        }
    }
    EXPECT_NE(burn(L"-aprogram", files_.file(L"corrupt.dat")).allText().find(L"CRC-32"), std::wstring::npos);
    EXPECT_FALSE(devices_.exists(memoryFile()));
}

TEST_F(Burnkit, RejectsBadOptions)
{
    const std::vector<std::vector<std::wstring>> calls = {
        {},
        {L"-aprogram"},
        {L"-aburn", dat_},
        {L"-Aprogram", dat_},
        {dat_, L"-aprogram"},
        {L"-aprogram", dat_, dat_},
    };
    for (const auto& args : calls) {
        const ToolRun run = ToolRunner::run(kBurnkit, args);
        EXPECT_EQ(run.exitCode, 2u);
        EXPECT_EQ(run.lastNonBlankLine(), L"用法：burnkit -aprogram|-averify|-aerase <文件.dat>");
    }
    EXPECT_FALSE(devices_.exists(memoryFile()));
}

TEST_F(Burnkit, RefusesAFileForAnotherDevice)
{
    SetEnvironmentVariableW(L"BURNKIT_DEVICE", L"TRW32K");
    const ToolRun run = burn(L"-aprogram", dat_);
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(run.lastNonBlankLine(), L"错误：数据文件用于器件 TRW8K，与连接的器件不符。");

    SetEnvironmentVariableW(L"BURNKIT_DEVICE", L"TRW8K");
    EXPECT_EQ(burn(L"-aprogram", dat_).exitCode, 0u);
}

TEST_F(Burnkit, DamagedOrBusyDeviceMemory)
{
    putFile(memoryFile(), std::vector<std::uint8_t>(100, 0xFF));
    const ToolRun program = burn(L"-aprogram", dat_);
    EXPECT_EQ(program.exitCode, 1u);
    EXPECT_EQ(program.lastNonBlankLine(), L"错误：器件存储文件已损坏，请先擦除。");
    EXPECT_EQ(burn(L"-aerase", dat_).exitCode, 0u);
    EXPECT_EQ(fileBytes(memoryFile()), std::vector<std::uint8_t>(8192, 0xFF));

    UniqueFile held(
        CreateFileW(memoryFile().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    const ToolRun busy = burn(L"-aprogram", dat_);
    EXPECT_EQ(busy.exitCode, 1u);
    EXPECT_EQ(busy.lastNonBlankLine(), L"错误：器件正被另一个程序使用。");
}

TEST_F(Burnkit, WarnsAboutABadStepSetting)
{
    SetEnvironmentVariableW(L"BURNKIT_STEP_MS", L"fast");
    SetEnvironmentVariableW(L"BURNKIT_DEVICE_DIR", devices_.file(L"sub").c_str());
    const ToolRun run = burn(L"-aerase", dat_);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_NE(run.allText().find(L"警告：BURNKIT_STEP_MS"), std::wstring::npos);
    EXPECT_TRUE(devices_.exists(devices_.file(L"sub\\TRW8K.bin")));
}
