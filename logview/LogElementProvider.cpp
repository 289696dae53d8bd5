#include "LogElementProvider.h"

#include "LogTextProvider.h"

#include <new>
#include <string>

namespace {

HRESULT PutString(const std::wstring& text, VARIANT* result)
{
    result->bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (result->bstrVal == nullptr)
        return E_OUTOFMEMORY;
    result->vt = VT_BSTR;
    return S_OK;
}

void PutBool(bool value, VARIANT* result)
{
    result->vt = VT_BOOL;
    result->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

} // namespace

ComPtr<IRawElementProviderSimple> LogElementProvider::Create(const HostLink& link, const UiaCore& core)
{
    ComPtr<IRawElementProviderSimple> element;
    *element.put() = new (std::nothrow) LogElementProvider(link, core);
    return element;
}

LogElementProvider::LogElementProvider(const HostLink& link, const UiaCore& core)
    : m_link(link)
    , m_core(core)
{
}

HRESULT LogElementProvider::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IRawElementProviderSimple)) {
        *object = static_cast<IRawElementProviderSimple*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG LogElementProvider::AddRef()
{
    return static_cast<ULONG>(::InterlockedIncrement(&m_references));
}

ULONG LogElementProvider::Release()
{
    const LONG left = ::InterlockedDecrement(&m_references);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

template <typename Action> HRESULT LogElementProvider::Call(Action action)
{
    return CallHost(m_link, action);
}

HRESULT LogElementProvider::get_ProviderOptions(ProviderOptions* result)
{
    if (result == nullptr)
        return E_POINTER;
    // Calls come to the window's thread, where the view and its text live.
    *result = static_cast<ProviderOptions>(ProviderOptions_ServerSideProvider | ProviderOptions_UseComThreading);
    return Call([](AutomationHost&) { return S_OK; });
}

HRESULT LogElementProvider::GetPatternProvider(PATTERNID patternId, IUnknown** result)
{
    if (result == nullptr)
        return E_POINTER;
    *result = nullptr;
    return Call([&](AutomationHost&) {
        if (patternId != uia::kTextPattern && patternId != uia::kTextPattern2)
            return S_OK;
        const ComPtr<uia::ITextProvider2> text = LogTextProvider::Create(m_link, m_core, this);
        if (!text)
            return E_OUTOFMEMORY;
        text->AddRef();
        *result = text.get();
        return S_OK;
    });
}

HRESULT LogElementProvider::GetPropertyValue(PROPERTYID propertyId, VARIANT* result)
{
    if (result == nullptr)
        return E_POINTER;
    ::VariantInit(result);
    return Call([&](AutomationHost& host) {
        switch (propertyId) {
        case uia::kControlTypeProperty:
            result->vt = VT_I4;
            result->lVal = uia::kDocumentControlType;
            return S_OK;
        case uia::kNameProperty:
            // Empty too, rather than left to the window's own provider, which
            // would take the window's text: the whole log.
            return PutString(host.Name(), result);
        case uia::kAutomationIdProperty: {
            // The control's id, as the platform gives for its own controls:
            // stable across runs, where the window's handle is not.
            const int id = ::GetDlgCtrlID(host.Window());
            return id != 0 ? PutString(std::to_wstring(id), result) : S_OK;
        }
        case uia::kIsKeyboardFocusableProperty:
            PutBool(true, result);
            return S_OK;
        case uia::kHasKeyboardFocusProperty:
            PutBool(::GetFocus() == host.Window(), result);
            return S_OK;
        default:
            return S_OK;
        }
    });
}

HRESULT LogElementProvider::get_HostRawElementProvider(IRawElementProviderSimple** result)
{
    if (result == nullptr)
        return E_POINTER;
    *result = nullptr;
    return Call([&](AutomationHost& host) {
        // The window's own element, which places it and says what it shows.
        return m_core.hostProviderFromHwnd != nullptr ? m_core.hostProviderFromHwnd(host.Window(), result) : S_OK;
    });
}
