// The log's UI Automation element and text pattern on the provider's own
// objects: where ranges are shown and found on screen, what selecting and
// scrolling do, what is refused, and what clients are told and when.

#include "AutomationHostDouble.h"
#include "RecordingCore.h"

#include <EditQueries.h>
#include <LogAutomation.h>
#include <LogTextProvider.h>

#include <windowsx.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

using Range = ComPtr<uia::ITextRangeProvider>;
constexpr auto kStart = uia::TextPatternRangeEndpoint_Start;
constexpr auto kEnd = uia::TextPatternRangeEndpoint_End;

ComPtr<uia::ITextProvider2> TextPattern(IRawElementProviderSimple* element)
{
    ComPtr<IUnknown> pattern;
    EXPECT_EQ(element->GetPatternProvider(uia::kTextPattern2, pattern.put()), S_OK);
    ComPtr<uia::ITextProvider2> text;
    if (pattern)
        pattern->QueryInterface(uia::IID_ITextProvider2, text.put_void());
    return text;
}

// Where the range starts, read through the text before it.
size_t StartOf(AutomationHostDouble& host, uia::ITextRangeProvider* range)
{
    const Range before = host.Range(0, 0);
    before->MoveEndpointByRange(kEnd, range, kStart);
    BSTR text = nullptr;
    before->GetText(-1, &text);
    const size_t length = ::SysStringLen(text);
    ::SysFreeString(text);
    return length;
}

std::vector<Range> RangesIn(SAFEARRAY* array)
{
    std::vector<Range> ranges;
    LONG upper = -1;
    ::SafeArrayGetUBound(array, 1, &upper);
    for (LONG i = 0; i <= upper; ++i) {
        IUnknown* item = nullptr;
        ::SafeArrayGetElement(array, &i, &item);
        ranges.emplace_back();
        item->QueryInterface(uia::IID_ITextRangeProvider, ranges.back().put_void());
        item->Release();
    }
    ::SafeArrayDestroy(array);
    return ranges;
}

std::vector<double> DoublesIn(SAFEARRAY* array)
{
    std::vector<double> values;
    LONG upper = -1;
    ::SafeArrayGetUBound(array, 1, &upper);
    for (LONG i = 0; i <= upper; ++i) {
        values.emplace_back();
        ::SafeArrayGetElement(array, &i, &values.back());
    }
    ::SafeArrayDestroy(array);
    return values;
}

std::wstring Lines(size_t count)
{
    std::wstring text;
    for (size_t line = 0; line < count; ++line)
        text += L"line " + std::to_wstring(line) + L"\r\n";
    return text;
}

TEST(AutomationElement, IsAFocusableReadOnlyDocumentWithTheTextPatternOnly)
{
    AutomationHostDouble host;
    host.text.Append(L"text");
    const ComPtr<IRawElementProviderSimple> element = host.Element();
    const auto property = [&](PROPERTYID id) {
        VARIANT value;
        EXPECT_EQ(element->GetPropertyValue(id, &value), S_OK);
        return value;
    };
    EXPECT_EQ(property(uia::kControlTypeProperty).lVal, uia::kDocumentControlType);
    VARIANT name = property(uia::kNameProperty);
    EXPECT_EQ(std::wstring(name.bstrVal), L"日志");
    ::VariantClear(&name);
    EXPECT_EQ(property(uia::kIsKeyboardFocusableProperty).boolVal, VARIANT_TRUE);

    ProviderOptions options{};
    element->get_ProviderOptions(&options);
    EXPECT_EQ(options, ProviderOptions_ServerSideProvider | ProviderOptions_UseComThreading);
    ComPtr<IUnknown> value;
    EXPECT_EQ(element->GetPatternProvider(10002 /* value */, value.put()), S_OK);
    EXPECT_FALSE(value) << "no value pattern: a reader would take the whole log as one string";

    const Range range = host.Range(0, 4);
    VARIANT readOnly;
    EXPECT_EQ(range->GetAttributeValue(uia::kIsReadOnlyAttribute, &readOnly), S_OK);
    EXPECT_EQ(readOnly.vt, VT_BOOL);
    EXPECT_EQ(readOnly.boolVal, VARIANT_TRUE);
    VARIANT font;
    EXPECT_EQ(range->GetAttributeValue(40005 /* font name */, &font), S_OK);
    EXPECT_EQ(font.vt, VT_UNKNOWN) << "the platform's value for an attribute not supported";
    ::VariantClear(&font);
}

