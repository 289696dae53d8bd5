// The demo session of scripts/run --demo, with the real stpconv.exe and
// burnkit.exe beside Tarrow in a sandbox, at full speed: what it leaves in the
// log, that it starts afresh whatever an earlier session left, and that it
// stops at a step that goes wrong instead of passing it.

#include "BuildTree.h"
#include "DemoSession.h"
#include "Encoding.h"
#include "Sandbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace e2e;
using testkit::encoding::toUtf8;

constexpr std::size_t kTrw8kSize = 8192;

// The log after the session on examples/blink_demo.stp, line by line: the
// tools' own lines, each run closed by Tarrow's empty line. {stp} and {dat}
// stand for the full paths of the design and its DAT file. burnkit opens
// every run alike, so "{burnkit ACTION}" stands for kBurnkitOpening; Program
// and Verify go over the same pages of the design, so "{pages VERB}" stands
// for a line per page of kDataPages.
const wchar_t kTranscript[] = LR"(stpconv 1.0 - STP 转 DAT
输入：{stp}
输出：{dat}
正在读取 STP 文件...
正在检查 16129 字节...
器件 TRW8K（8192 字节），设计 blink_demo。
共 293 条记录，4688 字节数据，4 个数据段。
正在写入 DAT 文件...
已写入 4792 字节，数据 CRC-32 0x03878C84。
Done. 转换完成。

{burnkit 编程}
正在查空...
{pages 正在编程}
共写入 20 页，4688 字节数据。
编程完成。

{burnkit 校验}
{pages 正在校验}
已校验 4688 字节数据。
校验通过。

{burnkit 擦除}
正在擦除 0x0000-0x03FF ... 12%
正在擦除 0x0400-0x07FF ... 25%
正在擦除 0x0800-0x0BFF ... 37%
正在擦除 0x0C00-0x0FFF ... 50%
正在擦除 0x1000-0x13FF ... 62%
正在擦除 0x1400-0x17FF ... 75%
正在擦除 0x1800-0x1BFF ... 87%
正在擦除 0x1C00-0x1FFF ... 100%
擦除完成。

{burnkit 校验}
正在校验 0x0000-0x00FF ... 5%
校验失败：地址 0x0000 处数据不一致（应为 0x00，读出 0xFF）。

)";

const wchar_t kBurnkitOpening[] = LR"(burnkit 器件模拟器 1.0
操作：{action}
数据文件：{dat}
数据文件检查通过，CRC-32 0x03878C84。
器件 TRW8K（8 KB），设计 blink_demo，数据 4688 字节。
正在连接器件...
)";

// The pages that hold blink_demo's data, each with how much of the run is
// done once it is.
const wchar_t* const kDataPages[]
    = {L"0x0000-0x00FF ... 5%", L"0x0100-0x01FF ... 10%", L"0x0200-0x02FF ... 15%", L"0x0300-0x03FF ... 20%",
        L"0x0400-0x04FF ... 25%", L"0x0500-0x05FF ... 30%", L"0x0600-0x06FF ... 35%", L"0x0700-0x07FF ... 40%",
        L"0x0800-0x08FF ... 45%", L"0x0900-0x09FF ... 50%", L"0x0A00-0x0AFF ... 55%", L"0x0B00-0x0BFF ... 60%",
        L"0x0C00-0x0CFF ... 65%", L"0x0D00-0x0DFF ... 70%", L"0x0E00-0x0EFF ... 75%", L"0x0F00-0x0FFF ... 80%",
        L"0x1000-0x10FF ... 85%", L"0x1800-0x18FF ... 90%", L"0x1900-0x19FF ... 95%", L"0x1F00-0x1FFF ... 100%"};

