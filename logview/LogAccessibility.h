#pragma once

#include "IntervalPacer.h"

#include <ComPtr.h>

#include <windows.h>

#include <optional>
#include <string>

// What screen readers are shown of the view: read-only multi-line text whose
// value is the whole log. The platform's accessible object for the edit
// control serves it, reading the view through the edit messages it answers
// and its ES_READONLY | ES_MULTILINE style; this tells the platform to use
// that object, names it, and tells readers that the text changed, at most
// four times a second so that a streaming log does not flood them.
class LogAccessibility {
public:
    // The timer is the view's to give: its WM_TIMER comes back through OnTimer.
    LogAccessibility(HWND view, UINT_PTR timerId);
    ~LogAccessibility();
    LogAccessibility(const LogAccessibility&) = delete;
    LogAccessibility& operator=(const LogAccessibility&) = delete;

    // WM_GETOBJECT; nothing where the default window procedure answers.
    std::optional<LRESULT> OnGetObject(WPARAM flags, LPARAM objectId);
    // Through dynamic annotation where the system supports it, else by
    // standing in front of the platform's object.
    void SetName(const wchar_t* name);
    const std::wstring& Name() const { return m_name; }
    void TextChanged();
    // False if the timer is not this one's.
    bool OnTimer(UINT_PTR timerId);

private:
    void Pace();
    // Both the annotation and handing a reader an object of our own need COM
    // on the view's thread, which keeps it while the view lives.
    bool EnsureCom();

    HWND m_view;
    UINT_PTR m_timerId;
    IntervalPacer m_pacer;
    // Kept for answering WM_GETOBJECT when it could not be annotated.
    std::wstring m_name;
    bool m_annotated = false;
    bool m_comTried = false;
    UniqueApartment m_apartment;
};
