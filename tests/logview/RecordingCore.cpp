#include "RecordingCore.h"

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
