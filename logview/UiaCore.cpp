#include "UiaCore.h"

#include <string>

namespace {

template <typename Function> void Lookup(HMODULE module, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

} // namespace

const UiaCore& UiaCore::FromSystemFolder()
{
    static const UiaCore core = [] {
        UiaCore loaded;
        wchar_t folder[MAX_PATH] = {};
        const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
        if (length == 0 || length >= MAX_PATH)
            return loaded;
        loaded.m_module.reset(::LoadLibraryW((std::wstring(folder, length) + L"\\uiautomationcore.dll").c_str()));
        const HMODULE module = loaded.m_module.get();
        if (module == nullptr)
            return loaded;
        Lookup(module, "UiaReturnRawElementProvider", loaded.returnRawElementProvider);
        Lookup(module, "UiaHostProviderFromHwnd", loaded.hostProviderFromHwnd);
        Lookup(module, "UiaDisconnectProvider", loaded.disconnectProvider);
        Lookup(module, "UiaClientsAreListening", loaded.clientsAreListening);
        Lookup(module, "UiaRaiseAutomationEvent", loaded.raiseAutomationEvent);
        Lookup(module, "UiaRaiseNotificationEvent", loaded.raiseNotificationEvent);
        Lookup(module, "UiaGetReservedNotSupportedValue", loaded.getReservedNotSupportedValue);
        return loaded;
    }();
    return core;
}
