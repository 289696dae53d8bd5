// A tool's run against what goes on around it: modal loops that are not the
// runner's (the tool must not block on a full pipe meanwhile), stopping a tool
// that started a helper, and the end of the session.

#include "Encoding.h"
#include "FileDialogDriver.h"
#include "FillerText.h"
#include "ToolRunFixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace e2e;
using testkit::encoding::fromUtf8;

// Far more than a pipe holds: a tool writing it blocks unless someone reads.
const char kFlood[] = "filler 256K\n";
std::wstring FloodText()
{
    return fromUtf8(tooldouble::FillerText::all(256 * 1024));
}

// A device action's run with something going on around it.
class RunAround : public ToolRunFixture {
protected:
    // Waits for the log to be as long as the expected text, then compares.
    testing::AssertionResult WaitForLogOf(const std::wstring& expected)
    {
        m_app->waitFor([&] { return m_app->logText().size() >= expected.size(); }, "the log to grow long enough");
        if (m_app->logText() != expected)
            return testing::AssertionFailure() << "the log differs from what the tool printed";
        return testing::AssertionSuccess();
    }
};

// While a modal window is open, ours or the platform's, the runner's loop is
// not turning: the tool's output must still be read, yet only the runner's
// loop ends the run.
class ModalLoops : public RunAround {
protected:
    // A device action whose tool prints a line, then floods once released.
    void StartFloodingRun()
    {
        Start(std::string("out one\\r\\n\nwaitfile go\n") + kFlood + "touch written\n");
        ASSERT_TRUE(m_app->click(ids::kProgram));
        ASSERT_TRUE(m_app->waitForLog(L"one\r\n"));
    }

    // With the window open, the tool floods and ends: all of it reaches the
    // log, and the run is over only once close() has closed the window.
    void ExpectTheFloodReadWhileOpen(const Window& window, const std::function<void()>& close)
    {
        Release(L"go");
        ASSERT_TRUE(m_box.waitForFile(L"written")) << "the tool blocked on a full pipe";
        const std::wstring expected = L"one\r\n" + FloodText();
        EXPECT_TRUE(WaitForLogOf(expected));
        EXPECT_TRUE(window.visible());
        EXPECT_FALSE(ActionsEnabled()) << "the run ended behind the window";

        close();
        EXPECT_TRUE(WaitForRunEnd(expected + L"\r\n"));
    }
};

TEST_F(ModalLoops, AboutBoxDoesNotHoldUpAFloodingTool)
{
    ASSERT_NO_FATAL_FAILURE(StartFloodingRun());
    m_app->systemCommand(ids::kAboutCommand);
    const Window about = m_app->waitForOtherWindow(L"关于 Tarrow");
    ASSERT_TRUE(about);
    ExpectTheFloodReadWhileOpen(about, [&] { about.child(IDOK).click(); });
}

TEST_F(ModalLoops, SaveDialogDoesNotHoldUpAFloodingToolAndSavesTheLogAsItStood)
{
    ASSERT_NO_FATAL_FAILURE(StartFloodingRun());
    ASSERT_TRUE(m_app->chooseFromLogMenu(L's'));
    FileDialogDriver dialog(*m_app);
    ASSERT_TRUE(dialog.waitForDialog());
    ExpectTheFloodReadWhileOpen(dialog.dialog(), [&] { EXPECT_TRUE(dialog.choose(m_box.file(L"run.log"))); });
    // Saved when the dialog closed, before the run's closing line break.
    EXPECT_EQ(m_box.readFile(L"run.log"), "\xEF\xBB\xBF" + testkit::encoding::toUtf8(L"one\r\n" + FloodText()));
}

TEST_F(ModalLoops, OverwritePromptDoesNotHoldUpAFloodingTool)
{
    ASSERT_NO_FATAL_FAILURE(StartFloodingRun());
    const std::wstring stp = m_box.writeFile(L"Design.stp", "STP");
    const std::wstring dat = m_box.writeFile(L"Design.dat", "old DAT");
    ASSERT_TRUE(m_app->click(ids::kBrowse));
    FileDialogDriver dialog(*m_app);
    ASSERT_TRUE(dialog.waitForDialog());
    ASSERT_TRUE(dialog.choose(stp));
    const Window prompt = m_app->waitForOtherWindow(L"Tarrow");
    ASSERT_TRUE(prompt);

    ExpectTheFloodReadWhileOpen(prompt, [&] { prompt.child(IDNO).click(); });
    EXPECT_EQ(dat, m_app->text(ids::kFilePath));
}

