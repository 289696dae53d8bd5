#pragma once

#include "UiaDeclarations.h"

#include <UniqueAny.h>

#include <windows.h>

// The functions of uiautomationcore.dll that the log's provider calls, looked
// up at run time: the DLL is not among those Windows always takes from the
// system folder, so it is loaded from there by its full path, as oleacc.dll
// is; and some of the functions are younger than the oldest Windows the
// program runs on (UiaDisconnectProvider came with Windows 8,
// UiaRaiseNotificationEvent with Windows 10 1709) or missing from Wine. A
// function that is not there is null, and what needs it is not done.
// Tests fill one in with functions of their own.
class UiaCore {
public:
    using ReturnRawElementProviderFn = LRESULT(WINAPI*)(HWND, WPARAM, LPARAM, IRawElementProviderSimple*);
    using HostProviderFromHwndFn = HRESULT(WINAPI*)(HWND, IRawElementProviderSimple**);
    using DisconnectProviderFn = HRESULT(WINAPI*)(IRawElementProviderSimple*);
    using ClientsAreListeningFn = BOOL(WINAPI*)();
    using RaiseAutomationEventFn = HRESULT(WINAPI*)(IRawElementProviderSimple*, EVENTID);
    using RaiseNotificationEventFn
        = HRESULT(WINAPI*)(IRawElementProviderSimple*, uia::NotificationKind, uia::NotificationProcessing, BSTR, BSTR);
    using GetReservedNotSupportedValueFn = HRESULT(WINAPI*)(IUnknown**);

    ReturnRawElementProviderFn returnRawElementProvider = nullptr;
    HostProviderFromHwndFn hostProviderFromHwnd = nullptr;
    DisconnectProviderFn disconnectProvider = nullptr;
    ClientsAreListeningFn clientsAreListening = nullptr;
    RaiseAutomationEventFn raiseAutomationEvent = nullptr;
    RaiseNotificationEventFn raiseNotificationEvent = nullptr;
    GetReservedNotSupportedValueFn getReservedNotSupportedValue = nullptr;

    // Loaded on first use and kept for the life of the process.
    static const UiaCore& FromSystemFolder();

private:
    UniqueModule m_module;
};