std::wstring replaceAll(std::wstring text, const std::wstring& from, const std::wstring& to)
{
    for (std::size_t at = text.find(from); at != std::wstring::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::vector<std::wstring> splitLines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    std::size_t start = 0;
    for (std::size_t end = text.find(L'\n'); end != std::wstring::npos; end = text.find(L'\n', start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// What follows the marker in a "{marker WORD}" line of the transcript;
// empty for any other line.
std::wstring placeholder(const std::wstring& line, const std::wstring& marker)
{
    if (line.rfind(marker, 0) != 0 || line.back() != L'}')
        return {};
    return line.substr(marker.size(), line.size() - marker.size() - 1);
}

std::vector<std::wstring> expectedLines(const std::wstring& stp, const std::wstring& dat)
{
    std::wstring text;
    for (const std::wstring& line : splitLines(kTranscript)) {
        if (const std::wstring action = placeholder(line, L"{burnkit "); !action.empty()) {
            text += replaceAll(kBurnkitOpening, L"{action}", action);
        } else if (const std::wstring verb = placeholder(line, L"{pages "); !verb.empty()) {
            for (const wchar_t* page : kDataPages)
                text += verb + L" " + page + L"\n";
        } else {
            text += line + L"\n";
        }
    }
    return splitLines(replaceAll(replaceAll(text, L"{stp}", stp), L"{dat}", dat));
}

testing::AssertionResult sameLines(const std::vector<std::wstring>& expected, const std::vector<std::wstring>& actual)
{
    const std::size_t common = std::min(expected.size(), actual.size());
    for (std::size_t i = 0; i < common; ++i) {
        if (expected[i] != actual[i])
            return testing::AssertionFailure() << "line " << i + 1 << " is\n  '" << toUtf8(actual[i])
                                               << "'\ninstead of\n  '" << toUtf8(expected[i]) << "'";
    }
    if (expected.size() == actual.size())
        return testing::AssertionSuccess();
    const bool missing = actual.size() < expected.size();
    return testing::AssertionFailure() << (missing ? "the log ends before line " : "the log goes on after line ")
                                       << common << "; the next line is '"
                                       << toUtf8(missing ? expected[common] : actual[common]) << "'";
}

class DemoSessionTest : public testing::Test {
protected:
    // A sandbox with Tarrow, the real tools and the sample design, as
    // scripts/run lays out its run folder.
    void Prepare(SandboxOptions options = {})
    {
        box_ = std::make_unique<Sandbox>(options);
        ASSERT_TRUE(box_->ready());
        struct Copy {
            const wchar_t* fromBin;
            const wchar_t* name;
        };
        for (const Copy& copy : {Copy{L"burnkit.exe", L"burnkit.exe"}, Copy{L"stpconv.exe", L"stpconv.exe"},
                 Copy{L"examples\\blink_demo.stp", L"blink_demo.stp"}}) {
            const std::wstring source = BuildTree::binDirectory() + L"\\" + copy.fromBin;
            ASSERT_TRUE(::CopyFileW(source.c_str(), box_->file(copy.name).c_str(), FALSE))
                << "cannot copy " << toUtf8(source) << " (error " << ::GetLastError() << ")";
        }
        settings_ = {box_->path(), box_->file(L"blink_demo.stp"), box_->file(L"device"), 0};
    }

    // Runs the session to its end, noting every step it reports.
    testing::AssertionResult RunSession(DemoSession& demo)
    {
        if (testing::AssertionResult started = demo.start(); !started)
            return started;
        return demo.run([this](const DemoStep& step) { steps_.push_back(step); });
    }

    std::vector<std::string> StepIds() const
    {
        std::vector<std::string> ids;
        for (const DemoStep& step : steps_)
            ids.push_back(step.id);
        return ids;
    }

    std::unique_ptr<Sandbox> box_;
    DemoSettings settings_;
    std::vector<DemoStep> steps_;
};

TEST_F(DemoSessionTest, LogShowsEveryLineOfEveryToolRun)
{
    // Spaces and Chinese in the folder: the real tools get the quoted paths
    // and print them back in the ANSI code page.
    ASSERT_NO_FATAL_FAILURE(Prepare(SandboxOptions{true}));
    DemoSession demo(settings_);
    ASSERT_TRUE(RunSession(demo));

    const std::wstring dat = box_->file(L"blink_demo.dat");
    EXPECT_EQ(dat, demo.datPath());
    EXPECT_EQ(dat, demo.app().text(ids::kFilePath));
    EXPECT_TRUE(sameLines(expectedLines(settings_.design, dat), demo.app().logLines()));

    const std::vector<std::string> allSteps
        = {"1-start", "2-browse", "3-convert", "4-program", "5-verify", "6-erase", "7-verify-blank"};
    EXPECT_EQ(allSteps, StepIds());
    const std::vector<std::wstring> results = {L"", L"", L"Done. 转换完成。", L"编程完成。", L"校验通过。",
        L"擦除完成。", L"校验失败：地址 0x0000 处数据不一致（应为 0x00，读出 0xFF）。"};
    std::vector<std::wstring> seen;
    for (const DemoStep& step : steps_)
        seen.push_back(step.result);
    EXPECT_TRUE(sameLines(results, seen)) << "the steps' closing lines";

    // The part the session used is left blank, in the session's own folder.
    const std::optional<std::string> memory = box_->readFile(L"device\\TRW8K.bin");
    ASSERT_TRUE(memory) << "no device memory in the session's device folder";
    EXPECT_EQ(std::string(kTrw8kSize, '\xFF'), *memory);

    ASSERT_TRUE(demo.finish());
}

TEST_F(DemoSessionTest, StartsAfreshWhateverAnEarlierSessionLeft)
{
    ASSERT_NO_FATAL_FAILURE(Prepare());
    // An interrupted session: the part still programmed (Program would find
    // it not blank) and the DAT file there (Browse would ask to overwrite).
    box_->makeDirectory(L"device");
    box_->writeFile(L"device\\TRW8K.bin", std::string(kTrw8kSize, '\0'));
    box_->writeFile(L"device\\TRW32K.bin", "damaged");
    box_->writeFile(L"blink_demo.dat", "left over");

    DemoSession demo(settings_);
    ASSERT_TRUE(RunSession(demo));
    EXPECT_TRUE(sameLines(expectedLines(settings_.design, demo.datPath()), demo.app().logLines()));
    EXPECT_FALSE(box_->exists(L"device\\TRW32K.bin"));
    ASSERT_TRUE(demo.finish());

    // And once more in the same folder, as scripts/run --demo is run again.
    steps_.clear();
    DemoSession again(settings_);
    ASSERT_TRUE(RunSession(again));
    EXPECT_TRUE(sameLines(expectedLines(settings_.design, again.datPath()), again.app().logLines()));
    EXPECT_EQ(7u, steps_.size());
    ASSERT_TRUE(again.finish());
}

TEST_F(DemoSessionTest, StopsAtAStepThatGoesWrong)
{
    ASSERT_NO_FATAL_FAILURE(Prepare());
    settings_.design = box_->writeFile(L"broken.stp", "DEVICE TRW8K\r\nDESIGN broken\r\n@0000 0G\r\nEND\r\n");
    DemoSession demo(settings_);

    const testing::AssertionResult outcome = RunSession(demo);
    ASSERT_FALSE(outcome) << "a design that does not convert passed the session";
    const std::string message = outcome.message();
    EXPECT_EQ(0u, message.rfind("the conversion ended with '转换失败。'", 0)) << message;
    const std::vector<std::string> stepsUpToTheFailure = {"1-start", "2-browse"};
    EXPECT_EQ(stepsUpToTheFailure, StepIds()) << "no step after the failed conversion";
    EXPECT_EQ(L"", demo.app().text(ids::kFilePath));
    EXPECT_FALSE(box_->exists(L"broken.dat"));
}

} // namespace
