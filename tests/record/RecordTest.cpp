// The log as the operator's record, through the real window: saved through
// the log's shortcut menu and read back, and searched through the find
// window and then F3.

#include "Encoding.h"
#include "FileDialogDriver.h"
#include "Sandbox.h"
#include "TarrowDriver.h"

#include <FindBox.h>

#include <gtest/gtest.h>

#include <memory>
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

} // namespace
