#pragma once

#include <windows.h>

#include <cstdint>

// The shared memory through which the benchmark probe, loaded into Tarrow,
// reports what happened to the log. The driver creates the mapping (named
// kMappingPrefix + Tarrow's process id) and fills in the log window before
// hooking; the probe only ever adds to it.
//
// The probe subclasses the log control: it times every message the control
// gets and reads the text of every EM_REPLACESEL for tick lines ("tick <seq>
// <performance counter>"), noting when each was in the log. It sends no
// message and posts nothing, so Tarrow is woken by nothing it would not have
// been woken by anyway.
namespace benchprobe {

constexpr wchar_t kMappingPrefix[] = L"Local\\TarrowBenchProbe-";
constexpr char kLoaderHookGetter[] = "tarrowBenchLoaderHook";

constexpr unsigned kMaxTicks = 4096;
// Costs are also kept by how much output the log already held: a quarter
// megabyte a bucket, the last bucket taking everything beyond.
constexpr std::int64_t kBucketChars = 256 * 1024;
constexpr unsigned kBuckets = 64;

struct TickSeen {
    std::uint32_t sequence;
    std::uint32_t reserved;
    std::int64_t printed; // the tool's performance counter when it wrote the line
    std::int64_t shown; // Tarrow's when the EM_REPLACESEL holding it returned
};

struct MessageCost {
    std::int64_t count;
    std::int64_t counterTotal; // performance counter ticks inside the control
    std::int64_t counterMax;
};

enum CostKind : unsigned {
    kReplaceSel,
    kSetSel,
    kScrollCaret,
    kPaint, // WM_PAINT, WM_ERASEBKGND, WM_NCPAINT
    kGetText, // WM_GETTEXT / WM_GETTEXTLENGTH: the benchmark's own polling
    kOtherMessage,
    kCostKinds
};

struct Layout {
    std::uint64_t logWindow; // written by the driver
    // Written by the driver before it clicks: once this many characters have
    // been appended, the probe notes the time in targetReachedAt.
    volatile LONGLONG targetChars;
    // Written by the driver: 1 to have the appends read for tick lines. Off,
    // the probe does not look at the text at all, so a flood costs Tarrow
    // nothing extra.
    volatile LONG readTicks;
    volatile LONG attached; // 1 once the probe has subclassed the log
    volatile LONG ticksSeen; // entries of ticks[] filled in
    TickSeen ticks[kMaxTicks];
    MessageCost costs[kCostKinds];
    // Only messages the control got from outside itself: their sum is the
    // time spent inside the control, nothing counted twice.
    MessageCost outermost;
    MessageCost replaceSelByOutput[kBuckets];
    MessageCost paintByOutput[kBuckets];
    volatile LONGLONG charsAppended;
    volatile LONGLONG targetReachedAt; // the performance counter; 0 until then
};

} // namespace benchprobe