TEST(AutomationElement, SelectionAndCaretAreRangesOfTheirOwn)
{
    AutomationHostDouble host;
    host.text.Append(L"alpha\r\nbeta");
    const ComPtr<uia::ITextProvider2> text = TextPattern(host.Element().get());
    ASSERT_TRUE(text);
    host.selection = {9, 2};
    SAFEARRAY* array = nullptr;
    ASSERT_EQ(text->GetSelection(&array), S_OK);
    std::vector<Range> selected = RangesIn(array);
    ASSERT_EQ(selected.size(), 1u);
    EXPECT_EQ(StartOf(host, selected[0].get()), 2u);

    host.selection = {8, 8};
    ASSERT_EQ(text->GetSelection(&array), S_OK);
    selected = RangesIn(array);
    ASSERT_EQ(selected.size(), 1u) << "nothing selected: an empty range at the caret";
    BSTR none = nullptr;
    selected[0]->GetText(-1, &none);
    EXPECT_EQ(::SysStringLen(none), 0u);
    ::SysFreeString(none);
    EXPECT_EQ(StartOf(host, selected[0].get()), 8u);

    BOOL active = TRUE;
    Range caret;
    ASSERT_EQ(text->GetCaretRange(&active, caret.put()), S_OK);
    EXPECT_EQ(StartOf(host, caret.get()), 8u);
    EXPECT_FALSE(active) << "the window does not have the focus";
}

// Where the edit control places a character, the range starts on screen;
// the character a point is nearest to, the range from that point holds.
TEST(AutomationElement, PlacesRangesAsTheEditControlPlacesCharacters)
{
    AutomationHostDouble host;
    host.text.Append(Lines(30) + L"\tend");
    host.viewport.firstLine = 21;
    const ComPtr<uia::ITextProvider2> text = TextPattern(host.Element().get());
    ASSERT_TRUE(text);
    POINT origin{0, 0};
    ::ClientToScreen(host.window.get(), &origin);
    const size_t inView[] = {
        host.text.LineStart(21), host.text.LineStart(21) + 3, host.text.LineStart(25) + 6, host.text.LineStart(30) + 1};
    for (const size_t position : inView) {
        const LRESULT place
            = *EditQueries(host.text, host.selection, host.SettledLayout()).Answer(EM_POSFROMCHAR, position, 0);
        SAFEARRAY* array = nullptr;
        ASSERT_EQ(host.Range(position, position + 1)->GetBoundingRectangles(&array), S_OK);
        const std::vector<double> rectangle = DoublesIn(array);
        ASSERT_EQ(rectangle.size(), 4u) << position;
        EXPECT_EQ(rectangle[0], origin.x + GET_X_LPARAM(place)) << position;
        EXPECT_EQ(rectangle[1], origin.y + GET_Y_LPARAM(place)) << position;
        EXPECT_GT(rectangle[2], 0.0) << position;

        const LPARAM client = MAKELPARAM(GET_X_LPARAM(place) + 1, GET_Y_LPARAM(place) + 2);
        const LRESULT nearest
            = *EditQueries(host.text, host.selection, host.SettledLayout()).Answer(EM_CHARFROMPOS, 0, client);
        Range atPoint;
        ASSERT_EQ(text->RangeFromPoint(
                      {origin.x + GET_X_LPARAM(client) + 0.5, origin.y + GET_Y_LPARAM(client) + 0.5}, atPoint.put()),
            S_OK);
        EXPECT_EQ(StartOf(host, atPoint.get()), LOWORD(nearest)) << position;
    }
    const struct {
        size_t start, end;
        size_t rectangles;
    } spans[]
        = {{0, 20, 0}, {5, 5, 0}, {host.text.LineStart(19), host.text.LineStart(23), 2}, {0, host.text.Length(), 10}};
    for (const auto& span : spans) {
        SAFEARRAY* array = nullptr;
        ASSERT_EQ(host.Range(span.start, span.end)->GetBoundingRectangles(&array), S_OK);
        EXPECT_EQ(DoublesIn(array).size(), 4 * span.rectangles) << "lines in view only, " << span.start;
    }
}

