#include "LogViewTestHost.h"

#include <Clipboard.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

// The real edit control, fed exactly what the view is fed, is the reference.
// Wine's edit control counts EM_LINELENGTH(-1) from the anchor to the caret
// even when the caret is before the anchor; the view, as documented, from the
// selection's start to its end, so backward selections leave that out.
void ExpectSameAnswers(HWND edit, HWND view, bool backwardSelection = false)
{
    auto same = [&](UINT message, WPARAM wParam, const char* name) {
        EXPECT_EQ(SendMessageW(view, message, wParam, 0), SendMessageW(edit, message, wParam, 0))
            << name << "(" << static_cast<int>(wParam) << ")";
    };
    same(WM_GETTEXTLENGTH, 0, "WM_GETTEXTLENGTH");
    EXPECT_EQ(WindowText(view), WindowText(edit));
    same(EM_GETLINECOUNT, 0, "EM_GETLINECOUNT");
    const int lines = static_cast<int>(SendMessageW(edit, EM_GETLINECOUNT, 0, 0));
    for (int line = -1; line <= lines; ++line) {
        same(EM_LINEINDEX, static_cast<WPARAM>(line), "EM_LINEINDEX");
        EXPECT_EQ(LineText(view, line, 300), LineText(edit, line, 300)) << "EM_GETLINE " << line;
        EXPECT_EQ(LineText(view, line, 2), LineText(edit, line, 2)) << "EM_GETLINE " << line << ", 2 chars";
    }
    const int length = static_cast<int>(SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0));
    for (int position = -1; position <= length + 1; ++position) {
        same(EM_LINEFROMCHAR, static_cast<WPARAM>(position), "EM_LINEFROMCHAR");
        if (position != -1 || !backwardSelection)
            same(EM_LINELENGTH, static_cast<WPARAM>(position), "EM_LINELENGTH");
    }
    DWORD editStart = 0, editEnd = 0, viewStart = 0, viewEnd = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&editStart), reinterpret_cast<LPARAM>(&editEnd));
    SendMessageW(view, EM_GETSEL, reinterpret_cast<WPARAM>(&viewStart), reinterpret_cast<LPARAM>(&viewEnd));
    EXPECT_EQ(viewStart, editStart);
    EXPECT_EQ(viewEnd, editEnd);
    same(EM_GETMODIFY, 0, "EM_GETMODIFY");
}

class LogViewTest : public ::testing::Test {
protected:
    LogViewTestHost host;

