#include "AutomationHostDouble.h"

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

namespace {

LRESULT WINAPI ReturnRawElementProvider(HWND, WPARAM, LPARAM objectId, IRawElementProviderSimple* element)
{
    RecordingCore::calls.push_back(element != nullptr ? L"returned " + std::to_wstring(objectId) : L"taken back");
    return 0;
}

HRESULT WINAPI DisconnectProvider(IRawElementProviderSimple*)
{
    RecordingCore::calls.push_back(L"disconnected");
    return S_OK;
}

BOOL WINAPI ClientsAreListening()
{
    return RecordingCore::listening ? TRUE : FALSE;
}

HRESULT WINAPI RaiseAutomationEvent(IRawElementProviderSimple*, EVENTID event)
{
    RecordingCore::events.push_back(event);
    return S_OK;
}

HRESULT WINAPI RaiseNotificationEvent(
    IRawElementProviderSimple*, uia::NotificationKind, uia::NotificationProcessing, BSTR display, BSTR)
{
    RecordingCore::notifications.emplace_back(display, ::SysStringLen(display));
    return S_OK;
}

HRESULT WINAPI GetReservedNotSupportedValue(IUnknown** value)
{
    // Any object will do to tell it from a value.
    static IUnknown* const notSupported = [] {
        IUnknown* object = nullptr;
        ::CreateStreamOnHGlobal(nullptr, TRUE, reinterpret_cast<IStream**>(&object));
        return object;
    }();
    notSupported->AddRef();
    *value = notSupported;
    return S_OK;
}

UiaCore Core(bool notifications)
{
    UiaCore core;
    core.returnRawElementProvider = ReturnRawElementProvider;
    core.disconnectProvider = DisconnectProvider;
    core.clientsAreListening = ClientsAreListening;
    core.raiseAutomationEvent = RaiseAutomationEvent;
    core.raiseNotificationEvent = notifications ? RaiseNotificationEvent : nullptr;
    core.getReservedNotSupportedValue = GetReservedNotSupportedValue;
    return core;
}

} // namespace

const UiaCore& RecordingCore::Get(bool notifications)
{
    static const UiaCore withNotifications = Core(true);
    static const UiaCore withoutNotifications = Core(false);
    return notifications ? withNotifications : withoutNotifications;
}

void RecordingCore::Clear()
{
    listening = true;
    events.clear();
    notifications.clear();
    calls.clear();
}
