// The probe DLL: loaded into Tarrow's GUI thread by a WH_CALLWNDPROC hook the
// harness sets for the moment of a request, it answers requests in the
// harness's shared memory and, asked to, watches the log; see ProbeProtocol.h.

#include "Encoding.h"
#include "ProbeProtocol.h"
#include "TickLine.h"

#include <LogViewMessages.h>

#include <UniqueAny.h>

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

using probe::Layout;
using testkit::encoding::fromRecordValue;
using testkit::encoding::toRecordValue;

// Everything below is touched only from Tarrow's GUI thread, the one hooked.
UniqueHandle g_mapping;
UniqueView g_view;
bool g_serving = false;
WNDPROC g_logProc = nullptr;
HWND g_log = nullptr;
int g_depth = 0;
int g_dispatching = 0;
// A tick line cut in two by a chunk boundary waits here for its end.
std::wstring g_partialLine;
// A drop or keys are answered once Tarrow's loop takes the marker posted
// behind them; till then the request number and answer wait here, with the
// keys held down meanwhile, to be let go of then.
UniqueHook g_postedTakenHook;
LONG g_postedRequest = 0;
std::string g_postedReply;
std::vector<BYTE> g_heldKeys;

Layout* layout()
{
    if (!g_view) {
        const std::wstring name = probe::kMappingPrefix + std::to_wstring(::GetCurrentProcessId());
        g_mapping.reset(::OpenFileMappingW(FILE_MAP_WRITE | FILE_MAP_READ, FALSE, name.c_str()));
        if (g_mapping)
            g_view.reset(::MapViewOfFile(g_mapping.get(), FILE_MAP_WRITE | FILE_MAP_READ, 0, 0, sizeof(Layout)));
    }
    return static_cast<Layout*>(g_view.get());
}

LONGLONG now()
{
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

std::string describeSystemMenu(HWND window)
{
    const HMENU menu = ::GetSystemMenu(window, FALSE);
    if (!menu)
        return "error=no system menu\n";
    const int count = ::GetMenuItemCount(menu);
    std::string answer = "count=" + std::to_string(count) + "\n";
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_STRING | MIIM_SUBMENU;
        if (!::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item))
            return "error=cannot read item " + std::to_string(i) + "\n";
        std::wstring text;
        if (item.cch > 0) {
            text.resize(item.cch + 1);
            item.dwTypeData = text.data();
            ++item.cch;
            ::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item);
            text.resize(item.cch);
        }
        const char* kind = (item.fType & MFT_SEPARATOR) ? "separator" : item.hSubMenu ? "popup" : "string";
        char state[16];
        std::snprintf(state, sizeof state, "%x", item.fState);
        answer += "item=" + std::to_string(item.wID) + "\t" + kind + "\t" + state + "\t" + toRecordValue(text) + "\n";
    }
    return answer;
}

std::string describeFont(HWND window, int controlId)
{
    const HWND control = ::GetDlgItem(window, controlId);
    if (!control)
        return "error=no control " + std::to_string(controlId) + "\n";
    const auto font = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
    if (!font)
        return "font=none\n";
    LOGFONTW description{};
    if (!::GetObjectW(font, sizeof description, &description))
        return "error=cannot read the font\n";
    return "face=" + toRecordValue(description.lfFaceName) + "\nheight=" + std::to_string(description.lfHeight)
        + "\nweight=" + std::to_string(description.lfWeight) + "\ncharset=" + std::to_string(description.lfCharSet)
        + "\n";
}

void addCost(probe::MessageCost& cost, LONGLONG spent)
{
    ++cost.count;
    cost.counterTotal += spent;
    if (spent > cost.counterMax)
        cost.counterMax = spent;
}

