// How a tool's run looks in the window: output streaming in while the tool
// runs, nothing lost at its end, the buttons, stopping it, and tools that
// misbehave.

#include "Encoding.h"
#include "FillerText.h"
#include "ToolRunFixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace e2e;
using namespace std::chrono_literals;
using testkit::encoding::fromUtf8;

// A device action's run, watched from outside the window.
class ToolRun : public ToolRunFixture {
protected:
    // The dialog answers a sent message: its thread is pumping messages.
    bool WindowAnswers() const { return m_app->window().send(WM_NULL, 0, 0, 2000ms).has_value(); }

    // Starts the tool with the button and waits for the start of its output.
    void StartRun(const std::string& script, int button, const std::wstring& firstOutput)
    {
        ASSERT_NO_FATAL_FAILURE(Start(script));
        ASSERT_TRUE(m_app->click(button));
        ASSERT_TRUE(m_app->waitForLog(firstOutput));
    }

    // The same, keeping hold of the tool's process in m_tool; the script
    // must record the tool's arguments in args.txt.
    void StartWatchedRun(const std::string& script, int button, const std::wstring& firstOutput)
    {
        ASSERT_NO_FATAL_FAILURE(StartRun(script, button, firstOutput));
        m_tool = RecordedTool();
        ASSERT_TRUE(m_tool && m_tool->opened());
    }

    // Runs a tool that leaves a process of its own holding the pipe, and
    // returns once the tool itself has ended.
    void RunToolLeavingAProcessBehind(const std::string& toolScript, const std::string& leftoverScript)
    {
        m_box.writeFile(L"grandchild.script", "args grandchild.txt\n" + leftoverScript);
        Start("args args.txt\n" + toolScript + "spawn grandchild.script\n");
        ASSERT_TRUE(m_app->click(ids::kProgram));
        std::unique_ptr<Process> tool = RecordedTool();
        ASSERT_TRUE(tool && tool->opened());
        std::unique_ptr<Process> grandchild = RecordedTool(L"grandchild.txt");
        ASSERT_TRUE(grandchild && grandchild->opened());
        ASSERT_TRUE(tool->waitForExit());
    }

    std::unique_ptr<Process> m_tool;
};

TEST_F(ToolRun, OutputStreamsInWhileTheToolRunsAndButtonsFollowTheRun)
{
    ASSERT_NO_FATAL_FAILURE(StartRun("out 正在编程 0x0000-0x03FF ... 25%\\r\\n\n"
                                     "waitfile go\n"
                                     "out 编程完成。\\r\\n\n",
        ids::kProgram, L"正在编程 0x0000-0x03FF ... 25%\r\n"));
    EXPECT_TRUE(ActionsDisabled());
    EXPECT_TRUE(m_app->isEnabled(ids::kBrowse));
    EXPECT_TRUE(m_app->isEnabled(ids::kExit));
    EXPECT_TRUE(m_app->isEnabled(ids::kFilePath));
    EXPECT_TRUE(WindowAnswers());

    Release(L"go");
    EXPECT_TRUE(WaitForRunEnd(L"正在编程 0x0000-0x03FF ... 25%\r\n编程完成。\r\n\r\n"));
}

TEST_F(ToolRun, NothingIsLostWhenAToolFloodsAndExits)
{
    Start("filler 300K\nerrfiller 20K 100\nout last line without break\n");
    ASSERT_TRUE(m_app->click(ids::kProgram));
    const std::string expected = tooldouble::FillerText::all(300 * 1024) + tooldouble::FillerText::all(20 * 1024, 100)
        + "last line without break\r\n";
    m_app->waitFor(
        [&] { return ActionsEnabled() && m_app->logText().size() >= expected.size(); }, "the whole flood in the log");

    const std::wstring log = m_app->logText();
    ASSERT_EQ(expected.size(), log.size());
    EXPECT_TRUE(fromUtf8(expected) == log) << "the log differs from what the tool printed";
}

