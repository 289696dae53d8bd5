#pragma once

#include "LogLayout.h"
#include "LogText.h"
#include "Selection.h"
#include "Viewport.h"

#include <windows.h>

#include <cstddef>
#include <memory>
#include <new>
#include <string>

// What the log's UI Automation provider asks of the view it serves: the
// text, the selection and the view, and to select and to scroll. The view
// implements it; the provider's objects know nothing else of the view, so
// that they can be tried on a host of a test's own.
class AutomationHost {
public:
    virtual HWND Window() const = 0;
    virtual const LogText& Text() const = 0;
    virtual Selection CurrentSelection() const = 0;
    virtual const Viewport& View() const = 0;
    // Between positions and client points, with the view brought up to date
    // first (scrolled sideways to the caret, as the edit messages find it).
    virtual LogLayout SettledLayout() = 0;
    // Selects, anchor to caret, and scrolls the caret into view.
    virtual void Select(const Selection& selection) = 0;
    // Scrolls so that line comes first, as near as the text allows.
    virtual void ScrollTo(size_t firstLine) = 0;
    // What screen readers call the view.
    virtual std::wstring Name() const = 0;

protected:
    ~AutomationHost() = default;
};

// Where the provider's objects, which screen readers may hold on to for as
// long as they like, find the host: emptied when the view's window goes, so
// that every later call fails as the platform expects.
using HostLink = std::shared_ptr<AutomationHost*>;

// What each of the provider's calls does first: the host, if the view is
// still there (UIA_E_ELEMENTNOTAVAILABLE if not), and E_OUTOFMEMORY for an
// answer that memory does not hold.
template <typename Action> HRESULT CallHost(const HostLink& link, Action action)
{
    AutomationHost* const host = *link;
    if (host == nullptr)
        return static_cast<HRESULT>(0x80040201); // UIA_E_ELEMENTNOTAVAILABLE
    try {
        return action(*host);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}
