#include "AutomationHostDouble.h"

#include "RecordingCore.h"

#include <algorithm>
#include <memory>

AutomationHostDouble::AutomationHostDouble(const LogText::Limits& limits)
    : text(limits)
    , link(std::make_shared<AutomationHost*>(this))
{
    const ViewMetrics metrics = ViewMetrics::Measure(measurer, 96);
    const RECT client{0, 0, 400, 10 * metrics.lineHeight};
    viewport.Fit(client, metrics);
    window.reset(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 100, 50, client.right, client.bottom, nullptr, nullptr,
        ::GetModuleHandleW(nullptr), nullptr));
}

void AutomationHostDouble::Select(const Selection& selected)
{
    selection = selected;
    viewport.firstLine = viewport.FirstLineShowing(text.LineFromChar(selected.caret));
}

void AutomationHostDouble::ScrollTo(size_t firstLine)
{
    viewport.firstLine = std::min(firstLine, viewport.LastFirstLine(text.LineCount()));
}

ComPtr<IRawElementProviderSimple> AutomationHostDouble::Element()
{
    return LogElementProvider::Create(link, RecordingCore::Get(false));
}

ComPtr<uia::ITextRangeProvider> AutomationHostDouble::Range(size_t start, size_t end)
{
    const ComPtr<IRawElementProviderSimple> element = Element();
    return LogTextRange::Create(link, RecordingCore::Get(false), element.get(), start, end);
}