TEST_F(ModalLoops, TheLogsContextMenuDoesNotHoldUpAFloodingTool)
{
    // The platform's own menu loop, with no handler of ours around it.
    ASSERT_NO_FATAL_FAILURE(StartFloodingRun());
    const Window menu = m_app->openLogMenu(MAKELPARAM(200, 300));
    ASSERT_TRUE(menu);
    ExpectTheFloodReadWhileOpen(menu, [&] { menu.pressKey(VK_ESCAPE); });
}

// Stopping a run ends the tool and everything it started; a run that ends
// by itself leaves alone what the tool left running. While a tool runs the
// session does not end under it.
class Stopping : public RunAround {
protected:
    // A tool that starts a helper holding its output, then waits; returns
    // once both are seen running.
    void StartToolWithHelper()
    {
        m_box.writeFile(L"helper.script", "args helper.txt\nwaitfile never\n");
        Start("args tool.txt\nspawn helper.script\nout working\\r\\n\nwaitfile never\n");
        ASSERT_TRUE(m_app->click(ids::kProgram));
        ASSERT_TRUE(m_app->waitForLog(L"working\r\n"));
        m_tool = RecordedTool(L"tool.txt");
        m_helper = RecordedTool(L"helper.txt");
        ASSERT_TRUE(m_tool && m_tool->opened());
        ASSERT_TRUE(m_helper && m_helper->opened());
    }

    void ExpectTarrowToolAndHelperEnded()
    {
        EXPECT_TRUE(m_app->waitForExit());
        ASSERT_TRUE(m_tool->waitForExit()) << "the tool still runs";
        ASSERT_TRUE(m_helper->waitForExit()) << "the helper the tool started still runs";
        EXPECT_EQ(0xFFFFFFFFu, m_tool->exitCode().value_or(0));
        EXPECT_EQ(0xFFFFFFFFu, m_helper->exitCode().value_or(0));
    }

    std::unique_ptr<Process> m_tool;
    std::unique_ptr<Process> m_helper;
};

TEST_F(Stopping, ExitEndsTheToolAndTheHelperItStarted)
{
    ASSERT_NO_FATAL_FAILURE(StartToolWithHelper());
    ASSERT_TRUE(m_app->click(ids::kExit));
    ExpectTarrowToolAndHelperEnded();
}

TEST_F(Stopping, SessionEndingAnywayEndsTheToolAndTheHelperItStarted)
{
    ASSERT_NO_FATAL_FAILURE(StartToolWithHelper());
    ASSERT_TRUE(m_app->window().send(WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF).has_value());
    ExpectTarrowToolAndHelperEnded();
}

TEST_F(Stopping, ANormalRunLeavesWhatTheToolLeftRunning)
{
    m_box.writeFile(L"helper.script", "closestd\nwaitfile go\ntouch helper-done\n");
    Start("spawn helper.script\nout working\\r\\n\n");
    ASSERT_TRUE(m_app->click(ids::kProgram));
    ASSERT_TRUE(WaitForRunEnd(L"working\r\n\r\n"));

    Release(L"go");
    EXPECT_TRUE(m_box.waitForFile(L"helper-done")) << "the helper was ended with the run";
}

TEST_F(Stopping, SessionEndIsRefusedOnlyWhileAToolRuns)
{
    Start("out working\\r\\n\nwaitfile go\nout done\\r\\n\n");
    ASSERT_TRUE(m_app->click(ids::kProgram));
    ASSERT_TRUE(m_app->waitForLog(L"working\r\n"));

    EXPECT_EQ(0, m_app->window().send(WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF).value_or(-1));
    Release(L"go");
    ASSERT_TRUE(WaitForRunEnd(L"working\r\ndone\r\n\r\n")) << "the tool did not run on to its end";

    EXPECT_NE(0, m_app->window().send(WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF).value_or(0));
    EXPECT_TRUE(m_app->window().send(WM_NULL).has_value());
    EXPECT_TRUE(m_app->alive());
}

} // namespace
