// The benchmark probe, loaded into this very process: it must see every
// message a log gets, time it, and read tick lines out of the appends
// however they are cut.
#include <Probe.h>

#include <UniqueAny.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <string>

namespace {

// A stand-in log: keeps what EM_REPLACESEL appends; WM_APP makes it append
// to itself, as a control's own nested messages would.
LRESULT CALLBACK StandInLog(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    static std::wstring text;
    switch (message) {
    case EM_REPLACESEL:
        text += reinterpret_cast<const wchar_t*>(lParam);
        return 0;
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(text.size());
    case WM_APP:
        return ::SendMessageW(window, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L"nested\r\n"));
    case WM_PAINT: {
        PAINTSTRUCT paint;
        ::BeginPaint(window, &paint);
        ::EndPaint(window, &paint);
        return 0;
    }
    default:
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

void Append(HWND log, const wchar_t* text)
{
    ::SendMessageW(log, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
}

// One test only: the probe attaches once per process, like once per Tarrow.
TEST(BenchProbeTest, TimesEveryMessageAndFindsTheTicksInTheAppends)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = StandInLog;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"BenchProbeStandInLog";
    ASSERT_TRUE(::RegisterClassW(&windowClass));
    const UniqueWindow log(::CreateWindowW(L"BenchProbeStandInLog", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300,
        200, nullptr, nullptr, windowClass.hInstance, nullptr));
    ASSERT_TRUE(log);

    e2e::Probe inside{e2e::Window(log.get())};
    ASSERT_TRUE(inside.watch(e2e::Window(log.get())));
    const probe::Layout& seen = inside.layout();
    const probe::MessageCost before = seen.outermost;

    // Unasked, the probe only counts what is appended.
    const wchar_t* const unread = L"tick 00009 0000000000000009000\r\n";
    Append(log.get(), unread);
    EXPECT_EQ(seen.ticksSeen, 0);
    std::int64_t appended = static_cast<std::int64_t>(std::wcslen(unread));
    EXPECT_EQ(seen.charsAppended, appended);
    inside.readTicks();

    // Tick lines cut anywhere by the chunks, with other output between.
    const wchar_t* const chunks[] = {L"tick 00001 0000000000000001000\r\nstart\r\ntick 000",
        L"02 0000000000000002000\r", L"\ntick 00003 0000000000000003000\r\n"};
    for (const wchar_t* chunk : chunks) {
        Append(log.get(), chunk);
        appended += static_cast<std::int64_t>(std::wcslen(chunk));
    }
    ASSERT_EQ(seen.ticksSeen, 3);
    for (unsigned i = 0; i < 3; ++i) {
        EXPECT_EQ(seen.ticks[i].sequence, i + 1);
        EXPECT_EQ(seen.ticks[i].printed, 1000 * (i + 1));
        EXPECT_GT(seen.ticks[i].shown, 0);
    }
    EXPECT_GE(seen.ticks[2].shown, seen.ticks[0].shown);
    EXPECT_EQ(seen.costs[probe::kReplaceSel].count, 1 + 3);
    EXPECT_EQ(seen.charsAppended, appended);

    // A message the control sends itself while busy is timed on its own,
    // but counts only once in the time spent inside the control.
    ::SendMessageW(log.get(), WM_APP, 0, 0);
    EXPECT_EQ(seen.costs[probe::kReplaceSel].count, 1 + 3 + 1);
    EXPECT_EQ(seen.outermost.count - before.count, 1 + 3 + 1);
    EXPECT_GE(seen.outermost.counterTotal, before.counterTotal);

    // Painting, which never goes through SendMessage, is seen too.
    const std::int64_t invalidated = seen.calls[probe::kInvalidateRect].count;
    ::InvalidateRect(log.get(), nullptr, TRUE);
    ::UpdateWindow(log.get());
    EXPECT_GE(seen.costs[probe::kPaint].count, 1);

    // The program's own platform calls are timed, each where it was made:
    // this very program is the one watched.
    EXPECT_EQ(seen.calls[probe::kInvalidateRect].count, invalidated + 1);
    wchar_t wide[8];
    const std::int64_t converted = seen.calls[probe::kMultiByteToWideChar].count;
    EXPECT_EQ(::MultiByteToWideChar(CP_ACP, 0, "tick", 4, wide, 8), 4);
    EXPECT_EQ(seen.calls[probe::kMultiByteToWideChar].count, converted + 1);
    EXPECT_GE(seen.calls[probe::kMultiByteToWideChar].counterTotal, 0);
    // What reaches the log through a dispatch is told apart, so the two are
    // not added up.
    const std::int64_t dispatched = seen.dispatched.count;
    ::PostMessageW(log.get(), WM_NULL, 0, 0);
    MSG message;
    while (::PeekMessageW(&message, log.get(), 0, 0, PM_REMOVE))
        ::DispatchMessageW(&message);
    EXPECT_GE(seen.calls[probe::kDispatchMessage].count, 1);
    EXPECT_EQ(seen.dispatched.count, dispatched + 1);

    ::SendMessageW(log.get(), WM_GETTEXTLENGTH, 0, 0);
    EXPECT_GE(seen.costs[probe::kGetText].count, 1);

    // Costs are kept by how much output the log already held.
    const std::int64_t bucketBefore = seen.replaceSelByOutput[0].count;
    const std::wstring quarter(static_cast<size_t>(probe::kBucketChars), L'x');
    Append(log.get(), quarter.c_str());
    Append(log.get(), L"\r\n");
    EXPECT_EQ(seen.replaceSelByOutput[0].count, bucketBefore + 1);
    EXPECT_EQ(seen.replaceSelByOutput[1].count, 1);

    // The moment the log has had a given amount is noted once, when reached.
    inside.watchFor(inside.charsAppended() + 10);
    Append(log.get(), L"12345");
    EXPECT_EQ(inside.targetReachedAt(), 0);
    LARGE_INTEGER beforeReaching;
    ::QueryPerformanceCounter(&beforeReaching);
    Append(log.get(), L"6789012345");
    const LONGLONG reached = inside.targetReachedAt();
    EXPECT_GE(reached, beforeReaching.QuadPart);
    Append(log.get(), L"more");
    EXPECT_EQ(inside.targetReachedAt(), reached);
}

} // namespace
