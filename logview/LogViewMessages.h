#pragma once

#include <windows.h>

// What the log view answers beyond the edit control's messages, and what it
// tells its parent: all that a window or the tool operations need to drive
// the view, without its pieces. Messages that carry a pointer are taken only
// from the view's own thread.
struct LogViewMessages {
    // The name screen readers call the log by: lParam is the text (const
    // wchar_t*), which the view copies.
    static constexpr UINT kSetAccessibleName = WM_USER + 0x100;
    // Answered TRUE: every change marks what it changed for repainting, so
    // whoever changes the text need not invalidate the window as well (which
    // for a stream of appends would cost a call to the platform each).
    static constexpr UINT kRepaintsChanges = WM_USER + 0x101;
    // Once memory has run out, the log refuses every change and ends with
    // LogText::kFullLine. This message has it try again, and say so again if
    // the next change does not fit either: sent as each tool's run begins.
    static constexpr UINT kTakeTextAgain = WM_USER + 0x102;
    // The application's name, which captions the boxes the view shows and
    // starts the name it proposes for a saved log: lParam is the text
    // (const wchar_t*), which the view copies. Without it, the caption of
    // the window the view belongs to.
    static constexpr UINT kSetAppName = WM_USER + 0x103;
    // Appends lParam (const wchar_t*) at the end of the log. The caret and
    // the view go along to the end, unless the operator is looking elsewhere:
    // something selected, the last line scrolled out of view, or the view
    // scrolled sideways; then neither the selection nor the view moves.
    // Answered TRUE if the text was taken.
    static constexpr UINT kAppend = WM_USER + 0x104;
    // The caret and the view to the end, nothing selected, following what is
    // appended from now on: sent as a tool's run begins, for the operator
    // asked for its output.
    static constexpr UINT kFollowEnd = WM_USER + 0x105;

    // The view tells its parent how far a save of the log is, once the save
    // shows its progress, with WM_NOTIFY: the header's code is kSaveProgress,
    // and percent -1 once the save is over.
    static constexpr UINT kSaveProgress = 0x1000;
    struct SaveProgress {
        NMHDR header;
        int percent;
    };
};