    LRESULT View(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return SendMessageW(host.View(), message, wParam, lParam);
    }
    void FeedBoth(const std::wstring& text)
    {
        AppendLikeTheProgram(host.Edit(), text);
        AppendLikeTheProgram(host.View(), text);
    }
    void SendBoth(UINT message, WPARAM wParam, LPARAM lParam)
    {
        SendMessageW(host.Edit(), message, wParam, lParam);
        SendMessageW(host.View(), message, wParam, lParam);
    }
    std::pair<DWORD, DWORD> Selection()
    {
        DWORD start = 0, end = 0;
        View(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        return {start, end};
    }
};

using Sel = std::pair<DWORD, DWORD>;

TEST_F(LogViewTest, AnswersLikeAnEditControlWhileAppending)
{
    // Under Wine the edit control also breaks lines at a lone "\n" and
    // treats "\r\r\n" as a soft break; neither appears here.
    const std::vector<std::wstring> pieces = {L"first line\r\n", L"", L"lone\rcarriage", L" and more\r", L"\n",
        L"tab\tbed 中文\r", L"", L"\nlast\r", L"x", L"\r\n\r\n", L"end"};
    for (const std::wstring& piece : pieces) {
        FeedBoth(piece);
        ASSERT_NO_FATAL_FAILURE(ExpectSameAnswers(host.Edit(), host.View())) << "after appending " << piece.size();
    }
    const std::vector<std::wstring> tokens = {L"a", L"b", L" ", L"\t", L"中", L"\r\n", L"\rx"};
    std::mt19937 random(7);
    std::wstring stream;
    while (stream.size() < 300)
        stream += tokens[random() % tokens.size()];
    for (size_t at = 0; at < stream.size();) {
        const size_t size = random() % 6;
        FeedBoth(stream.substr(at, size));
        at += size;
    }
    ExpectSameAnswers(host.Edit(), host.View());
}

TEST_F(LogViewTest, ClampsSelectionsLikeAnEditControl)
{
    FeedBoth(L"alpha\r\nbeta\r\n\r\ngamma");
    const std::vector<std::pair<int, int>> selections
        = {{0, -1}, {-1, 0}, {5, 2}, {100000, 3}, {0x7FFFFFFF, -1}, {3, 3}, {-7, 4}, {2, 100000}, {6, 12}, {8, 8}};
    for (const auto& [start, end] : selections) {
        SendBoth(EM_SETSEL, static_cast<WPARAM>(start), end);
        const bool backward = start != -1 && static_cast<UINT>(start) > static_cast<UINT>(end);
        ASSERT_NO_FATAL_FAILURE(ExpectSameAnswers(host.Edit(), host.View(), backward)) << start << ", " << end;
    }
}

TEST_F(LogViewTest, ReplacesASelectionInTheMiddleLikeAnEditControl)
{
    FeedBoth(L"alpha\r\nbeta\r\ngamma");
    const std::vector<std::tuple<int, int, const wchar_t*>> edits
        = {{2, 9, L"X\r\nY"}, {4, 7, L"\r"}, {5, 5, L"q"}, {3, 3, L""}, {0, 2, L"\r\n"}, {0, -1, L"all\r\nnew"}};
    for (const auto& [start, end, text] : edits) {
        SendBoth(EM_SETSEL, static_cast<WPARAM>(start), end);
        SendBoth(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
        ASSERT_NO_FATAL_FAILURE(ExpectSameAnswers(host.Edit(), host.View())) << start << ", " << end;
    }
    SendBoth(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"one\r\ntwo"));
    ExpectSameAnswers(host.Edit(), host.View());
    EXPECT_EQ(View(EM_GETFIRSTVISIBLELINE), 0);
}

TEST_F(LogViewTest, LaysOutTabsAndWideCharactersLikeAnEditControl)
{
    // The log's font: a CJK font, whose tmAveCharWidth is wider than the
    // average Latin letter that tab stops are measured in.
    const UniqueFont font(
        CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, 0, 0, 0, FIXED_PITCH, L"新宋体"));
    SendBoth(WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
    const std::wstring line = L"a\tbb\tccc\tdddd\te 中文 x";
    SendBoth(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(line.c_str()));
    auto x = [](HWND control, size_t position) {
        return static_cast<short>(LOWORD(SendMessageW(control, EM_POSFROMCHAR, position, 0)));
    };
    for (size_t position = 1; position < line.size(); ++position)
        EXPECT_EQ(x(host.View(), position) - x(host.View(), 0), x(host.Edit(), position) - x(host.Edit(), 0))
            << "position " << position;
    SendBoth(WM_SETFONT, 0, FALSE);
}

// What is appended always lands at the end; the caret and the view go with
// it only while the operator watches the end. Each row puts the view in a
// state, appends, and looks at the selection, the first line in view and how
// far the view is scrolled sideways.
TEST_F(LogViewTest, FollowsTheEndUnlessTheOperatorLooksElsewhere)
{
    struct Row {
        const char* state;
        std::function<void()> enter;
        bool follows;
    };
    RECT size{};
    GetWindowRect(host.View(), &size);
    const Row rows[] = {
        {"nothing selected, the end in view", [] {}, true},
        {"a selection made with EM_SETSEL", [&] { View(EM_SETSEL, 10, 20); }, false},
        {"a selection made with the keys", [&] { PressKey(host.View(), VK_LEFT, {VK_SHIFT}); }, false},
        {"all selected", [&] { PressKey(host.View(), 'A', {VK_CONTROL}); }, false},
        {"scrolled up", [&] { View(WM_VSCROLL, SB_LINEUP); }, false},
        {"scrolled sideways", [&] { View(WM_HSCROLL, SB_PAGERIGHT); }, false},
        {"back at the end with Ctrl+End",
            [&] {
                View(EM_SETSEL, 10, 20);
                View(WM_VSCROLL, SB_TOP);
                View(WM_HSCROLL, SB_PAGERIGHT);
                PressKey(host.View(), VK_END, {VK_CONTROL});
            },
            true},
        {"scrolled back to the bottom",
            [&] {
                View(WM_VSCROLL, SB_TOP);
                View(WM_VSCROLL, SB_BOTTOM);
            },
            true},
        {"the end in view, the view made smaller",
            [&] {
                SetWindowPos(host.View(), nullptr, 0, 0, size.right - size.left, (size.bottom - size.top) / 2,
                    SWP_NOMOVE | SWP_NOZORDER);
            },
            true},
        {"a run begins",
            [&] {
                View(EM_SETSEL, 10, 20);
                View(WM_VSCROLL, SB_TOP);
                View(LogViewMessages::kFollowEnd);
            },
            true},
    };
    for (const Row& row : rows) {
        SetWindowPos(
            host.View(), nullptr, 0, 0, size.right - size.left, size.bottom - size.top, SWP_NOMOVE | SWP_NOZORDER);
        View(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
        for (int line = 0; line < 100; ++line)
            AppendLikeTheProgram(
                host.View(), L"line " + std::to_wstring(line) + (line == 98 ? std::wstring(300, L'w') : L"") + L"\r\n");
        const LRESULT unscrolledX = View(EM_POSFROMCHAR, static_cast<WPARAM>(View(EM_LINEINDEX, 0)));
        row.enter();
        const Sel selection = Selection();
        const LRESULT firstLine = View(EM_GETFIRSTVISIBLELINE);
        const LRESULT firstX = View(EM_POSFROMCHAR, static_cast<WPARAM>(View(EM_LINEINDEX, firstLine)));

        AppendLikeTheProgram(host.View(), L"more\r\n");
        AppendLikeTheProgram(host.View(), L"and more\r\n");
        const DWORD end = static_cast<DWORD>(View(WM_GETTEXTLENGTH));
        const LRESULT nowFirst = View(EM_GETFIRSTVISIBLELINE);
        const LRESULT nowX = View(EM_POSFROMCHAR, static_cast<WPARAM>(View(EM_LINEINDEX, nowFirst)));
        EXPECT_EQ(WindowText(host.View()).substr(end - 16), L"more\r\nand more\r\n") << row.state;
        if (row.follows) {
            EXPECT_EQ(Selection(), Sel(end, end)) << row.state;
            EXPECT_EQ(nowFirst, 103 - host.VisibleLines()) << row.state << ": the last line in view";
            EXPECT_EQ(LOWORD(nowX), LOWORD(unscrolledX)) << row.state << ": not scrolled sideways";
        } else {
            EXPECT_EQ(Selection(), selection) << row.state;
            EXPECT_EQ(nowFirst, firstLine) << row.state;
            EXPECT_EQ(LOWORD(nowX), LOWORD(firstX)) << row.state << ": scrolled sideways as before";
        }
    }
}

TEST_F(LogViewTest, KeepsTheLastLineInViewAndTheScrollBarInStep)
{
    for (int line = 0; line < 200; ++line)
        FeedBoth(L"line " + std::to_wstring(line) + L"\r\n");
    const int visible = host.VisibleLines();
    ASSERT_GT(visible, 2);
    EXPECT_EQ(View(EM_GETFIRSTVISIBLELINE), 201 - visible);
    EXPECT_EQ(View(EM_GETFIRSTVISIBLELINE), SendMessageW(host.Edit(), EM_GETFIRSTVISIBLELINE, 0, 0));
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(host.View(), SB_VERT, &info));
    EXPECT_EQ(info.nMax, 200);
    EXPECT_EQ(info.nPos, 201 - visible);
    EXPECT_EQ(info.nPage, static_cast<UINT>(visible));

    View(WM_VSCROLL, SB_TOP);
    View(WM_VSCROLL, SB_PAGEDOWN);
    EXPECT_EQ(View(EM_GETFIRSTVISIBLELINE), visible);
    UINT wheelLines = 3;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &wheelLines, 0);
    View(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)));
    EXPECT_EQ(View(EM_GETFIRSTVISIBLELINE), visible + static_cast<int>(wheelLines));

    View(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    EXPECT_EQ(View(EM_GETFIRSTVISIBLELINE), 0);
    ASSERT_TRUE(GetScrollInfo(host.View(), SB_VERT, &info));
    EXPECT_EQ(info.nMax, 0);
}

