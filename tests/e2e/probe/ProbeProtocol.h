#pragma once

#include <windows.h>

#include <cstdint>

// How the harness talks to the probe DLL, which a window hook loads into
// Tarrow's GUI thread: to read what only Tarrow's own process can see (under
// Wine a menu or a font of another process cannot be read from outside), and
// for the benchmark, to time what happens to the log.
//
// The harness creates a mapping named kMappingPrefix + Tarrow's process id
// holding one Layout, hooks Tarrow's GUI thread with WH_CALLWNDPROC (the
// procedure kHookGetterName returns) and sends a window of that thread
// WM_NULL. At each hook call the probe looks for a request. One request at a
// time: the harness fills in window, kind, argument and input (what a
// request takes along), then sets `requested` to a new number; the probe writes its answer, UTF-8 "key=value"
// lines with values escaped like the double's args records (% CR LF as %25
// %0D %0A), then sets `answered` to that number.
//
// kSystemMenu (window: the dialog): "count=N", then per item
//     "item=<id>\t<kind>\t<state hex>\t<text>", kind "string", "separator" or "popup".
// kControlFont (window: the dialog; argument: the control id): "face=",
//     "height=", "weight=", "charset=", or "font=none" for the system font.
// kWatchLog (window: the log): "watching=1". The probe subclasses the log for
//     as long as Tarrow runs: it times every message the log gets, counts the
//     characters EM_REPLACESEL appends, notes when `targetChars` is reached
//     and, while `readTicks` is 1, when each tick line (TickLine.h) went in.
//     It sends and posts nothing, so Tarrow is woken by nothing it would not
//     have been woken by anyway. From then on it also times Tarrow's own
//     calls (through its import table) of the functions in CallKind.
// kDropFiles (window: the main window; input: one "file=<path>" line per
//     file, escaped alike): drops the files as the shell does. The probe
//     builds the drop's memory block in Tarrow's process, posts WM_DROPFILES
//     and behind it a marker (kDropTakenMessageName), and answers "files=N"
//     only once Tarrow's message loop has taken the marker, so the drop has
//     been dispatched by then.
// Any request may instead answer "error=<what>".
namespace probe {

constexpr wchar_t kMappingPrefix[] = L"Local\\TarrowProbe-";
constexpr char kHookGetterName[] = "tarrowProbeHook";
constexpr wchar_t kPostedTakenMessageName[] = L"Tarrow.Probe.PostedTaken";

enum RequestKind : std::uint32_t {
    kSystemMenu = 1,
    kControlFont = 2,
    kWatchLog = 3,
    kDropFiles = 4,
    // Input: "key=<virtual key>" and a "held=<virtual key>" line for each
    // key held down (Ctrl, Shift) meanwhile; window: the one to press it in.
    kPressKeys = 5,
};

constexpr unsigned kAnswerBytes = 16 * 1024;
constexpr unsigned kInputBytes = 16 * 1024;
constexpr unsigned kMaxTicks = 4096;
// Costs are also kept by how much output the log already held: a quarter
// megabyte a bucket, the last bucket taking everything beyond.
constexpr std::int64_t kBucketChars = 256 * 1024;
constexpr unsigned kBuckets = 64;

struct TickSeen {
    std::uint32_t sequence;
    std::uint32_t reserved;
    std::int64_t printed; // the tool's performance counter when it wrote the line
    std::int64_t shown; // Tarrow's when the append holding it returned
};

struct MessageCost {
    std::int64_t count;
    std::int64_t counterTotal; // performance counter ticks inside the control
    std::int64_t counterMax;
};

enum CostKind : unsigned {
    kReplaceSel, // the appends: the log view's own message, or EM_REPLACESEL
    kSetSel,
    kScrollCaret,
    kPaint, // WM_PAINT, WM_ERASEBKGND, WM_NCPAINT
    kGetText, // WM_GETTEXT / WM_GETTEXTLENGTH: someone polling from outside
    kOtherMessage,
    kCostKinds
};

// Platform calls Tarrow makes for every chunk of output or every turn of
// its loop; timed in `calls` once the log is watched.
enum CallKind : unsigned {
    kPeekNamedPipe,
    kReadFile,
    kMsgWaitForMultipleObjects, // the runner's wait, idle time included
    kPeekMessage,
    kDispatchMessage, // the log's painting included
    kInvalidateRect,
    kMultiByteToWideChar,
    kCallKinds
};

struct Layout {
    std::uint64_t window;
    std::uint32_t kind;
    std::int32_t argument;
    volatile LONG requested;
    volatile LONG answered;
    std::uint32_t answerLength;
    char answer[kAnswerBytes];
    std::uint32_t inputLength;
    char input[kInputBytes];

    // Written by the harness: once this many characters have been appended,
    // the probe notes the time in targetReachedAt.
    volatile LONGLONG targetChars;
    // Written by the harness: 1 to have the appends read for tick lines. Off,
    // the probe does not look at the text at all, so a flood costs Tarrow
    // nothing extra.
    volatile LONG readTicks;
    volatile LONG ticksSeen; // entries of ticks[] filled in
    TickSeen ticks[kMaxTicks];
    MessageCost costs[kCostKinds];
    // Only messages the log got from outside itself: their sum is the time
    // spent inside the log, nothing counted twice.
    MessageCost outermost;
    // Of those, the ones Tarrow's DispatchMessageW handed the log (painting):
    // counted in calls[kDispatchMessage] too.
    MessageCost dispatched;
    MessageCost replaceSelByOutput[kBuckets];
    MessageCost paintByOutput[kBuckets];
    MessageCost calls[kCallKinds];
    volatile LONGLONG charsAppended;
    volatile LONGLONG targetReachedAt; // the performance counter; 0 until then
};

} // namespace probe
