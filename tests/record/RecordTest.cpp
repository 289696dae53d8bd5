// The log as the operator's record, through the real window: saved through
// the log's shortcut menu and read back, searched through the find window
// and then F3, looked back in while a tool keeps printing, and the log's own
// keys passed on by the window.

#include "Clipboard.h"
#include "Encoding.h"
#include "FileDialogDriver.h"
#include "Sandbox.h"
#include "TarrowDriver.h"

#include <FindBox.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>
#include <regex>
#include <string>

namespace {

using namespace e2e;
using testkit::encoding::toUtf8;

class Record : public testing::Test {
protected:
    // Tarrow with the tool's output in its log; the tool still running if
    // asked, until Release.
    void StartWithLog(const std::string& toolOutput, const std::wstring& lastLine, bool keepRunning = false)
    {
        m_box = std::make_unique<Sandbox>();
        ASSERT_TRUE(m_box->ready());
        m_box->installTool(L"burnkit.exe", toolOutput + (keepRunning ? "waitfile go\n" : ""));
        const std::wstring image = m_box->writeFile(L"image.dat", "data");
        m_app = std::make_unique<TarrowDriver>(*m_box);
        ASSERT_TRUE(m_app->start());
        ASSERT_TRUE(m_app->setText(ids::kFilePath, image));
        ASSERT_TRUE(m_app->click(ids::kProgram));
        ASSERT_TRUE(m_app->waitForLog(lastLine));
        if (!keepRunning) {
            ASSERT_TRUE(WaitForRunEnd());
        }
    }

    void Release()
    {
        m_box->writeFile(L"go", "");
        EXPECT_TRUE(WaitForRunEnd());
    }

    testing::AssertionResult WaitForRunEnd() const
    {
        return m_app->waitFor([&] { return m_app->isEnabled(ids::kProgram); }, "the run to end");
    }

