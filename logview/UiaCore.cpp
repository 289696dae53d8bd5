#include "UiaCore.h"

#include <SystemLibrary.h>

const UiaCore& UiaCore::FromSystemFolder()
{
    static const UiaCore core = [] {
        UiaCore loaded;
        loaded.m_module = LoadSystemLibrary(L"uiautomationcore.dll");
        const HMODULE module = loaded.m_module.get();
        if (module == nullptr)
            return loaded;
        LookUp(module, "UiaReturnRawElementProvider", loaded.returnRawElementProvider);
        LookUp(module, "UiaHostProviderFromHwnd", loaded.hostProviderFromHwnd);
        LookUp(module, "UiaDisconnectProvider", loaded.disconnectProvider);
        LookUp(module, "UiaClientsAreListening", loaded.clientsAreListening);
        LookUp(module, "UiaRaiseAutomationEvent", loaded.raiseAutomationEvent);
        LookUp(module, "UiaRaiseNotificationEvent", loaded.raiseNotificationEvent);
        LookUp(module, "UiaGetReservedNotSupportedValue", loaded.getReservedNotSupportedValue);
        return loaded;
    }();
    return core;
}