TEST_F(LogViewTest, FollowsTheCaretSidewaysAlongALongLine)
{
    const std::wstring chunk(1024, L'w');
    for (int i = 0; i < 100; ++i)
        AppendLikeTheProgram(host.View(), chunk);
    const LRESULT length = View(WM_GETTEXTLENGTH);
    ASSERT_EQ(length, 100 * 1024);
    RECT client{};
    GetClientRect(host.View(), &client);
    const short caretX = static_cast<short>(LOWORD(View(EM_POSFROMCHAR, static_cast<WPARAM>(length - 1))));
    EXPECT_GT(caretX, 0);
    EXPECT_LT(caretX, client.right);
    EXPECT_LT(static_cast<short>(LOWORD(View(EM_POSFROMCHAR, 100 * 1024 - 200))), 0);
    EXPECT_EQ(View(EM_POSFROMCHAR, static_cast<WPARAM>(length)), -1);
}

TEST_F(LogViewTest, CopiesTheSelectionAndSelectAllToTheClipboard)
{
    AppendLikeTheProgram(host.View(), L"复制 this\r\nand that");
    View(EM_SETSEL, 3, 7);
    View(WM_COPY);
    EXPECT_EQ(testkit::clipboardText(), L"this");
    View(EM_SETSEL, 0, 2);
    PressKey(host.View(), 'C', {VK_CONTROL});
    EXPECT_EQ(testkit::clipboardText(), L"复制");
    PressKey(host.View(), 'A', {VK_CONTROL});
    EXPECT_EQ(Selection(), Sel(0, 17));
    View(WM_COPY);
    EXPECT_EQ(testkit::clipboardText(), L"复制 this\r\nand that");
}