    Selection LogSelection() const
    {
        DWORD start = 0;
        DWORD end = 0;
        m_app->log().send(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        return {start, end};
    }

    std::unique_ptr<Sandbox> m_box;
    std::unique_ptr<TarrowDriver> m_app;
};

TEST_F(Record, SavesTheLogThroughItsShortcutMenu)
{
    ASSERT_NO_FATAL_FAILURE(
        StartWithLog("out 器件 A 编程完成\\r\\n\nout 50%\\r100%\\r\\n\nout 校验通过\\r\\n\n", L"校验通过\r\n"));
    const std::wstring log = m_app->logText();
    const Selection before = LogSelection();

    ASSERT_TRUE(m_app->chooseFromLogMenu(L's'));
    FileDialogDriver dialog(*m_app);
    ASSERT_TRUE(dialog.waitForDialog());
    EXPECT_EQ(dialog.dialog().text(), L"保存日志");
    EXPECT_TRUE(std::regex_match(toUtf8(dialog.nameBox().text()), std::regex(R"(Tarrow-\d{8}-\d{6}\.log)")))
        << toUtf8(dialog.nameBox().text());
    const std::vector<std::wstring> types = {L"日志文件 (*.log)", L"文本文件 (*.txt)", L"所有文件"};
    EXPECT_EQ(dialog.fileTypes(), types);
    ASSERT_TRUE(dialog.choose(m_box->file(L"shift.log"))) << toUtf8(dialog.describeChildren());

    ASSERT_TRUE(m_box->waitForFile(L"shift.log"));
    const std::optional<std::string> saved = m_box->readFile(L"shift.log");
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(*saved, "\xEF\xBB\xBF" + toUtf8(log));
    EXPECT_EQ(m_app->logText(), log);
    EXPECT_EQ(LogSelection(), before);
}

// While a tool runs: its run dispatches the messages itself, which leaves
// the find window's keys to the window.
TEST_F(Record, FindsThroughTheFindWindowAndThenF3WhileAToolRuns)
{
    ASSERT_NO_FATAL_FAILURE(StartWithLog(
        "out device 1 ok\\r\\n\nout device 2 FAILED\\r\\n\nout device 3 ok\\r\\n\nout device 4 failed\\r\\n\n",
        L"device 4 failed\r\n", true));
    const std::wstring log = m_app->logText();
    const size_t second = log.find(L"FAILED");
    const size_t fourth = log.find(L"failed");

    ASSERT_TRUE(m_app->chooseFromLogMenu(L'f'));
    const Window box = m_app->waitForOtherWindow(L"查找");
    ASSERT_TRUE(box) << m_app->describe();
    EXPECT_EQ(box.child(FindBox::kUpId).send(BM_GETCHECK), BST_CHECKED) << "it opens looking up";
    const Window text = box.child(FindBox::kTextId);
    text.typeText(L"failed");
    ASSERT_TRUE(m_app->waitFor([&] { return text.text() == L"failed"; }, "the text typed"));

    // Enter in the box finds, up from the end, whatever the case.
    text.pressKey(VK_RETURN);
    ASSERT_TRUE(m_app->waitFor([&] { return LogSelection() == Selection{fourth, fourth + 6}; }, "the fourth line"));
    text.pressKey(VK_RETURN);
    ASSERT_TRUE(m_app->waitFor([&] { return LogSelection() == Selection{second, second + 6}; }, "the second line"));
    text.pressKey(VK_RETURN);
    const Window notFound = m_app->waitForOtherWindow(L"Tarrow");
    ASSERT_TRUE(notFound) << m_app->describe();
    EXPECT_EQ(notFound.child(0xFFFF).text(), L"找不到“failed”");
    notFound.pressKey(VK_RETURN);
    ASSERT_TRUE(m_app->waitFor([&] { return !notFound.visible(); }, "the message to close"));
    EXPECT_EQ(LogSelection(), (Selection{second, second + 6}));

    // Esc closes the box; F3 then finds the same text down from the selection.
    text.pressKey(VK_ESCAPE);
    ASSERT_TRUE(m_app->waitFor([&] { return !box.visible(); }, "the find window to close"));
    m_app->log().pressKey(VK_F3);
    ASSERT_TRUE(m_app->waitFor([&] { return LogSelection() == Selection{fourth, fourth + 6}; }, "F3 to find again"));
    EXPECT_EQ(m_app->logText(), log);
    Release();
}

// A tool prints a line every 20 ms while the operator finds up twice,
// copies what was found and goes back to the end: the log holds still for
// all of it, and follows the output again after Ctrl+End.
TEST_F(Record, LooksBackWhileAToolKeepsPrinting)
{
    std::string script = "out 开始\\r\\n\n";
    for (int line = 0; line < 40; ++line)
        script += "out line " + std::to_string(line)
            + (line == 10        ? " ERROR first"
                    : line == 30 ? " ERROR second"
                                 : "")
            + "\\r\\n\n";
    ASSERT_NO_FATAL_FAILURE(StartWithLog(script + "ticks 3000 20\n", L"tick 00003", true));
    const std::wstring start = m_app->logText();
    const size_t first = start.find(L"ERROR first");
    const size_t second = start.find(L"ERROR second");
    const auto lengthGrownBy = [&](size_t chars) {
        const size_t from = m_app->logText().size();
        return m_app->waitFor([&] { return m_app->logText().size() >= from + chars; }, "more lines from the tool");
    };

    ASSERT_TRUE(m_app->chooseFromLogMenu(L'f'));
    const Window box = m_app->waitForOtherWindow(L"查找");
    ASSERT_TRUE(box) << m_app->describe();
    const Window text = box.child(FindBox::kTextId);
    text.typeText(L"error");
    ASSERT_TRUE(m_app->waitFor([&] { return text.text() == L"error"; }, "the text typed"));
    text.pressKey(VK_RETURN);
    ASSERT_TRUE(m_app->waitFor([&] { return LogSelection() == Selection{second, second + 5}; }, "the newest match"));
    const LRESULT firstLine = m_app->log().send(EM_GETFIRSTVISIBLELINE).value_or(-1);
    ASSERT_TRUE(lengthGrownBy(10 * 32));
    EXPECT_EQ(LogSelection(), (Selection{second, second + 5})) << "the match stays selected while lines come in";
    EXPECT_EQ(m_app->log().send(EM_GETFIRSTVISIBLELINE).value_or(-1), firstLine) << "and in view";

    text.pressKey(VK_RETURN);
    ASSERT_TRUE(m_app->waitFor([&] { return LogSelection() == Selection{first, first + 5}; }, "the match before it"));
    text.pressKey(VK_ESCAPE);
    ASSERT_TRUE(m_app->waitFor([&] { return !box.visible(); }, "the find window to close"));
    ASSERT_TRUE(lengthGrownBy(5 * 32));
    ::OpenClipboard(nullptr);
    ::EmptyClipboard();
    ::CloseClipboard();
    ASSERT_TRUE(m_app->chooseFromLogMenu(L'c'));
    ASSERT_TRUE(m_app->waitFor([&] { return testkit::clipboardText() == L"ERROR"; }, "the match on the clipboard"));

    ASSERT_TRUE(m_app->pressKeys(m_app->log(), VK_END, {VK_CONTROL}));
    const size_t atCtrlEnd = m_app->logText().size();
    ASSERT_TRUE(m_app->waitFor(
        [&] {
            const Selection now = LogSelection();
            return now.Empty() && now.caret >= atCtrlEnd + 5 * 32;
        },
        "the caret to follow the output again"));
    EXPECT_GT(m_app->log().send(EM_GETFIRSTVISIBLELINE).value_or(-1), firstLine);
}

// While no tool runs, the window passes the log's keys on from wherever the
// focus is; each row presses one in the file box and sees what it opens.
TEST_F(Record, TheWindowPassesTheLogsKeysOnWhileNoToolRuns)
{
    ASSERT_NO_FATAL_FAILURE(StartWithLog(
        "out device 1 failed\\r\\n\nout device 2 ok\\r\\n\nout device 3 failed\\r\\n\n", L"device 3 failed\r\n"));
    const std::wstring log = m_app->logText();
    const size_t firstFailed = log.find(L"failed");
    const size_t lastFailed = log.rfind(L"failed");
    const Window fileBox = m_app->control(ids::kFilePath);
    struct Row {
        const char* keys;
        UINT key;
        std::vector<UINT> held;
        const wchar_t* opens; // the caption of the window it opens
    };
    const Row rows[] = {
        {"F3 with no search yet", VK_F3, {}, L"查找"},
        {"Ctrl+F", 'F', {VK_CONTROL}, L"查找"},
        {"Ctrl+S", 'S', {VK_CONTROL}, L"保存日志"},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(m_app->pressKeys(fileBox, row.key, row.held)) << row.keys;
        const Window opened = m_app->waitForOtherWindow(row.opens);
        ASSERT_TRUE(opened) << row.keys << ": " << m_app->describe();
        opened.pressKey(VK_ESCAPE);
        ASSERT_TRUE(m_app->waitFor([&] { return !opened.visible(); }, "the window to close")) << row.keys;
    }

    // A search, then F3 and Shift+F3 in the file box find on from the match.
    ASSERT_TRUE(m_app->pressKeys(fileBox, 'F', {VK_CONTROL}));
    const Window box = m_app->waitForOtherWindow(L"查找");
    ASSERT_TRUE(box);
    const Window text = box.child(FindBox::kTextId);
    text.send(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    text.typeText(L"failed");
    ASSERT_TRUE(m_app->waitFor([&] { return text.text() == L"failed"; }, "the text typed"));
    text.pressKey(VK_RETURN);
    ASSERT_TRUE(m_app->waitFor([&] { return LogSelection() == Selection{lastFailed, lastFailed + 6}; }, "a match"));
    text.pressKey(VK_ESCAPE);
    ASSERT_TRUE(m_app->waitFor([&] { return !box.visible(); }, "the find window to close"));
    ASSERT_TRUE(m_app->pressKeys(fileBox, VK_F3, {VK_SHIFT}));
    ASSERT_TRUE(m_app->waitFor(
        [&] {
            return LogSelection() == Selection{firstFailed, firstFailed + 6};
        },
        "Shift+F3: up"));
    ASSERT_TRUE(m_app->pressKeys(fileBox, VK_F3, {}));
    ASSERT_TRUE(m_app->waitFor([&] { return LogSelection() == Selection{lastFailed, lastFailed + 6}; }, "F3: down"));
}

} // namespace
