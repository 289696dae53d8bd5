#pragma once

#include "AutomationHost.h"
#include "IntervalPacer.h"
#include "Selection.h"
#include "UiaCore.h"

#include <ComPtr.h>

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>

// The view's UI Automation provider as its window serves it: hands the
// element (LogElementProvider) to clients that ask WM_GETOBJECT for it,
// takes it back when the window goes, and tells listening clients what
// changed:
// - that the text changed, at most four times a second, as the accessible
//   object's value change is told;
// - that the selection or the caret moved, once for each message that moved
//   it, but not when the caret only keeps to the end of the text as output
//   comes in;
// - what the newest complete lines say, as a notification (Windows 10 1709
//   on), at most once a second and a few hundred characters, the latest
//   replacing any not yet spoken, so that a reader never falls behind a
//   flood.
// Nothing is done until a client first asks for the element, and no event
// is raised while UI Automation says that no client listens.
class LogAutomation {
public:
    // Characters a notification holds at most.
    static constexpr size_t kAnnouncedChars = 300;

    using Clock = DWORD(WINAPI*)();

    // The timers are the view's to give: their WM_TIMER comes back through
    // OnTimer. Without core, the system's, loaded when a client first asks;
    // the clock is GetTickCount but for tests.
    LogAutomation(AutomationHost& host, UINT_PTR textTimer, UINT_PTR announceTimer, const UiaCore* core = nullptr,
        Clock clock = ::GetTickCount);
    ~LogAutomation();
    LogAutomation(const LogAutomation&) = delete;
    LogAutomation& operator=(const LogAutomation&) = delete;

    // WM_GETOBJECT; nothing unless it asks for UI Automation's element.
    std::optional<LRESULT> OnGetObject(WPARAM flags, LPARAM objectId);
    // The window is going: clients are told, and every object they still
    // hold fails from now on.
    void Disconnect();

    // The text changed; appended: only at its end.
    void TextChanged(bool appended);

    // Around each message: what it found, and what it left.
    struct Mark {
        Selection selection;
        size_t length;
    };
    Mark Before() const;
    void After(const Mark& before);

    // False if the timer is not one of these.
    bool OnTimer(UINT_PTR timerId);

    // The element handed out, null before a client asked and once the window has gone.
    IRawElementProviderSimple* Element() const { return m_element.get(); }

private:
    bool Listening() const;
    void Raise(EVENTID event) const;
    void Pace(IntervalPacer& pacer, UINT_PTR timerId, void (LogAutomation::*fire)());
    void RaiseTextChanged();
    void Announce();
    // The newest complete lines not yet told, within kAnnouncedChars.
    std::wstring NewLines();
    size_t CompleteLines() const { return m_host.Text().LineCount() - 1; }
    // Handing out an object of our own needs COM on the view's thread,
    // which keeps it while the view lives.
    bool EnsureCom();

    AutomationHost& m_host;
    const UiaCore* m_core;
    UINT_PTR m_textTimer;
    UINT_PTR m_announceTimer;
    Clock m_clock;
    IntervalPacer m_textPacer;
    IntervalPacer m_announcePacer;
    HWND m_window = nullptr;
    HostLink m_link;
    ComPtr<IRawElementProviderSimple> m_element;
    // Complete lines already told of, or there before anyone listened.
    size_t m_announced = 0;
    bool m_disconnected = false;
    bool m_comTried = false;
    UniqueApartment m_apartment;
};
