// The benchmark probe. The driver sets a WH_CALLWNDPROC hook on Tarrow's GUI
// thread only to get this DLL loaded there; at the first call the probe
// subclasses the log control and from then on sees every message the control
// gets, sent or posted (painting too), and times it. See ProbeLayout.h for
// what it records.
#include "ProbeLayout.h"

#include <windows.h>

#include <cwchar>
#include <string>

namespace {

using benchprobe::Layout;

// The view of the driver's mapping, open from the first hook call until
// Tarrow ends: the subclass needs it for as long as the log exists.
class SharedView {
public:
    SharedView() = default;
    SharedView(const SharedView&) = delete;
    SharedView& operator=(const SharedView&) = delete;
    ~SharedView()
    {
        if (m_layout)
            ::UnmapViewOfFile(m_layout);
        if (m_mapping)
            ::CloseHandle(m_mapping);
    }

    Layout* Open()
    {
        const std::wstring name = benchprobe::kMappingPrefix + std::to_wstring(::GetCurrentProcessId());
        m_mapping = ::OpenFileMappingW(FILE_MAP_WRITE | FILE_MAP_READ, FALSE, name.c_str());
        if (m_mapping)
            m_layout = static_cast<Layout*>(
                ::MapViewOfFile(m_mapping, FILE_MAP_WRITE | FILE_MAP_READ, 0, 0, sizeof(Layout)));
        return m_layout;
    }

    Layout* layout() const { return m_layout; }

private:
    HANDLE m_mapping = nullptr;
    Layout* m_layout = nullptr;
};

// Everything below is touched only from Tarrow's GUI thread, the one hooked.
SharedView g_shared;
bool g_attached = false;
WNDPROC g_logProc = nullptr;
int g_depth = 0;

// A tick line cut in two by a chunk boundary waits here for its end.
std::wstring g_partialLine;

LONGLONG Now()
{
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

void AddCost(benchprobe::MessageCost& cost, LONGLONG spent)
{
    ++cost.count;
    cost.counterTotal += spent;
    if (spent > cost.counterMax)
        cost.counterMax = spent;
}

benchprobe::CostKind KindOf(UINT message)
{
    switch (message) {
    case EM_REPLACESEL:
        return benchprobe::kReplaceSel;
    case EM_SETSEL:
        return benchprobe::kSetSel;
    case EM_SCROLLCARET:
        return benchprobe::kScrollCaret;
    case WM_PAINT:
    case WM_ERASEBKGND:
    case WM_NCPAINT:
        return benchprobe::kPaint;
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
        return benchprobe::kGetText;
    default:
        return benchprobe::kOtherMessage;
    }
}

void NoteTick(Layout* layout, const std::wstring& line, LONGLONG shown)
{
    if (line.compare(0, 5, L"tick ") != 0)
        return;
    unsigned sequence = 0;
    long long printed = 0;
    if (std::swscanf(line.c_str(), L"tick %u %lld", &sequence, &printed) != 2)
        return;
    const LONG index = layout->ticksSeen;
    if (index >= static_cast<LONG>(benchprobe::kMaxTicks))
        return;
    layout->ticks[index] = {sequence, 0, printed, shown};
    ::InterlockedExchange(&layout->ticksSeen, index + 1);
}

void ReadAppended(Layout* layout, const wchar_t* text, LONGLONG shown)
{
    if (!text)
        return;
    const size_t length = std::wcslen(text);
    // Read from the driver's process meanwhile: 64-bit values change whole.
    const LONGLONG appended = layout->charsAppended + static_cast<LONGLONG>(length);
    const LONGLONG target = ::InterlockedCompareExchange64(&layout->targetChars, 0, 0);
    if (target > 0 && appended >= target && layout->targetReachedAt == 0)
        ::InterlockedExchange64(&layout->targetReachedAt, shown);
    ::InterlockedExchange64(&layout->charsAppended, appended);
    if (!layout->readTicks)
        return;
    for (size_t i = 0; i < length; ++i) {
        if (text[i] == L'\n') {
            if (!g_partialLine.empty() && g_partialLine.back() == L'\r')
                g_partialLine.pop_back();
            NoteTick(layout, g_partialLine, shown);
            g_partialLine.clear();
        } else if (g_partialLine.size() < 256) {
            g_partialLine += text[i];
        }
    }
}

LRESULT CALLBACK TimedLogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Layout* layout = g_shared.layout();
    // Messages the control sends itself while busy nest: each is timed, but
    // only the outermost adds to the time spent inside the control.
    ++g_depth;
    const LONGLONG start = Now();
    const LRESULT result = ::CallWindowProcW(g_logProc, window, message, wParam, lParam);
    const LONGLONG now = Now();
    --g_depth;

    const LONGLONG spent = now - start;
    const benchprobe::CostKind kind = KindOf(message);
    AddCost(layout->costs[kind], spent);
    if (g_depth == 0)
        AddCost(layout->outermost, spent);
    const std::int64_t filled = layout->charsAppended / benchprobe::kBucketChars;
    const unsigned bucket = filled < benchprobe::kBuckets ? static_cast<unsigned>(filled) : benchprobe::kBuckets - 1;
    if (kind == benchprobe::kPaint)
        AddCost(layout->paintByOutput[bucket], spent);
    if (kind == benchprobe::kReplaceSel) {
        AddCost(layout->replaceSelByOutput[bucket], spent);
        ReadAppended(layout, reinterpret_cast<const wchar_t*>(lParam), now);
    }
    return result;
}

void Attach()
{
    g_attached = true;
    Layout* layout = g_shared.Open();
    if (!layout)
        return;
    const HWND log = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(layout->logWindow));
    DWORD owner = 0;
    if (!::IsWindow(log) || ::GetWindowThreadProcessId(log, &owner) != ::GetCurrentThreadId())
        return;
    // The subclass outlives the hook, so the DLL must stay loaded as long as
    // Tarrow runs.
    HMODULE self = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
            reinterpret_cast<LPCWSTR>(&TimedLogProc), &self))
        return;
    g_logProc
        = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(log, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TimedLogProc)));
    if (g_logProc)
        ::InterlockedExchange(&layout->attached, 1);
}

LRESULT CALLBACK Loader(int code, WPARAM sentByThisThread, LPARAM parameter)
{
    if (!g_attached)
        Attach();
    return ::CallNextHookEx(nullptr, code, sentByThisThread, parameter);
}

} // namespace

// Hands the driver the hook procedure; a plain exported function keeps the
// name undecorated for every compiler.
extern "C" __declspec(dllexport) HOOKPROC tarrowBenchLoaderHook()
{
    return Loader;
}