probe::CostKind kindOf(UINT message)
{
    switch (message) {
    case EM_REPLACESEL:
    case LogViewMessages::kAppend:
        return probe::kReplaceSel;
    case EM_SETSEL:
        return probe::kSetSel;
    case EM_SCROLLCARET:
        return probe::kScrollCaret;
    case WM_PAINT:
    case WM_ERASEBKGND:
    case WM_NCPAINT:
        return probe::kPaint;
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
        return probe::kGetText;
    default:
        return probe::kOtherMessage;
    }
}

void noteTick(Layout* shared, LONGLONG shown)
{
    if (!g_partialLine.empty() && g_partialLine.back() == L'\r')
        g_partialLine.pop_back();
    const std::optional<tooldouble::TickLine> tick = tooldouble::TickLine::parse(g_partialLine);
    g_partialLine.clear();
    const LONG index = shared->ticksSeen;
    if (!tick || index >= static_cast<LONG>(probe::kMaxTicks))
        return;
    shared->ticks[index] = {tick->sequence, 0, tick->printed, shown};
    ::InterlockedExchange(&shared->ticksSeen, index + 1);
}

void readAppended(Layout* shared, const wchar_t* text, LONGLONG shown)
{
    if (!text)
        return;
    const std::size_t length = std::wcslen(text);
    // Read from the harness's process meanwhile: 64-bit values change whole.
    const LONGLONG appended = shared->charsAppended + static_cast<LONGLONG>(length);
    const LONGLONG target = ::InterlockedCompareExchange64(&shared->targetChars, 0, 0);
    if (target > 0 && appended >= target && shared->targetReachedAt == 0)
        ::InterlockedExchange64(&shared->targetReachedAt, shown);
    ::InterlockedExchange64(&shared->charsAppended, appended);
    if (!shared->readTicks)
        return;
    for (std::size_t i = 0; i < length; ++i) {
        if (text[i] == L'\n')
            noteTick(shared, shown);
        else if (g_partialLine.size() < 256)
            g_partialLine += text[i];
    }
}

LRESULT CALLBACK timedLogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Layout* shared = layout();
    // Messages the log sends itself while busy nest: each is timed, but only
    // the outermost adds to the time spent inside the log.
    ++g_depth;
    const LONGLONG start = now();
    const LRESULT result = ::CallWindowProcW(g_logProc, window, message, wParam, lParam);
    const LONGLONG end = now();
    --g_depth;

    const LONGLONG spent = end - start;
    const probe::CostKind kind = kindOf(message);
    addCost(shared->costs[kind], spent);
    if (g_depth == 0)
        addCost(shared->outermost, spent);
    if (g_depth == 0 && g_dispatching > 0)
        addCost(shared->dispatched, spent);
    const std::int64_t filled = shared->charsAppended / probe::kBucketChars;
    const unsigned bucket = filled < probe::kBuckets ? static_cast<unsigned>(filled) : probe::kBuckets - 1;
    if (kind == probe::kPaint)
        addCost(shared->paintByOutput[bucket], spent);
    if (kind == probe::kReplaceSel) {
        addCost(shared->replaceSelByOutput[bucket], spent);
        readAppended(shared, reinterpret_cast<const wchar_t*>(lParam), end);
    }
    return result;
}

// Tarrow's own calls, timed: each stand-in calls the function Tarrow's
// import table pointed at and adds the time to its entry. Interlocked, in
// case the program ever calls them from more than one thread.
void addCall(probe::CallKind kind, LONGLONG spent)
{
    probe::MessageCost& cost = layout()->calls[kind];
    ::InterlockedIncrement64(&cost.count);
    ::InterlockedExchangeAdd64(&cost.counterTotal, spent);
    for (LONGLONG seen = cost.counterMax; spent > seen;
         seen = ::InterlockedCompareExchange64(&cost.counterMax, spent, seen)) { }
}

template <typename Call> auto timed(probe::CallKind kind, Call call)
{
    const LONGLONG start = now();
    const auto result = call();
    addCall(kind, now() - start);
    return result;
}