TEST(AutomationElement, SelectingAndScrollingIntoViewMoveTheView)
{
    AutomationHostDouble host;
    host.text.Append(Lines(40));
    const size_t line30 = host.text.LineStart(30);
    const Range range = host.Range(line30, host.text.LineStart(31));
    ASSERT_EQ(range->ScrollIntoView(TRUE), S_OK);
    EXPECT_EQ(host.viewport.firstLine, 30u);
    ASSERT_EQ(range->ScrollIntoView(FALSE), S_OK);
    EXPECT_EQ(host.viewport.firstLine, 21u) << "its last line at the bottom";
    host.viewport.firstLine = 0;
    ASSERT_EQ(host.Range(line30 + 2, line30 + 2)->Select(), S_OK);
    EXPECT_EQ(host.selection, (Selection{line30 + 2, line30 + 2})) << "an empty range moves the caret";
    EXPECT_EQ(host.viewport.firstLine, 21u);
    ASSERT_EQ(range->Select(), S_OK);
    EXPECT_EQ(host.selection, (Selection{line30, host.text.LineStart(31)}));
    EXPECT_EQ(range->AddToSelection(), uia::kInvalidOperation) << "one selection only";
}

TEST(AutomationElement, RefusesRangesOfAnyOtherProvider)
{
    AutomationHostDouble host;
    AutomationHostDouble other;
    host.text.Append(L"one two");
    other.text.Append(L"one two");
    const Range range = host.Range(1, 3);
    const Range foreign = other.Range(0, 7);
    // Not a range at all: another object of this log's offered as one.
    const ComPtr<uia::ITextProvider2> pattern = TextPattern(host.Element().get());
    auto* impostor = reinterpret_cast<uia::ITextRangeProvider*>(pattern.get());
    for (uia::ITextRangeProvider* stranger :
        {foreign.get(), impostor, static_cast<uia::ITextRangeProvider*>(nullptr)}) {
        BOOL same = TRUE;
        int order = 7;
        EXPECT_EQ(range->Compare(stranger, &same), E_INVALIDARG);
        EXPECT_EQ(range->CompareEndpoints(kStart, stranger, kEnd, &order), E_INVALIDARG);
        EXPECT_EQ(range->MoveEndpointByRange(kEnd, stranger, kEnd), E_INVALIDARG);
    }
    EXPECT_EQ(StartOf(host, range.get()), 1u);
    int order = 0;
    EXPECT_EQ(range->CompareEndpoints(kEnd, host.Range(2, 2).get(), kStart, &order), S_OK);
    EXPECT_GT(order, 0);
}

