#include "NamedAccessible.h"

#include <new>
#include <utility>

namespace {

bool IsSelf(const VARIANT& child)
{
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

} // namespace

ComPtr<IAccessible> NamedAccessible::Wrap(IAccessible* inner, std::wstring name)
{
    ComPtr<IAccessible> wrapper;
    if (inner != nullptr)
        *wrapper.put() = new (std::nothrow) NamedAccessible(inner, std::move(name));
    return wrapper;
}

NamedAccessible::NamedAccessible(IAccessible* inner, std::wstring name)
    : m_inner(inner)
    , m_name(std::move(name))
{
    m_inner->AddRef();
}

NamedAccessible::~NamedAccessible()
{
    m_inner->Release();
}

HRESULT NamedAccessible::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IAccessible) {
        *object = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    return m_inner->QueryInterface(iid, object);
}

ULONG NamedAccessible::AddRef()
{
    return static_cast<ULONG>(::InterlockedIncrement(&m_references));
}

ULONG NamedAccessible::Release()
{
    const LONG left = ::InterlockedDecrement(&m_references);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

HRESULT NamedAccessible::get_accName(VARIANT child, BSTR* name)
{
    if (!IsSelf(child))
        return m_inner->get_accName(child, name);
    if (name == nullptr)
        return E_POINTER;
    *name = ::SysAllocStringLen(m_name.data(), static_cast<UINT>(m_name.size()));
    return *name != nullptr ? S_OK : E_OUTOFMEMORY;
}

// Everything else is the inner object's.

HRESULT NamedAccessible::GetTypeInfoCount(UINT* count)
{
    return m_inner->GetTypeInfoCount(count);
}

HRESULT NamedAccessible::GetTypeInfo(UINT index, LCID locale, ITypeInfo** info)
{
    return m_inner->GetTypeInfo(index, locale, info);
}

HRESULT NamedAccessible::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids)
{
    return m_inner->GetIDsOfNames(iid, names, count, locale, ids);
}

HRESULT NamedAccessible::Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
    EXCEPINFO* exception, UINT* argumentError)
{
    return m_inner->Invoke(id, iid, locale, flags, params, result, exception, argumentError);
}

HRESULT NamedAccessible::get_accParent(IDispatch** parent)
{
    return m_inner->get_accParent(parent);
}

HRESULT NamedAccessible::get_accChildCount(long* count)
{
    return m_inner->get_accChildCount(count);
}

HRESULT NamedAccessible::get_accChild(VARIANT child, IDispatch** object)
{
    return m_inner->get_accChild(child, object);
}

HRESULT NamedAccessible::get_accValue(VARIANT child, BSTR* value)
{
    return m_inner->get_accValue(child, value);
}

HRESULT NamedAccessible::get_accDescription(VARIANT child, BSTR* description)
{
    return m_inner->get_accDescription(child, description);
}

HRESULT NamedAccessible::get_accRole(VARIANT child, VARIANT* role)
{
    return m_inner->get_accRole(child, role);
}

HRESULT NamedAccessible::get_accState(VARIANT child, VARIANT* state)
{
    return m_inner->get_accState(child, state);
}

HRESULT NamedAccessible::get_accHelp(VARIANT child, BSTR* help)
{
    return m_inner->get_accHelp(child, help);
}

HRESULT NamedAccessible::get_accHelpTopic(BSTR* helpFile, VARIANT child, long* topic)
{
    return m_inner->get_accHelpTopic(helpFile, child, topic);
}

HRESULT NamedAccessible::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut)
{
    return m_inner->get_accKeyboardShortcut(child, shortcut);
}

HRESULT NamedAccessible::get_accFocus(VARIANT* child)
{
    return m_inner->get_accFocus(child);
}

HRESULT NamedAccessible::get_accSelection(VARIANT* children)
{
    return m_inner->get_accSelection(children);
}

HRESULT NamedAccessible::get_accDefaultAction(VARIANT child, BSTR* action)
{
    return m_inner->get_accDefaultAction(child, action);
}

HRESULT NamedAccessible::accSelect(long flags, VARIANT child)
{
    return m_inner->accSelect(flags, child);
}

HRESULT NamedAccessible::accLocation(long* left, long* top, long* width, long* height, VARIANT child)
{
    return m_inner->accLocation(left, top, width, height, child);
}

HRESULT NamedAccessible::accNavigate(long direction, VARIANT start, VARIANT* end)
{
    return m_inner->accNavigate(direction, start, end);
}

HRESULT NamedAccessible::accHitTest(long x, long y, VARIANT* child)
{
    return m_inner->accHitTest(x, y, child);
}

HRESULT NamedAccessible::accDoDefaultAction(VARIANT child)
{
    return m_inner->accDoDefaultAction(child);
}

HRESULT NamedAccessible::put_accName(VARIANT child, BSTR name)
{
    return m_inner->put_accName(child, name);
}

HRESULT NamedAccessible::put_accValue(VARIANT child, BSTR value)
{
    return m_inner->put_accValue(child, value);
}