decltype(&::PeekNamedPipe) g_peekNamedPipe;
decltype(&::ReadFile) g_readFile;
decltype(&::MsgWaitForMultipleObjects) g_msgWait;
decltype(&::PeekMessageW) g_peekMessage;
decltype(&::DispatchMessageW) g_dispatchMessage;
decltype(&::InvalidateRect) g_invalidateRect;
decltype(&::MultiByteToWideChar) g_multiByteToWideChar;

BOOL WINAPI timedPeekNamedPipe(HANDLE pipe, LPVOID buffer, DWORD size, LPDWORD read, LPDWORD available, LPDWORD left)
{
    return timed(probe::kPeekNamedPipe, [&] { return g_peekNamedPipe(pipe, buffer, size, read, available, left); });
}
BOOL WINAPI timedReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped)
{
    return timed(probe::kReadFile, [&] { return g_readFile(file, buffer, size, read, overlapped); });
}
DWORD WINAPI timedMsgWait(DWORD count, const HANDLE* handles, BOOL all, DWORD ms, DWORD mask)
{
    return timed(probe::kMsgWaitForMultipleObjects, [&] { return g_msgWait(count, handles, all, ms, mask); });
}
BOOL WINAPI timedPeekMessage(LPMSG message, HWND window, UINT first, UINT last, UINT remove)
{
    return timed(probe::kPeekMessage, [&] { return g_peekMessage(message, window, first, last, remove); });
}
LRESULT WINAPI timedDispatchMessage(const MSG* message)
{
    ++g_dispatching;
    const LRESULT result = timed(probe::kDispatchMessage, [&] { return g_dispatchMessage(message); });
    --g_dispatching;
    return result;
}
BOOL WINAPI timedInvalidateRect(HWND window, const RECT* rect, BOOL erase)
{
    return timed(probe::kInvalidateRect, [&] { return g_invalidateRect(window, rect, erase); });
}
int WINAPI timedMultiByteToWideChar(UINT page, DWORD flags, LPCCH bytes, int size, LPWSTR wide, int capacity)
{
    return timed(
        probe::kMultiByteToWideChar, [&] { return g_multiByteToWideChar(page, flags, bytes, size, wide, capacity); });
}

// Points the program's import of `name`, from whichever DLL, at `replacement`.
template <typename Function> void redirectImport(const char* name, Function replacement, Function& original)
{
    auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleW(nullptr));
    const auto* headers
        = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0)
        return;
    for (auto* dll = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); dll->Name;
         ++dll) {
        const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(
            base + (dll->OriginalFirstThunk ? dll->OriginalFirstThunk : dll->FirstThunk));
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)
                || std::strcmp(
                       reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name, name)
                    != 0)
                continue;
            DWORD protection = 0;
            if (!::VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &protection))
                return;
            original = reinterpret_cast<Function>(slot->u1.Function);
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            ::VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection, &protection);
            return;
        }
    }
}

void timeTarrowsCalls()
{
    redirectImport("PeekNamedPipe", &timedPeekNamedPipe, g_peekNamedPipe);
    redirectImport("ReadFile", &timedReadFile, g_readFile);
    redirectImport("MsgWaitForMultipleObjects", &timedMsgWait, g_msgWait);
    redirectImport("PeekMessageW", &timedPeekMessage, g_peekMessage);
    redirectImport("DispatchMessageW", &timedDispatchMessage, g_dispatchMessage);
    redirectImport("InvalidateRect", &timedInvalidateRect, g_invalidateRect);
    redirectImport("MultiByteToWideChar", &timedMultiByteToWideChar, g_multiByteToWideChar);
}

// Keeps the DLL in Tarrow for as long as Tarrow runs, for what outlives the
// harness's hook (a subclass, a hook of the probe's own); null if it cannot.
HMODULE pinnedSelf()
{
    HMODULE self = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
        reinterpret_cast<LPCWSTR>(&pinnedSelf), &self);
    return self;
}