TEST_F(LogViewTest, KeyboardMovesAndExtendsTheCaret)
{
    AppendLikeTheProgram(host.View(), L"first\r\nsecond line\r\nthird");
    View(EM_SETSEL, 0, 0);
    PressKey(host.View(), VK_END);
    EXPECT_EQ(Selection(), Sel(5, 5));
    PressKey(host.View(), VK_RIGHT);
    EXPECT_EQ(Selection(), Sel(7, 7)) << "steps over the line break";
    PressKey(host.View(), VK_DOWN);
    EXPECT_EQ(Selection(), Sel(20, 20));
    PressKey(host.View(), VK_END, {VK_SHIFT});
    EXPECT_EQ(Selection(), Sel(20, 25));
    PressKey(host.View(), VK_LEFT, {VK_SHIFT, VK_CONTROL});
    EXPECT_EQ(Selection(), Sel(20, 20));
    PressKey(host.View(), VK_HOME, {VK_CONTROL});
    EXPECT_EQ(Selection(), Sel(0, 0));
    PressKey(host.View(), VK_LEFT);
    EXPECT_EQ(Selection(), Sel(0, 0));
}

TEST_F(LogViewTest, MouseSelectsByDraggingAndWordsByDoubleClicking)
{
    AppendLikeTheProgram(host.View(), L"first\r\nsecond line\r\nthird");
    const int lineHeight = host.LineHeight();
    View(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0, lineHeight / 2));
    View(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(1000, lineHeight + lineHeight / 2));
    View(WM_LBUTTONUP, 0, MAKELPARAM(1000, lineHeight + lineHeight / 2));
    EXPECT_EQ(Selection(), Sel(0, 18));
    View(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1000, 10 * lineHeight));
    View(WM_LBUTTONUP, 0, MAKELPARAM(1000, 10 * lineHeight));
    EXPECT_EQ(Selection(), Sel(25, 25)) << "below and right of the text is its end";
    View(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(host.AverageCharWidth() * 3, lineHeight + lineHeight / 2));
    EXPECT_EQ(Selection(), Sel(7, 13));
}