TEST(AutomationElement, AfterTheWindowHasGoneEveryCallFails)
{
    AutomationHostDouble host;
    host.text.Append(L"text");
    const ComPtr<IRawElementProviderSimple> element = host.Element();
    const ComPtr<uia::ITextProvider2> text = TextPattern(element.get());
    const Range range = host.Range(0, 2);
    *host.link = nullptr;
    VARIANT value;
    ComPtr<IUnknown> pattern;
    ComPtr<IRawElementProviderSimple> hostElement;
    SAFEARRAY* array = nullptr;
    Range made;
    BSTR chars = nullptr;
    int moved = 0;
    BOOL active = FALSE;
    const std::vector<std::function<HRESULT()>> calls = {
        [&] { return element->GetPropertyValue(uia::kNameProperty, &value); },
        [&] { return element->GetPatternProvider(uia::kTextPattern, pattern.put()); },
        [&] { return element->get_HostRawElementProvider(hostElement.put()); },
        [&] { return text->get_DocumentRange(made.put()); },
        [&] { return text->GetSelection(&array); },
        [&] { return text->GetVisibleRanges(&array); },
        [&] { return text->GetCaretRange(&active, made.put()); },
        [&] {
            return text->RangeFromPoint({1, 1}, made.put());
        },
        [&] { return range->GetText(-1, &chars); },
        [&] { return range->Move(uia::TextUnit_Line, 1, &moved); },
        [&] { return range->ExpandToEnclosingUnit(uia::TextUnit_Word); },
        [&] { return range->Clone(made.put()); },
        [&] { return range->Select(); },
        [&] { return range->ScrollIntoView(TRUE); },
        [&] { return range->GetBoundingRectangles(&array); },
    };
    for (size_t i = 0; i < calls.size(); ++i)
        EXPECT_EQ(calls[i](), uia::kElementNotAvailable) << "call " << i;
}

// ---------------------------------------------------------------------------
// What clients are told

DWORD g_now = 0;
DWORD WINAPI Now()
{
    return g_now;
}

constexpr UINT_PTR kTextTimer = 4;
constexpr UINT_PTR kAnnounceTimer = 5;

class AutomationEvents : public testing::Test {
protected:
    explicit AutomationEvents(bool notifications = true)
        : automation(host, kTextTimer, kAnnounceTimer, &RecordingCore::Get(notifications), Now)
    {
        RecordingCore::Clear();
        g_now = 10000;
    }

    void Connect() { ASSERT_TRUE(automation.OnGetObject(0, uia::kRootObjectId).has_value()); }
    void Append(const std::wstring& text, DWORD at)
    {
        g_now = at;
        host.text.Append(text);
        automation.TextChanged(true);
    }
    size_t Count(EVENTID event) const
    {
        return static_cast<size_t>(std::count(RecordingCore::events.begin(), RecordingCore::events.end(), event));
    }

    AutomationHostDouble host;
    LogAutomation automation;
};

TEST_F(AutomationEvents, TextChangesAreToldAtMostFourTimesASecondAndOnlyToListeners)
{
    Append(L"before anyone asked\r\n", 10000);
    EXPECT_TRUE(RecordingCore::events.empty());
    EXPECT_FALSE(automation.OnGetObject(0, OBJID_CLIENT).has_value()) << "MSAA's is not UI Automation's";
    Connect();
    EXPECT_EQ(RecordingCore::calls, std::vector<std::wstring>{L"returned -25"});
    Append(L"a", 20000);
    Append(L"b", 20100);
    Append(L"c", 20200);
    EXPECT_EQ(Count(uia::kTextChangedEvent), 1u) << "at once, then not within a quarter second";
    g_now = 20250;
    EXPECT_TRUE(automation.OnTimer(kTextTimer));
    EXPECT_EQ(Count(uia::kTextChangedEvent), 2u) << "the last of a burst is told when the timer ends";
    RecordingCore::listening = false;
    Append(L"d", 30000);
    EXPECT_EQ(Count(uia::kTextChangedEvent), 2u) << "nobody listens";
}

