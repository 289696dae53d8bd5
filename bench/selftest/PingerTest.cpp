// The round trips the responsiveness figure is made of.
#include "Pinger.h"

#include <Wait.h>

#include <UniqueAny.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

namespace {

constexpr UINT kBlock = WM_APP + 1;
constexpr DWORD kBlockMs = 400;

LRESULT CALLBACK Target(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kBlock) {
        // A thread busy with something long, as Tarrow appending to a huge log.
        ::Sleep(kBlockMs);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

// A window on a thread of its own that answers messages until told to quit.
class TargetThread {
public:
    TargetThread()
        : m_thread([this] {
            WNDCLASSW windowClass{};
            windowClass.lpfnWndProc = Target;
            windowClass.hInstance = ::GetModuleHandleW(nullptr);
            windowClass.lpszClassName = L"BenchPingerTarget";
            ::RegisterClassW(&windowClass);
            const UniqueWindow window(::CreateWindowW(L"BenchPingerTarget", L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                nullptr, windowClass.hInstance, nullptr));
            m_window = window.get();
            m_threadId = ::GetCurrentThreadId();
            m_ready = true;
            MSG message;
            while (::GetMessageW(&message, nullptr, 0, 0) > 0)
                ::DispatchMessageW(&message);
        })
    {
        e2e::waitUntil([&] { return m_ready.load(); });
    }

    ~TargetThread()
    {
        ::PostThreadMessageW(m_threadId, WM_QUIT, 0, 0);
        m_thread.join();
    }

    TargetThread(const TargetThread&) = delete;
    TargetThread& operator=(const TargetThread&) = delete;

    HWND window() const { return m_window; }

private:
    std::atomic<bool> m_ready{false};
    HWND m_window = nullptr;
    DWORD m_threadId = 0;
    std::thread m_thread;
};

TEST(PingerTest, ARoundTripWaitsOutABusyThread)
{
    TargetThread target;
    ASSERT_TRUE(target.window());
    Pinger pinger(target.window());
    ::Sleep(100);
    ::PostMessageW(target.window(), kBlock, 0, 0);
    ::Sleep(kBlockMs + 200);
    const std::vector<double> roundTrips = pinger.Stop();
    ASSERT_GE(roundTrips.size(), 2u);
    // A message cannot be answered while the thread is blocked, so one
    // round trip must have waited for most of the block.
    EXPECT_GE(*std::max_element(roundTrips.begin(), roundTrips.end()), kBlockMs / 2.0);
}

TEST(PingerTest, StopsWhenTheWindowIsGone)
{
    HWND gone = nullptr;
    {
        TargetThread target;
        gone = target.window();
    }
    Pinger pinger(gone);
    ::Sleep(100);
    EXPECT_TRUE(pinger.Stop().empty()) << "no round trip to a window that does not exist";
}

} // namespace
