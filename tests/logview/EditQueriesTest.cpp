#include <EditQueries.h>

#include <gtest/gtest.h>

#include <string>

namespace {

// The edit control's answers for the log's text, asked without a window.
class EditQueriesTest : public testing::Test {
protected:
    EditQueriesTest()
    {
        viewport.Fit(RECT{0, 0, 400, 200}, ViewMetrics::Measure(measurer, 96));
        text.Append(L"alpha\r\nbeta\r\ngamma");
    }

    LRESULT Ask(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        const std::optional<LRESULT> answer
            = EditQueries(text, selection, LogLayout(text, measurer, viewport)).Answer(message, wParam, lParam);
        EXPECT_TRUE(answer.has_value()) << "message " << message;
        return answer.value_or(0);
    }
    Selection Requested(int start, int end)
    {
        return EditQueries(text, selection, LogLayout(text, measurer, viewport))
            .Requested(static_cast<WPARAM>(start), end);
    }
    std::wstring GetLine(int line, WORD capacity)
    {
        std::wstring buffer(10, L'#');
        buffer[0] = static_cast<wchar_t>(capacity);
        buffer.resize(
            static_cast<size_t>(Ask(EM_GETLINE, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(&buffer[0]))));
        return buffer;
    }

    LogText text; // "alpha" 0-4, break 5-6, "beta" 7-10, break 11-12, "gamma" 13-17
    Selection selection;
    LineMeasurer measurer;
    Viewport viewport;
};

TEST_F(EditQueriesTest, GetTextFillsTheBufferAndEndsItWithAZero)
{
    wchar_t buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), L'#');
    EXPECT_EQ(Ask(WM_GETTEXT, 7, reinterpret_cast<LPARAM>(buffer)), 6);
    EXPECT_EQ(std::wstring(buffer), L"alpha\r") << "a break may be cut in half";
    EXPECT_EQ(buffer[7], L'#') << "nothing past the capacity";
    EXPECT_EQ(Ask(WM_GETTEXT, 0, reinterpret_cast<LPARAM>(buffer)), 0);
    EXPECT_EQ(buffer[0], L'a') << "a buffer of no size is left alone";
    EXPECT_EQ(Ask(WM_GETTEXTLENGTH), 18);
}

TEST_F(EditQueriesTest, GetLineCopiesAsManyAsTheFirstWordSaysWithoutAZero)
{
    EXPECT_EQ(GetLine(1, 9), L"beta");
    EXPECT_EQ(GetLine(2, 3), L"gam");
    EXPECT_EQ(GetLine(3, 9), L"") << "past the last line";
    EXPECT_EQ(GetLine(-5, 9), L"alpha") << "other negative lines are the first";
    selection = {15, 15};
    EXPECT_EQ(GetLine(-1, 9), L"gamma") << "line -1 is the caret's";
    EXPECT_EQ(Ask(EM_GETLINE, 0, 0), 0) << "no buffer";
}

TEST_F(EditQueriesTest, LineQueriesTakeMinusOneForTheCaretOrTheSelection)
{
    selection = {3, 9}; // from inside "alpha" to inside "beta"
    EXPECT_EQ(Ask(EM_LINEINDEX, static_cast<WPARAM>(-1)), 7) << "the caret's line";
    EXPECT_EQ(Ask(EM_LINEFROMCHAR, static_cast<WPARAM>(-1)), 0) << "the selection start's line";
    EXPECT_EQ(Ask(EM_LINELENGTH, static_cast<WPARAM>(-1)), 3 + 2) << "what the selection leaves of its lines";
    selection = {9, 3};
    EXPECT_EQ(Ask(EM_LINEINDEX, static_cast<WPARAM>(-1)), 0) << "the caret is now in the first line";
    EXPECT_EQ(Ask(EM_LINEFROMCHAR, static_cast<WPARAM>(-1)), 0);
    EXPECT_EQ(Ask(EM_LINELENGTH, static_cast<WPARAM>(-1)), 5);
}

TEST_F(EditQueriesTest, LineQueriesOutsideTheTextAnswerAsTheEditControlDoes)
{
    EXPECT_EQ(Ask(EM_GETLINECOUNT), 3);
    EXPECT_EQ(Ask(EM_LINEINDEX, 2), 13);
    EXPECT_EQ(Ask(EM_LINEINDEX, 3), -1) << "past the last line";
    EXPECT_EQ(Ask(EM_LINEINDEX, static_cast<WPARAM>(-2)), 0);
    EXPECT_EQ(Ask(EM_LINEFROMCHAR, 6), 0) << "inside a break: the line it ends";
    EXPECT_EQ(Ask(EM_LINEFROMCHAR, 100), 2) << "past the end: the last line";
    EXPECT_EQ(Ask(EM_LINELENGTH, 12), 4);
    EXPECT_EQ(Ask(EM_LINELENGTH, 100), 5);
    EXPECT_EQ(Ask(EM_LINELENGTH, static_cast<WPARAM>(-3)), 5);
}