TEST_F(LogViewTest, ADragEndsWhenAnotherWindowTakesTheMouse)
{
    AppendLikeTheProgram(host.View(), L"first\r\nsecond line\r\nthird");
    const int lineHeight = host.LineHeight();
    View(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0, lineHeight / 2));
    ASSERT_EQ(GetCapture(), host.View()) << "a drag holds the mouse";
    SetCapture(host.Edit());
    View(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(1000, lineHeight + lineHeight / 2));
    EXPECT_EQ(Selection(), Sel(0, 0));
    ReleaseCapture();
}

TEST_F(LogViewTest, PaintsTextOnTheBackgroundItsParentChooses)
{
    host.SetStaticBackground(RGB(255, 0, 0));
    const std::vector<COLORREF> empty = host.RenderView();
    ASSERT_FALSE(empty.empty());
    for (COLORREF pixel : empty)
        ASSERT_EQ(pixel, RGB(255, 0, 0));
    AppendLikeTheProgram(host.View(), L"MMMM\tWWWW\r\n日志");
    const std::vector<COLORREF> painted = host.RenderView();
    const auto red = std::count(painted.begin(), painted.end(), RGB(255, 0, 0));
    EXPECT_GT(red, static_cast<long>(painted.size() / 2));
    EXPECT_LT(red, static_cast<long>(painted.size())) << "no text was drawn";
}

TEST_F(LogViewTest, FindsTheCharacterAtAPointLikeAnEditControl)
{
    // Both controls have the same size and font, but their borders and
    // margins differ by a pixel or two: the view's points are shifted by
    // the difference between the places of their first characters.
    FeedBoth(L"short\r\na longer line\twith a tab\r\n\r\n中文 last");
    const auto pointOf = [](HWND control, size_t position) {
        const LRESULT point = SendMessageW(control, EM_POSFROMCHAR, position, 0);
        return POINT{static_cast<short>(LOWORD(point)), static_cast<short>(HIWORD(point))};
    };
    const POINT view = pointOf(host.View(), 0);
    const POINT edit = pointOf(host.Edit(), 0);
    const POINT shift{view.x - edit.x, view.y - edit.y};
    RECT viewClient{};
    RECT editClient{};
    GetClientRect(host.View(), &viewClient);
    GetClientRect(host.Edit(), &editClient);
    RECT both = viewClient; // in the edit control's coordinates
    OffsetRect(&both, -shift.x, -shift.y);
    IntersectRect(&both, &both, &editClient);

    // At (x, y) of the edit control and the same place in the view.
    const auto charFromPos = [](HWND control, LONG x, LONG y) {
        return SendMessageW(control, EM_CHARFROMPOS, 0, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
    };
    const auto same = [&](LONG x, LONG y) {
        EXPECT_EQ(charFromPos(host.View(), x + shift.x, y + shift.y), charFromPos(host.Edit(), x, y))
            << "at " << x << ", " << y;
    };
    const int height = host.LineHeight();
    const size_t length = static_cast<size_t>(View(WM_GETTEXTLENGTH));
    for (size_t position = 0; position < length; ++position) {
        const POINT point = pointOf(host.Edit(), position);
        same(point.x + 1, point.y + height / 2);
    }
    for (LONG line = 0; line < 4; ++line)
        same(both.right - 1, edit.y + line * height + height / 2); // right of the line's end
    same(both.left + 10, both.bottom - 1); // below the text

    // Outside the client area there is no character.
    EXPECT_EQ(charFromPos(host.Edit(), editClient.right, edit.y + 1), -1);
    EXPECT_EQ(charFromPos(host.View(), viewClient.right, view.y + 1), -1);
    EXPECT_EQ(charFromPos(host.Edit(), 10, -1), -1);
    EXPECT_EQ(charFromPos(host.View(), 10, -1), -1);
}

} // namespace
