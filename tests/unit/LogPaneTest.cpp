#include <LogPane.h>
#include <LogView.h>
#include <UniqueAny.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

// A log pane over a real multi-line, read-only edit control, as in the main window.
class LogPaneTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_window.reset(::CreateWindowExW(0, L"EDIT", L"",
            WS_OVERLAPPEDWINDOW | ES_MULTILINE | ES_AUTOHSCROLL | ES_READONLY | WS_VSCROLL, 0, 0, 400, 200, nullptr,
            nullptr, nullptr, nullptr));
        ASSERT_TRUE(m_window);
        m_edit.Attach(m_window.get());
        m_log.RemoveLengthLimit();
    }
    void TearDown() override
    {
        m_edit.Detach();
        m_window.reset();
    }

    void Output(const std::string& bytes) { m_log.AppendOutput(bytes.data(), bytes.size()); }

    UniqueWindow m_window;
    CEdit m_edit; // a view of m_window
    LogPane m_log{m_edit};
};

TEST_F(LogPaneTest, StartsWithOneEmptyLine)
{
    EXPECT_EQ(1, m_log.LineCount());
    EXPECT_EQ(L"", m_log.Line(0, 100));
    EXPECT_EQ(L"", m_log.Text());
}

TEST_F(LogPaneTest, MessagesAreWholeLinesAndAnEmptyOneIsABareLineBreak)
{
    m_log.Append(L"文件不存在！", true);
    m_log.Append(L"", true);
    m_log.Append(L"no break", false);
    EXPECT_EQ(L"文件不存在！\r\n\r\nno break", m_log.Text());
    EXPECT_EQ(3, m_log.LineCount());
    EXPECT_EQ(L"文件不存在！", m_log.Line(0, 1028));
    EXPECT_EQ(L"", m_log.Line(1, 1028));
    EXPECT_EQ(L"no break", m_log.Line(2, 1028));
}

// In the log view, as in the main window: text lands at the end, and the
// view keeps still while the operator looks elsewhere in the log, until a
// run begins. Any other edit control gives the selection up for the end.
TEST_F(LogPaneTest, AppendsLandAtTheEndWhateverTheOperatorSelected)
{
    ASSERT_TRUE(LogView::Register(::GetModuleHandleW(nullptr)));
    const wchar_t* const kinds[] = {LogView::kClassName, L"EDIT"};
    for (const wchar_t* kind : kinds) {
        UniqueWindow window(::CreateWindowExW(0, kind, L"", WS_OVERLAPPEDWINDOW | ES_MULTILINE | ES_READONLY, 0, 0, 400,
            200, nullptr, nullptr, nullptr, nullptr));
        ASSERT_TRUE(window);
        CEdit control;
        control.Attach(window.get());
        LogPane log(control);
        const bool view = kind == LogView::kClassName;
        const auto selection = [&] {
            DWORD start = 0, end = 0;
            control.SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
            return std::make_pair(start, end);
        };

        log.Append(L"first line", true);
        log.Append(L"second line", true);
        control.SendMessage(EM_SETSEL, 2, 8);
        log.Append(L"third", true);
        EXPECT_EQ(L"first line\r\nsecond line\r\nthird\r\n", log.Text());
        const DWORD end = static_cast<DWORD>(log.Text().size());
        EXPECT_EQ(selection(), view ? std::make_pair(DWORD(2), DWORD(8)) : std::make_pair(end, end));

        log.BeginOutput();
        log.AppendOutput("out", 3);
        EXPECT_EQ(selection(), std::make_pair(end + 3, end + 3)) << "a run begins: the log follows its output";
        control.Detach();
    }
}

TEST_F(LogPaneTest, ToolOutputIsShownAsPrintedAcrossChunks)
{
    Output("Programming 0x0000");
    Output("-0x03FF ... 25%\r\n\xD6\xD0");
    Output("\xCE\xC4\r\n");
    m_log.EndOutput();
    EXPECT_EQ(L"Programming 0x0000-0x03FF ... 25%\r\n中文\r\n", m_log.Text());
    EXPECT_EQ(L"Programming 0x0000-0x03FF ... 25%", m_log.Line(0, 1028));
}

TEST_F(LogPaneTest, HeldByteIsShownWhenTheRunEnds)
{
    Output("tail\xD6");
    EXPECT_EQ(L"tail", m_log.Text());
    m_log.EndOutput();
    EXPECT_EQ(5u, m_log.Text().size());
}

TEST_F(LogPaneTest, ReadBackIsLimitedToTheRequestedLength)
{
    m_log.Append(std::wstring(2000, L'x') + L"Done.", true);
    EXPECT_EQ(std::wstring(1028, L'x'), m_log.Line(0, 1028));
}

TEST_F(LogPaneTest, KeepsSeveralHundredThousandCharactersOfOutput)
{
    // Beyond the edit control's default limit (30,000 under Wine, about
    // 32K on Windows): nothing may be refused.
    std::string chunk;
    for (int i = 0; i < 20; ++i)
        chunk += "0123456789abcdef0123456789abcdef0123456789ABC\r\n";
    ASSERT_EQ(940u, chunk.size());
    const int chunks = 320;
    for (int i = 0; i < chunks; ++i)
        Output(chunk);
    m_log.Append(L"Done.", true);
    const std::wstring text = m_log.Text();
    EXPECT_EQ(chunk.size() * chunks + 7, text.size());
    EXPECT_EQ(20 * chunks + 2, m_log.LineCount());
    EXPECT_EQ(L"Done.", m_log.Line(20 * chunks, 1028));
}

// Shown windows of both kinds of log, for what only a shown window has: an
// update region.
class LogPaneRepaintTest : public testing::TestWithParam<const wchar_t*> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(LogView::Register(::GetModuleHandleW(nullptr)));
        m_window.reset(::CreateWindowExW(0, GetParam(), L"",
            WS_OVERLAPPEDWINDOW | WS_VISIBLE | ES_MULTILINE | ES_AUTOHSCROLL | ES_READONLY | WS_VSCROLL, 0, 0, 400, 200,
            nullptr, nullptr, nullptr, nullptr));
        ASSERT_TRUE(m_window);
        m_edit.Attach(m_window.get());
        m_log.RemoveLengthLimit();
        ::UpdateWindow(m_window.get());
    }
    void TearDown() override
    {
        m_edit.Detach();
        m_window.reset();
    }

    bool RepaintPending() const { return ::GetUpdateRect(m_edit.GetSafeHwnd(), nullptr, FALSE) != FALSE; }

    UniqueWindow m_window;
    CEdit m_edit; // a view of m_window
    LogPane m_log{m_edit};
};

TEST_P(LogPaneRepaintTest, EveryAppendAfterAPaintIsPaintedAgain)
{
    ASSERT_FALSE(RepaintPending());
    for (int round = 0; round < 3; ++round) {
        const std::string bytes = "line " + std::to_string(round) + "\r\n";
        m_log.AppendOutput(bytes.data(), bytes.size());
        m_log.AppendOutput(bytes.data(), bytes.size());
        EXPECT_TRUE(RepaintPending()) << "round " << round;
        ::UpdateWindow(m_edit.GetSafeHwnd());
        EXPECT_FALSE(RepaintPending()) << "round " << round;
    }
    m_log.AppendLine(L"Done.");
    EXPECT_TRUE(RepaintPending());
}

INSTANTIATE_TEST_SUITE_P(BothLogs, LogPaneRepaintTest, testing::Values(L"EDIT", LogView::kClassName));

} // namespace
