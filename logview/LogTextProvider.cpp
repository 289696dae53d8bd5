#include "LogTextProvider.h"

#include "LogTextRange.h"

#include <algorithm>
#include <cmath>
#include <new>

LogTextProvider::LogTextProvider(const HostLink& link, const UiaCore& core, IRawElementProviderSimple* element)
    : m_link(link)
    , m_core(core)
    , m_element(element)
{
    m_element->AddRef();
}

LogTextProvider::~LogTextProvider()
{
    m_element->Release();
}

ComPtr<uia::ITextProvider2> LogTextProvider::Create(
    const HostLink& link, const UiaCore& core, IRawElementProviderSimple* element)
{
    ComPtr<uia::ITextProvider2> provider;
    *provider.put() = new (std::nothrow) LogTextProvider(link, core, element);
    return provider;
}

HRESULT LogTextProvider::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == uia::IID_ITextProvider || iid == uia::IID_ITextProvider2) {
        *object = static_cast<uia::ITextProvider2*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG LogTextProvider::AddRef()
{
    return static_cast<ULONG>(::InterlockedIncrement(&m_references));
}

ULONG LogTextProvider::Release()
{
    const LONG left = ::InterlockedDecrement(&m_references);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

template <typename Action> HRESULT LogTextProvider::Call(Action action)
{
    return CallHost(m_link, action);
}

HRESULT LogTextProvider::NewRange(size_t start, size_t end, uia::ITextRangeProvider** result) const
{
    ComPtr<uia::ITextRangeProvider> range = LogTextRange::Create(m_link, m_core, m_element, start, end);
    if (!range)
        return E_OUTOFMEMORY;
    range->AddRef();
    *result = range.get();
    return S_OK;
}

HRESULT LogTextProvider::RangeArray(size_t start, size_t end, SAFEARRAY** result) const
{
    const ULONG count = start <= end ? 1 : 0;
    SAFEARRAY* array = ::SafeArrayCreateVector(VT_UNKNOWN, 0, count);
    if (array == nullptr)
        return E_OUTOFMEMORY;
    if (count == 1) {
        const ComPtr<uia::ITextRangeProvider> range = LogTextRange::Create(m_link, m_core, m_element, start, end);
        LONG index = 0;
        if (!range || FAILED(::SafeArrayPutElement(array, &index, static_cast<IUnknown*>(range.get())))) {
            ::SafeArrayDestroy(array);
            return E_OUTOFMEMORY;
        }
    }
    *result = array;
    return S_OK;
}

HRESULT LogTextProvider::GetSelection(SAFEARRAY** result)
{
    if (result == nullptr)
        return E_POINTER;
    *result = nullptr;
    return Call([&](AutomationHost& host) {
        // With nothing selected, an empty range at the caret.
        const Selection selection = host.CurrentSelection();
        return RangeArray(selection.Start(), selection.End(), result);
    });
}

HRESULT LogTextProvider::GetVisibleRanges(SAFEARRAY** result)
{
    if (result == nullptr)
        return E_POINTER;
    *result = nullptr;
    return Call([&](AutomationHost& host) {
        // The lines in view, the one cut by the bottom edge included.
        const LogText& text = host.Text();
        const Viewport& view = host.View();
        const auto [first, end] = view.LinesMeeting(view.text.top, view.text.bottom, text.LineCount());
        if (first >= end)
            return RangeArray(1, 0, result);
        return RangeArray(text.LineStart(first), text.LineStart(end - 1) + text.LineLength(end - 1), result);
    });
}

HRESULT LogTextProvider::RangeFromChild(IRawElementProviderSimple* /*child*/, uia::ITextRangeProvider** result)
{
    if (result == nullptr)
        return E_POINTER;
    *result = nullptr;
    // The log has no children to be asked about.
    return Call([](AutomationHost&) { return E_INVALIDARG; });
}

HRESULT LogTextProvider::RangeFromPoint(uia::UiaPoint point, uia::ITextRangeProvider** result)
{
    if (result == nullptr)
        return E_POINTER;
    *result = nullptr;
    return Call([&](AutomationHost& host) {
        // The position nearest the point, as EM_CHARFROMPOS finds it.
        POINT client{static_cast<LONG>(std::floor(point.x)), static_cast<LONG>(std::floor(point.y))};
        ::ScreenToClient(host.Window(), &client);
        const size_t position = host.SettledLayout().PositionAt(client);
        return NewRange(position, position, result);
    });
}

HRESULT LogTextProvider::get_DocumentRange(uia::ITextRangeProvider** result)
{
    if (result == nullptr)
        return E_POINTER;
    *result = nullptr;
    return Call([&](AutomationHost& host) { return NewRange(0, host.Text().Length(), result); });
}

HRESULT LogTextProvider::get_SupportedTextSelection(uia::SupportedTextSelection* result)
{
    if (result == nullptr)
        return E_POINTER;
    *result = uia::SupportedTextSelection_Single;
    return Call([](AutomationHost&) { return S_OK; });
}

HRESULT LogTextProvider::RangeFromAnnotation(
    IRawElementProviderSimple* /*annotation*/, uia::ITextRangeProvider** result)
{
    if (result == nullptr)
        return E_POINTER;
    *result = nullptr;
    // The log has no annotations.
    return Call([](AutomationHost&) { return E_INVALIDARG; });
}

HRESULT LogTextProvider::GetCaretRange(BOOL* isActive, uia::ITextRangeProvider** result)
{
    if (isActive == nullptr || result == nullptr)
        return E_POINTER;
    *isActive = FALSE;
    *result = nullptr;
    return Call([&](AutomationHost& host) {
        *isActive = ::GetFocus() == host.Window() ? TRUE : FALSE;
        const size_t caret = host.CurrentSelection().caret;
        return NewRange(caret, caret, result);
    });
}
