// The tool operations below the window: what a device action and a
// conversion do, and the one-run-at-a-time rule. The scripted tool double
// plays both tools, copied as burnkit.exe and stpconv.exe into a folder of
// its own, whose name has a blank and Chinese characters in it.

#include <CommandLine.h>
#include <ToolLog.h>
#include <ToolSession.h>
#include "Encoding.h"
#include "Process.h"
#include "Sandbox.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

// A log that keeps its text in a string. A test may act once while a tool's
// output comes in, as a window's handler can from inside a run.
class FakeLog : public ToolLog {
public:
    void AppendLine(const std::wstring& text) override { text_ += text + L"\r\n"; }
    void AppendOutput(const char* bytes, size_t length) override
    {
        // The scripts print ASCII only.
        text_.append(bytes, bytes + length);
        outsideARun_ = outsideARun_ || begun_ != ended_ + 1;
        if (onOutput_)
            std::exchange(onOutput_, nullptr)();
    }
    // Each run's output comes between the two: counted, and an output that
    // came outside a run is noted.
    void BeginOutput() override { ++begun_; }
    void EndOutput() override { ++ended_; }
    int LineCount() const override { return static_cast<int>(Lines().size()); }
    std::wstring Line(int index, int maxChars) const override
    {
        return Lines()[static_cast<size_t>(index)].substr(0, static_cast<size_t>(maxChars));
    }

    void OnFirstOutput(std::function<void()> action) { onOutput_ = std::move(action); }
    std::wstring& Text() { return text_; }
    // Runs begun and ended; false if any output came outside a run.
    std::pair<int, int> Runs() const { return {begun_, ended_}; }
    bool OutputOnlyInRuns() const { return !outsideARun_; }

private:
    std::vector<std::wstring> Lines() const
    {
        std::vector<std::wstring> lines;
        size_t start = 0;
        for (size_t end; (end = text_.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
            lines.push_back(text_.substr(start, end - start));
        lines.push_back(text_.substr(start));
        return lines;
    }

    std::wstring text_;
    std::function<void()> onOutput_;
    int begun_ = 0;
    int ended_ = 0;
    bool outsideARun_ = false;
};

class ToolSessionTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_box.ready());
        for (const wchar_t* tool : {L"burnkit.exe", L"stpconv.exe"})
            m_box.installTool(tool);
        m_session.LocateTools(Path(L"Tarrow.exe"));
    }

    void TearDown() override
    {
        for (const e2e::EnvVar& variable : m_box.environment())
            ::SetEnvironmentVariableW(variable.name.c_str(), nullptr);
    }

    std::wstring Path(const std::wstring& name) const { return m_box.file(name); }
    std::wstring WriteFile(const std::wstring& name, const std::string& content)
    {
        return m_box.writeFile(name, content);
    }

    // What the copy named exeName does when started. The session starts the
    // tools from this process, so they find their scripts in its environment.
    void Script(const std::wstring& exeName, const std::string& script)
    {
        m_box.setScript(exeName, script);
        for (const e2e::EnvVar& variable : m_box.environment())
            ::SetEnvironmentVariableW(variable.name.c_str(), variable.value.c_str());
    }

    std::vector<e2e::ArgsRecord> Args(const std::wstring& name) const { return m_box.args(name); }
    bool Exists(const std::wstring& name) const { return m_box.exists(name); }

    e2e::Sandbox m_box{e2e::SandboxOptions{true, L""}};
    FakeLog m_log;
    ToolSession m_session{m_log};
};

TEST(ToolSessionPaths, ToolsSitBesideTheProgramOrAreBareNames)
{
    FakeLog log;
    ToolSession session(log);
    session.LocateTools(L"C:\\Program Files\\工具 箱\\Tarrow.exe");
    EXPECT_EQ(L"C:\\Program Files\\工具 箱\\", session.AppDir());
    EXPECT_EQ(L"C:\\Program Files\\工具 箱\\burnkit.exe", session.ProgrammerPath());
    EXPECT_EQ(L"C:\\Program Files\\工具 箱\\stpconv.exe", session.ConverterPath());

    session.LocateTools(L"Tarrow.exe");
    EXPECT_EQ(L"", session.AppDir());
    EXPECT_EQ(L"burnkit.exe", session.ProgrammerPath());
    EXPECT_EQ(L"stpconv.exe", session.ConverterPath());
}