TEST_F(EditQueriesTest, GetSelReportsPositionsBeyondSixteenBitsOnlyThroughItsPointers)
{
    selection = {9, 3};
    DWORD start = 0;
    DWORD end = 0;
    EXPECT_EQ(Ask(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end)), MAKELRESULT(3, 9));
    EXPECT_EQ(start, 3u);
    EXPECT_EQ(end, 9u);
    EXPECT_EQ(Ask(EM_GETSEL), MAKELRESULT(3, 9)) << "the pointers may be null";

    text.Append(std::wstring(70000, L'x'));
    selection = {65530, 70010};
    EXPECT_EQ(Ask(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end)), -1);
    EXPECT_EQ(start, 65530u);
    EXPECT_EQ(end, 70010u);
}

TEST_F(EditQueriesTest, SetSelArgumentsAreClampedAndMinusOneDropsTheSelection)
{
    EXPECT_EQ(Requested(5, 2), (Selection{5, 2})) << "a backward selection stays backward";
    EXPECT_EQ(Requested(0x7FFFFFFF, -1), (Selection{18, 18})) << "the program's way to the end";
    EXPECT_EQ(Requested(-7, 4), (Selection{18, 4})) << "negative positions are large ones";
    selection = {2, 9};
    EXPECT_EQ(Requested(-1, 0), (Selection{9, 9})) << "where the caret is";
}

TEST_F(EditQueriesTest, PositionsAndPointsCountFromTheTextsScrolledOrigin)
{
    const int height = viewport.lineHeight;
    const int left = viewport.text.left;
    EXPECT_EQ(Ask(EM_POSFROMCHAR, 0), MAKELRESULT(left, 0));
    EXPECT_EQ(Ask(EM_POSFROMCHAR, 7), MAKELRESULT(left, height));
    EXPECT_EQ(Ask(EM_POSFROMCHAR, 18), -1) << "the end is not a character";
    viewport.firstLine = 1;
    viewport.xOffset = 1;
    EXPECT_EQ(Ask(EM_POSFROMCHAR, 7), MAKELRESULT(left - 1, 0));
    EXPECT_EQ(static_cast<short>(HIWORD(Ask(EM_POSFROMCHAR, 0))), -height) << "above the view";

    const auto charFromPos
        = [&](int x, int y) { return Ask(EM_CHARFROMPOS, 0, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y))); };
    EXPECT_EQ(charFromPos(399, 0), MAKELRESULT(11, 1)) << "right of a line: its end";
    EXPECT_EQ(charFromPos(399, 199), MAKELRESULT(18, 2)) << "below the text: its last line";
    EXPECT_EQ(charFromPos(400, 0), -1) << "outside the client area";
    EXPECT_EQ(charFromPos(0, -1), -1);
}

TEST_F(EditQueriesTest, TwoWordAnswersAreNegativeWhenTheHighWordIs0x8000OrMore)
{
    // The edit control packs the words into a LONG, which a 64-bit build
    // widens with its sign: the view must give the very same LRESULT.
    for (int line = 0; line < 40000; ++line)
        text.Append(L"\r\nx");
    selection = {0, 40000};
    viewport.firstLine = 39000;
    const struct {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        WORD high;
    } cases[] = {
        {EM_GETSEL, 0, 0, 40000},
        {EM_POSFROMCHAR, text.LineStart(38999), 0, static_cast<WORD>(-viewport.lineHeight)},
        {EM_CHARFROMPOS, 0, MAKELPARAM(viewport.text.left, 0), 39000},
    };
    for (const auto& query : cases) {
        const LRESULT answer = Ask(query.message, query.wParam, query.lParam);
        EXPECT_EQ(HIWORD(answer), query.high) << "message " << query.message;
        EXPECT_LT(answer, 0) << "message " << query.message;
    }
}

TEST_F(EditQueriesTest, AnswersOnlyQueries)
{
    const EditQueries queries(text, selection, LogLayout(text, measurer, viewport));
    for (UINT message : {UINT(EM_SETSEL), UINT(EM_REPLACESEL), UINT(WM_SETTEXT), UINT(EM_SCROLLCARET), UINT(WM_COPY)})
        EXPECT_FALSE(queries.Answer(message, 0, 0).has_value()) << "message " << message;
}

} // namespace
