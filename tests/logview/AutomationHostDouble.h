#pragma once

#include <AutomationHost.h>
#include <LineMeasurer.h>
#include <LogElementProvider.h>
#include <LogTextRange.h>
#include <UniqueAny.h>
#include <ViewMetrics.h>

#include <windows.h>

#include <string>

// A view of the test's own for the UI Automation provider: the text, the
// selection and the view as the log view keeps them, ten lines high, with a
// hidden window for screen coordinates and timers. It selects and scrolls as
// the log view does.
class AutomationHostDouble final : public AutomationHost {
public:
    explicit AutomationHostDouble(const LogText::Limits& limits = {});
    ~AutomationHostDouble() { *link = nullptr; }

    HWND Window() const override { return window.get(); }
    const LogText& Text() const override { return text; }
    Selection CurrentSelection() const override { return selection; }
    const Viewport& View() const override { return viewport; }
    LogLayout SettledLayout() override { return LogLayout(text, measurer, viewport); }
    void Select(const Selection& selected) override;
    void ScrollTo(size_t firstLine) override;
    std::wstring Name() const override { return L"日志"; }

    // The element and the objects it gives, served from this host.
    ComPtr<IRawElementProviderSimple> Element();
    ComPtr<uia::ITextRangeProvider> Range(size_t start, size_t end);

    LogText text;
    Selection selection;
    LineMeasurer measurer;
    Viewport viewport;
    UniqueWindow window;
    HostLink link;
};