TEST_F(ToolRun, RepaintsDuringARunDoNotEndTheProgram)
{
    // Painting is left to the platform's default handling; asking for it
    // while a button's handler runs the tool must not turn the click itself
    // into a dialog's OK.
    ASSERT_NO_FATAL_FAILURE(StartRun("out working\\r\\n\nwaitfile go\n", ids::kProgram, L"working\r\n"));
    for (int i = 0; i < 5; ++i) {
        ::RedrawWindow(m_app->hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
        ASSERT_TRUE(WindowAnswers());
    }
    Release(L"go");
    EXPECT_TRUE(WaitForRunEnd(L"working\r\n\r\n"));
    EXPECT_TRUE(m_app->alive());
    EXPECT_TRUE(m_app->window().exists());
}

TEST_F(ToolRun, SilentToolLeavesOneLineBreak)
{
    Start("sleep 300\n");
    ASSERT_TRUE(m_app->click(ids::kErase));
    EXPECT_TRUE(WaitForRunEnd(L"\r\n"));
}

TEST_F(ToolRun, SecondRunIsRefusedWithoutAMessage)
{
    ASSERT_NO_FATAL_FAILURE(StartRun("args args.txt\nout first\\r\\n\nwaitfile go\n", ids::kProgram, L"first\r\n"));

    // The buttons are greyed out; commands reach the window all the same.
    m_app->command(ids::kVerify);
    m_app->command(ids::kErase);
    ASSERT_TRUE(WindowAnswers());
    Release(L"go");
    EXPECT_TRUE(WaitForRunEnd(L"first\r\n\r\n"));
    EXPECT_EQ(1u, m_box.args(L"args.txt").size());
}

TEST_F(ToolRun, SplitCharacterZeroBytesAndAHeldByteAtTheEnd)
{
    // "A" and the first byte of 中 come in one write and so in one chunk;
    // the second byte follows once the test has seen "A" in the log.
    ASSERT_NO_FATAL_FAILURE(
        StartRun("outraw 41 D6\nwaitfile go\noutraw D0 00 42 0D 0A\nout tail\\xD6\n", ids::kProgram, L"A"));
    Release(L"go");
    m_app->waitFor([&] { return ActionsEnabled() && m_app->logText().size() >= 12; }, "the run to end");

    const std::wstring log = m_app->logText();
    ASSERT_EQ(std::wstring(L"A中B\r\ntail"), log.substr(0, 9));
    EXPECT_EQ(12u, log.size()) << "the byte held at the end is shown, then the closing line break";
    EXPECT_EQ(L"\r\n", log.substr(10));
}

TEST_F(ToolRun, ExitDuringARunEndsTarrowAndTerminatesTheTool)
{
    ASSERT_NO_FATAL_FAILURE(
        StartWatchedRun("args args.txt\nout working\\r\\n\nwaitfile never\n", ids::kProgram, L"working"));

    ASSERT_TRUE(m_app->click(ids::kExit));
    ASSERT_TRUE(m_app->waitForExit());
    ASSERT_TRUE(m_tool->waitForExit());
    EXPECT_EQ(0xFFFFFFFFu, m_tool->exitCode().value_or(0));
}

TEST_F(ToolRun, CloseBoxDuringARunEndsTarrowAndTerminatesTheTool)
{
    ASSERT_NO_FATAL_FAILURE(
        StartWatchedRun("args args.txt\nout working\\r\\n\nwaitfile never\n", ids::kVerify, L"working"));

    m_app->close();
    ASSERT_TRUE(m_app->waitForExit());
    ASSERT_TRUE(m_tool->waitForExit());
    EXPECT_EQ(0xFFFFFFFFu, m_tool->exitCode().value_or(0));
}

TEST_F(ToolRun, WindowStaysLiveWhileALeftoverProcessHoldsTheOutput)
{
    ASSERT_NO_FATAL_FAILURE(
        RunToolLeavingAProcessBehind("out from the tool\\r\\n\n", "waitfile go\nout from the grandchild\\r\\n\n"));
    ASSERT_TRUE(m_app->waitForLog(L"from the tool\r\n"));

    // The tool is gone but its pipe is not: the window must still answer,
    // with the action buttons still greyed out.
    EXPECT_TRUE(WindowAnswers());
    EXPECT_TRUE(m_app->tryLogText().has_value());
    EXPECT_TRUE(ActionsDisabled());

    Release(L"go");
    EXPECT_TRUE(WaitForRunEnd(L"from the tool\r\nfrom the grandchild\r\n\r\n"));
}

TEST_F(ToolRun, ExitWorksWhileALeftoverProcessHoldsTheOutput)
{
    ASSERT_NO_FATAL_FAILURE(RunToolLeavingAProcessBehind("", "waitfile never\n"));

    ASSERT_TRUE(m_app->click(ids::kExit));
    EXPECT_TRUE(m_app->waitForExit());
}

TEST_F(ToolRun, ToolSeesThePipeBreakWhenTarrowIsKilled)
{
    ASSERT_NO_FATAL_FAILURE(
        StartWatchedRun("args args.txt\nout started\\r\\n\nwaitfile go\nfiller 16M\n", ids::kProgram, L"started"));

    m_app->terminate();
    Release(L"go");
    // Nobody reads any more: the tool's writes must fail, not block.
    ASSERT_TRUE(m_tool->waitForExit());
    EXPECT_EQ(4u, m_tool->exitCode().value_or(0)) << "the double's code for a failed write";
}

TEST_F(ToolRun, CrashingToolLeavesItsOutputAndAUsableWindow)
{
    Start("out before the crash\\r\\n\ncrash\n");
    ASSERT_TRUE(m_app->click(ids::kProgram));
    EXPECT_TRUE(WaitForRunEnd(L"before the crash\r\n\r\n")) << "nothing but the tool's own output";

    m_box.setScript(L"burnkit.exe", "out again\\r\\n\n");
    ASSERT_TRUE(m_app->click(ids::kErase));
    EXPECT_TRUE(WaitForRunEnd(L"before the crash\r\n\r\nagain\r\n\r\n"));
}

TEST_F(ToolRun, EnterAndEscAreNotDialogKeysWhileAToolRuns)
{
    ASSERT_NO_FATAL_FAILURE(StartRun("args args.txt\nout running\\r\\n\nwaitfile go\n", ids::kProgram, L"running"));

    m_app->pressKey(ids::kFilePath, VK_RETURN);
    m_app->pressKey(ids::kFilePath, VK_ESCAPE);
    m_app->pressKeyOnFocus(VK_ESCAPE);
    // Give the keys time to be handled; a dialog key would have ended the
    // program or re-enabled the buttons by then.
    std::this_thread::sleep_for(1500ms);
    ASSERT_TRUE(WindowAnswers());
    EXPECT_TRUE(m_app->alive());
    EXPECT_TRUE(ActionsDisabled());

    Release(L"go");
    EXPECT_TRUE(WaitForRunEnd(L"running\r\n\r\n"));
    EXPECT_EQ(1u, m_box.args(L"args.txt").size());

    // With no tool running, Esc is a dialog key again.
    m_app->pressKey(ids::kFilePath, VK_ESCAPE);
    EXPECT_TRUE(m_app->waitForExit());
}

TEST_F(ToolRun, AboutBoxOpensDuringARunAndTheRunEndsOnlyWhenItCloses)
{
    ASSERT_NO_FATAL_FAILURE(
        StartWatchedRun("args args.txt\nout one\\r\\n\nwaitfile go\nout two\\r\\n\n", ids::kProgram, L"one\r\n"));

    m_app->systemCommand(ids::kAboutCommand);
    const Window about = m_app->waitForOtherWindow(L"关于 Tarrow");
    ASSERT_TRUE(about);
    Release(L"go");
    ASSERT_TRUE(m_tool->waitForExit());
    // The output is read behind the about box, but the run is over only
    // once the runner's own loop turns again.
    EXPECT_TRUE(m_app->waitFor([&] { return m_app->logText() == L"one\r\ntwo\r\n"; }, "the output behind the box"));
    EXPECT_TRUE(ActionsDisabled());

    ASSERT_TRUE(about.child(IDOK).click());
    EXPECT_TRUE(WaitForRunEnd(L"one\r\ntwo\r\n\r\n"));
}

} // namespace