std::string watchLog(HWND log)
{
    if (g_logProc)
        return log == g_log ? "watching=1\n" : "error=already watching another window\n";
    DWORD owner = 0;
    if (!::IsWindow(log) || ::GetWindowThreadProcessId(log, &owner) != ::GetCurrentThreadId())
        return "error=the log is not a window of the hooked thread\n";
    if (!pinnedSelf())
        return "error=cannot keep the probe loaded\n";
    g_logProc
        = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(log, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&timedLogProc)));
    if (!g_logProc)
        return "error=cannot subclass the log\n";
    g_log = log;
    timeTarrowsCalls();
    return "watching=1\n";
}

void answer(Layout* shared, LONG request, std::string reply)
{
    if (reply.size() > probe::kAnswerBytes)
        reply = "error=the answer is too long\n";
    reply.copy(shared->answer, reply.size());
    shared->answerLength = static_cast<std::uint32_t>(reply.size());
    ::InterlockedExchange(&shared->answered, request);
}

void setHeld(const std::vector<BYTE>& keys, bool down)
{
    BYTE state[256] = {};
    ::GetKeyboardState(state);
    for (const BYTE key : keys)
        state[key] = down ? static_cast<BYTE>(state[key] | 0x80) : static_cast<BYTE>(state[key] & ~0x80);
    ::SetKeyboardState(state);
}

LRESULT CALLBACK postedTakenHook(int code, WPARAM removal, LPARAM parameter)
{
    auto* message = reinterpret_cast<MSG*>(parameter);
    if (code == HC_ACTION && removal == PM_REMOVE && g_postedRequest != 0
        && message->message == ::RegisterWindowMessageW(probe::kPostedTakenMessageName)
        && static_cast<LONG>(message->lParam) == g_postedRequest) {
        // Tarrow itself never sees the marker.
        message->message = WM_NULL;
        const LONG request = g_postedRequest;
        g_postedRequest = 0;
        setHeld(g_heldKeys, false);
        g_heldKeys.clear();
        if (Layout* shared = layout())
            answer(shared, request, g_postedReply);
    }
    return ::CallNextHookEx(nullptr, code, removal, parameter);
}

// Posts the marker that answers the request once Tarrow's loop has taken
// what was posted to window before it; false if it cannot.
bool postMarker(HWND window, LONG request)
{
    const HMODULE self = pinnedSelf();
    if (!g_postedTakenHook && self)
        g_postedTakenHook.reset(::SetWindowsHookExW(WH_GETMESSAGE, &postedTakenHook, self, ::GetCurrentThreadId()));
    // Posted messages to one window come out in order: the marker is taken
    // after what went before it has been dispatched.
    if (!g_postedTakenHook
        || !::PostMessageW(window, ::RegisterWindowMessageW(probe::kPostedTakenMessageName), 0, request))
        return false;
    g_postedRequest = request;
    return true;
}