TEST_F(ToolSessionTest, MissingFileIsReportedAndNoToolStarts)
{
    Script(L"burnkit.exe", "args args.txt\n");
    for (const std::wstring& file : {Path(L"missing.dat"), std::wstring(), Path(L"no folder\\design.dat")}) {
        m_log.Text().clear();
        EXPECT_FALSE(m_session.RunDeviceAction(L"-aprogram", file));
        EXPECT_EQ(L"文件不存在！\r\n", m_log.Text()) << "for " << testing::PrintToString(file);
    }
    EXPECT_FALSE(Exists(L"args.txt"));
}

TEST_F(ToolSessionTest, CommandLinesReachTheToolsWhole)
{
    Script(L"burnkit.exe", "args args.txt\n");
    Script(L"stpconv.exe", "args args.txt\nout Done.\\r\\n\n");
    const std::wstring file = WriteFile(L"my design 设计.dat", "DAT");
    ASSERT_TRUE(::CreateDirectoryW(Path(L"sub dir").c_str(), nullptr));
    // A folder passes the existence test; its closing backslash must not
    // swallow the quote after it.
    const std::wstring folder = Path(L"sub dir\\");
    const std::wstring stp = WriteFile(L"in put 输入.stp", "STP");
    const std::wstring dat = Path(L"in put 输入.dat");

    EXPECT_TRUE(m_session.RunDeviceAction(L"-aprogram", file));
    EXPECT_TRUE(m_session.RunDeviceAction(L"-averify", folder));
    EXPECT_TRUE(m_session.ConvertStpFile(stp, dat));

    const std::vector<e2e::ArgsRecord> records = Args(L"args.txt");
    ASSERT_EQ(3u, records.size());
    const std::vector<std::vector<std::wstring>> expected = {
        {m_session.ProgrammerPath(), L"-aprogram", file},
        {m_session.ProgrammerPath(), L"-averify", folder},
        {m_session.ConverterPath(), stp, dat},
    };
    for (size_t run = 0; run < expected.size(); ++run)
        EXPECT_EQ(expected[run], records[run].argv) << testkit::encoding::toUtf8(records[run].commandLine);
    EXPECT_EQ(L"\r\n\r\nDone.\r\n\r\n", m_log.Text());
    EXPECT_EQ(std::make_pair(3, 3), m_log.Runs());
    EXPECT_TRUE(m_log.OutputOnlyInRuns());
}

TEST_F(ToolSessionTest, SecondRunDuringARunIsRefusedWithoutAMessage)
{
    // The running tool's last line so far carries the marker: the refused
    // conversion must not take it for its own.
    Script(L"burnkit.exe", "args args.txt\nout erase Done.\n");
    Script(L"stpconv.exe", "args converter.txt\nout Done.\\r\\n\n");
    const std::wstring file = WriteFile(L"design.dat", "DAT");

    bool runningDuring = false;
    bool nestedRun = true;
    bool nestedAction = false;
    bool nestedConversion = true;
    std::wstring logAfterRefusals;
    m_log.OnFirstOutput([&] {
        runningDuring = m_session.Running();
        nestedRun = m_session.Run(DeviceCommandLine(m_session.ProgrammerPath(), L"-aerase", file));
        nestedAction = m_session.RunDeviceAction(L"-averify", file);
        logAfterRefusals = m_log.Text();
        nestedConversion = m_session.ConvertStpFile(Path(L"a.stp"), Path(L"a.dat"));
    });
    EXPECT_TRUE(m_session.RunDeviceAction(L"-aprogram", file));

    EXPECT_TRUE(runningDuring);
    EXPECT_FALSE(nestedRun);
    EXPECT_TRUE(nestedAction) << "the file exists; that the run was refused is not the action's concern";
    EXPECT_EQ(L"erase Done.", logAfterRefusals);
    EXPECT_FALSE(nestedConversion) << "a conversion that could not run is a failure";
    EXPECT_EQ(L"erase Done.STP文件转换失败！\r\n\r\n", m_log.Text());
    EXPECT_EQ(std::make_pair(1, 1), m_log.Runs()) << "refused runs begin no output";
    EXPECT_EQ(1u, Args(L"args.txt").size());
    EXPECT_FALSE(Exists(L"converter.txt"));
    EXPECT_FALSE(m_session.Running());
}

