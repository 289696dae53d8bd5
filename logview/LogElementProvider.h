#pragma once

#include "AutomationHost.h"
#include "UiaCore.h"
#include "UiaDeclarations.h"

#include <ComPtr.h>

#include <windows.h>

// The log as a UI Automation element: a document (an edit control's type
// is for short texts and asks for a value, which for a log of hundreds of
// megabytes no reader should be handed), named as its accessible object is,
// focusable, with the text pattern (LogTextProvider) and no other. Served
// from the window's own thread, as COM brings the calls there; once the
// window is gone, every call fails with UIA_E_ELEMENTNOTAVAILABLE.
class LogElementProvider final : public IRawElementProviderSimple {
public:
    // Null if there is no memory for it.
    static ComPtr<IRawElementProviderSimple> Create(const HostLink& link, const UiaCore& core);

    LogElementProvider(const LogElementProvider&) = delete;
    LogElementProvider& operator=(const LogElementProvider&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IRawElementProviderSimple
    HRESULT STDMETHODCALLTYPE get_ProviderOptions(ProviderOptions* result) override;
    HRESULT STDMETHODCALLTYPE GetPatternProvider(PATTERNID patternId, IUnknown** result) override;
    HRESULT STDMETHODCALLTYPE GetPropertyValue(PROPERTYID propertyId, VARIANT* result) override;
    HRESULT STDMETHODCALLTYPE get_HostRawElementProvider(IRawElementProviderSimple** result) override;

private:
    LogElementProvider(const HostLink& link, const UiaCore& core);
    ~LogElementProvider() = default;

    template <typename Action> HRESULT Call(Action action);

    LONG m_references = 1;
    HostLink m_link;
    const UiaCore& m_core;
};