// A key pressed in the window through Tarrow's own loop, as the keyboard
// would, with the held keys down as far as GetKeyState can tell until the
// loop has taken it.
std::string pressKeys(HWND window, const std::string& input, LONG request)
{
    UINT key = 0;
    std::vector<BYTE> held;
    for (std::size_t start = 0; start < input.size();) {
        std::size_t end = input.find('\n', start);
        if (end == std::string::npos)
            end = input.size();
        const std::string line = input.substr(start, end - start);
        if (line.compare(0, 4, "key=") == 0)
            key = static_cast<UINT>(std::stoul(line.substr(4)));
        else if (line.compare(0, 5, "held=") == 0)
            held.push_back(static_cast<BYTE>(std::stoul(line.substr(5))));
        start = end + 1;
    }
    if (key == 0)
        return "error=no key to press\n";
    setHeld(held, true);
    const LPARAM scanCode = static_cast<LPARAM>(::MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
    const bool posted = ::PostMessageW(window, WM_KEYDOWN, key, scanCode | 1)
        && ::PostMessageW(window, WM_KEYUP, key, scanCode | 1 | (LPARAM(1) << 30) | (LPARAM(1) << 31));
    if (!posted || !postMarker(window, request)) {
        setHeld(held, false);
        return "error=cannot post the keys\n";
    }
    g_heldKeys = held;
    return "pressed=1\n";
}

// The block the shell hands a window with WM_DROPFILES: a DROPFILES header,
// then the wide paths, each ending in a null, and one more null at the end.
// Tarrow owns it from the post on and gives it back with DragFinish.
std::string dropFiles(HWND window, const std::string& input, LONG request)
{
    std::vector<std::wstring> paths;
    for (std::size_t start = 0; start < input.size();) {
        std::size_t end = input.find('\n', start);
        if (end == std::string::npos)
            end = input.size();
        const std::string line = input.substr(start, end - start);
        if (line.compare(0, 5, "file=") == 0)
            paths.push_back(fromRecordValue(line.substr(5)));
        start = end + 1;
    }
    if (paths.empty())
        return "error=no files to drop\n";
    std::wstring names;
    for (const std::wstring& path : paths)
        names += path + L'\0';
    names += L'\0';
    const SIZE_T size = sizeof(DROPFILES) + names.size() * sizeof(wchar_t);
    UniqueGlobal block(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size));
    auto* header = block ? static_cast<DROPFILES*>(::GlobalLock(block.get())) : nullptr;
    if (!header)
        return "error=cannot allocate the drop\n";
    header->pFiles = sizeof(DROPFILES);
    RECT client{};
    ::GetClientRect(window, &client);
    header->pt = {client.right / 2, client.bottom / 2};
    header->fNC = FALSE;
    header->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(header) + sizeof(DROPFILES), names.data(), names.size() * sizeof(wchar_t));
    ::GlobalUnlock(block.get());
    if (!::PostMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(block.get()), 0))
        return "error=cannot post the drop\n";
    block.release();
    if (!postMarker(window, request))
        return "error=cannot post the marker behind the drop\n";
    return "files=" + std::to_string(paths.size()) + "\n";
}

void serve()
{
    Layout* shared = layout();
    // Answering may send messages within this thread, which call the hook again.
    if (!shared || g_serving)
        return;
    const LONG requested = ::InterlockedCompareExchange(&shared->requested, 0, 0);
    if (requested == shared->answered || requested == g_postedRequest)
        return;
    // A drop or keys the harness gave up on wait no more.
    g_postedRequest = 0;
    g_postedTakenHook.reset();
    if (!g_heldKeys.empty()) {
        setHeld(g_heldKeys, false);
        g_heldKeys.clear();
    }
    g_serving = true;
    const auto window = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(shared->window));
    std::string reply;
    switch (shared->kind) {
    case probe::kSystemMenu:
        reply = describeSystemMenu(window);
        break;
    case probe::kControlFont:
        reply = describeFont(window, shared->argument);
        break;
    case probe::kWatchLog:
        reply = watchLog(window);
        break;
    case probe::kDropFiles:
        reply = dropFiles(window, std::string(shared->input, shared->inputLength), requested);
        break;
    case probe::kPressKeys:
        reply = pressKeys(window, std::string(shared->input, shared->inputLength), requested);
        break;
    default:
        reply = "error=unknown request\n";
        break;
    }
    if (g_postedRequest == requested)
        g_postedReply = reply;
    else
        answer(shared, requested, reply);
    g_serving = false;
}

LRESULT CALLBACK callWndProcHook(int code, WPARAM sentByThisThread, LPARAM message)
{
    if (code == HC_ACTION)
        serve();
    return ::CallNextHookEx(nullptr, code, sentByThisThread, message);
}

} // namespace

// Hands the harness the hook procedure; a plain exported function keeps the
// name undecorated for every compiler.
extern "C" __declspec(dllexport) HOOKPROC tarrowProbeHook()
{
    return callWndProcHook;
}