TEST_F(ToolSessionTest, CancelTerminatesTheToolAndLeavesTheNextRunWhole)
{
    Script(L"burnkit.exe", "args args.txt\nout working\\r\\n\nwaitfile never\n");
    const std::wstring file = WriteFile(L"design.dat", "DAT");
    e2e::Process tool;
    m_log.OnFirstOutput([&] {
        const std::vector<e2e::ArgsRecord> records = Args(L"args.txt");
        if (!records.empty())
            tool = e2e::Process(records[0].pid);
        m_session.Cancel();
        // A click dispatched in the same turn, after Exit: the stopped run
        // has not ended yet, so no second tool may start.
        m_session.RunDeviceAction(L"-aerase", file);
    });
    EXPECT_TRUE(m_session.RunDeviceAction(L"-aprogram", file));
    EXPECT_FALSE(m_session.Running());
    EXPECT_EQ(L"working\r\n\r\n", m_log.Text());
    EXPECT_EQ(1u, Args(L"args.txt").size());
    ASSERT_TRUE(tool.opened());
    ASSERT_TRUE(tool.waitForExit());
    EXPECT_EQ(0xFFFFFFFFu, tool.exitCode().value_or(0));

    // A stop asked for while nothing runs must not cut the next run short.
    m_session.Cancel();
    Script(L"burnkit.exe", "out whole\\r\\n\n");
    m_log.Text().clear();
    EXPECT_TRUE(m_session.RunDeviceAction(L"-aerase", file));
    EXPECT_EQ(L"whole\r\n\r\n", m_log.Text());
}

// A conversion is judged only by what its own run printed.
class ConversionVerdict : public ToolSessionTest {
protected:
    bool Convert() { return m_session.ConvertStpFile(WriteFile(L"design.stp", "STP"), Path(L"design.dat")); }
};

TEST_F(ConversionVerdict, EarlierDoneInTheLogDoesNotCount)
{
    m_log.AppendLine(L"Done.");
    Script(L"stpconv.exe", "sleep 0\n");
    EXPECT_FALSE(Convert());
    EXPECT_EQ(L"Done.\r\n\r\nSTP文件转换失败！\r\n", m_log.Text());
}

TEST_F(ConversionVerdict, OwnLastMeaningfulLineDecides)
{
    Script(L"stpconv.exe", "out Converting...\\r\\nDone.\\r\\n   \\r\\n\\r\\n\n");
    EXPECT_TRUE(Convert());
    EXPECT_EQ(L"Converting...\r\nDone.\r\n   \r\n\r\n\r\n", m_log.Text()) << "no failure message";

    m_log.Text().clear();
    Script(L"stpconv.exe", "out Done.\\r\\nerror: bad record\\r\\n\n");
    EXPECT_FALSE(Convert());
    EXPECT_EQ(L"Done.\r\nerror: bad record\r\n\r\nSTP文件转换失败！\r\n", m_log.Text());
}

TEST_F(ConversionVerdict, ConverterThatCannotStartIsAFailure)
{
    // The runner's message lands on a line that already has the marker.
    m_log.Text() = L"Done.";
    ASSERT_TRUE(::DeleteFileW(m_session.ConverterPath().c_str()));
    EXPECT_FALSE(Convert());
    EXPECT_EQ(L"Done.创建工作进程失败！\r\nSTP文件转换失败！\r\n", m_log.Text());
}

} // namespace