TEST_F(AutomationEvents, ACaretOrSelectionMovedIsToldButNotTheCaretKeptAtTheEnd)
{
    host.text.Append(L"one\r\ntwo");
    Connect();
    const struct {
        Selection before;
        std::wstring appended;
        Selection after;
        bool told;
    } cases[] = {
        {{8, 8}, L"", {3, 3}, true},
        {{3, 3}, L"", {3, 6}, true},
        {{3, 3}, L"", {3, 3}, false},
        {{8, 8}, L"!", {9, 9}, false}, // following new output at the end
        {{2, 2}, L"!", {9, 9}, true},
        {{0, 8}, L"!", {9, 9}, true},
    };
    for (const auto& c : cases) {
        host.text.Assign(L"one\r\ntwo");
        host.selection = c.before;
        RecordingCore::events.clear();
        const LogAutomation::Mark mark = automation.Before();
        host.text.Append(c.appended);
        host.selection = c.after;
        automation.After(mark);
        EXPECT_EQ(Count(uia::kTextSelectionChangedEvent), c.told ? 1u : 0u)
            << c.before.caret << " to " << c.after.caret;
    }
}

TEST_F(AutomationEvents, NewOutputIsAnnouncedOnceASecondNewestLinesFirst)
{
    host.text.Append(L"old\r\n");
    Connect();
    Append(L"one\r\ntwo\r\npart", 20000);
    EXPECT_EQ(RecordingCore::notifications, std::vector<std::wstring>{L"one\ntwo"}) << "complete lines only";
    Append(L"ial\r\nthree\r\n", 20400);
    EXPECT_EQ(RecordingCore::notifications.size(), 1u) << "not within the second";
    g_now = 21000;
    automation.OnTimer(kAnnounceTimer);
    ASSERT_EQ(RecordingCore::notifications.size(), 2u);
    EXPECT_EQ(RecordingCore::notifications[1], L"partial\nthree");

    // A flood: as many of the newest lines as fit, the newest whole.
    std::wstring flood;
    for (int line = 0; line < 1000; ++line)
        flood += L"flood line " + std::to_wstring(line) + L"\r\n";
    Append(flood, 30000);
    ASSERT_EQ(RecordingCore::notifications.size(), 3u);
    const std::wstring& told = RecordingCore::notifications[2];
    EXPECT_LE(told.size(), LogAutomation::kAnnouncedChars);
    EXPECT_GE(told.size(), LogAutomation::kAnnouncedChars - 20);
    EXPECT_EQ(told.substr(told.size() - 14), L"flood line 999") << "the newest last";

    Append(std::wstring(1000, L'x') + L"\r\n", 31000);
    ASSERT_EQ(RecordingCore::notifications.size(), 4u);
    EXPECT_EQ(RecordingCore::notifications[3], std::wstring(LogAutomation::kAnnouncedChars, L'x')) << "a long line cut";

    host.text.Assign(L"replaced\r\nwhole\r\n");
    g_now = 40000;
    automation.TextChanged(false);
    EXPECT_EQ(RecordingCore::notifications.size(), 4u) << "a text put in place of the log is no new output";
}

class AutomationEventsUnderWine : public AutomationEvents {
protected:
    AutomationEventsUnderWine()
        : AutomationEvents(false)
    {
    }
};

TEST_F(AutomationEventsUnderWine, WithoutNotificationsTheTextChangeIsStillTold)
{
    Connect();
    Append(L"line\r\n", 20000);
    EXPECT_EQ(Count(uia::kTextChangedEvent), 1u);
    EXPECT_TRUE(RecordingCore::notifications.empty());
}

TEST_F(AutomationEventsUnderWine, TheWindowGoingTakesTheElementBackAndCutsItOff)
{
    Connect();
    ComPtr<IRawElementProviderSimple> element;
    *element.put() = automation.Element();
    element->AddRef();
    automation.Disconnect();
    EXPECT_EQ(RecordingCore::calls, (std::vector<std::wstring>{L"returned -25", L"taken back", L"disconnected"}));
    VARIANT name;
    EXPECT_EQ(element->GetPropertyValue(uia::kNameProperty, &name), uia::kElementNotAvailable);
    EXPECT_FALSE(automation.OnGetObject(0, uia::kRootObjectId).has_value()) << "not handed out again";
    Append(L"after\r\n", 20000);
    EXPECT_TRUE(RecordingCore::events.empty());
}

} // namespace
