#include "LogAccessibility.h"

// The annotation's GUIDs (PROPID_ACC_NAME, ...) are defined where oleacc.h
// is first read after this.
#include <initguid.h>

#include <oleacc.h>

#include "NamedAccessible.h"

#include <SystemLibrary.h>
#include <UniqueAny.h>

#include <string>

namespace {

// What the edit control answers OBJID_QUERYCLASSNAMEIDX with: the index of
// its class among those the platform has accessible objects for.
constexpr LRESULT kEditClassIndex = 65536 + 4;
// Readers hear of new output at most this often.
constexpr DWORD kValueChangeInterval = 250;

// oleacc.dll is not among the DLLs Windows always takes from the system
// folder: imported, a copy planted beside the program would be loaded in its
// place. So it is loaded from there by its full path, once, and kept.
struct Oleacc {
    HRESULT(WINAPI* createStdAccessibleObject)(HWND, LONG, REFIID, void**) = nullptr;
    LRESULT(WINAPI* lresultFromObject)(REFIID, WPARAM, LPUNKNOWN) = nullptr;
    UniqueModule module;
};

const Oleacc& OleaccFromSystemFolder()
{
    static const Oleacc oleacc = [] {
        Oleacc loaded;
        loaded.module = LoadSystemLibrary(L"oleacc.dll");
        if (loaded.module) {
            LookUp(loaded.module.get(), "CreateStdAccessibleObject", loaded.createStdAccessibleObject);
            LookUp(loaded.module.get(), "LresultFromObject", loaded.lresultFromObject);
        }
        return loaded;
    }();
    return oleacc;
}

} // namespace

LogAccessibility::LogAccessibility(HWND view, UINT_PTR timerId)
    : m_view(view)
    , m_timerId(timerId)
    , m_pacer(kValueChangeInterval)
{
}

LogAccessibility::~LogAccessibility()
{
    if (m_annotated) {
        ComPtr<IAccPropServices> services;
        if (SUCCEEDED(::CoCreateInstance(
                CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices, services.put_void()))) {
            const MSAAPROPID name = PROPID_ACC_NAME;
            services->ClearHwndProps(m_view, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &name, 1);
        }
    }
}

std::optional<LRESULT> LogAccessibility::OnGetObject(WPARAM flags, LPARAM objectId)
{
    const auto id = static_cast<LONG>(objectId);
    if (id == OBJID_QUERYCLASSNAMEIDX)
        return kEditClassIndex;
    if (id != OBJID_CLIENT || m_name.empty() || m_annotated || !EnsureCom())
        return std::nullopt;
    const Oleacc& oleacc = OleaccFromSystemFolder();
    if (oleacc.createStdAccessibleObject == nullptr || oleacc.lresultFromObject == nullptr)
        return std::nullopt;
    ComPtr<IAccessible> standard;
    if (FAILED(oleacc.createStdAccessibleObject(m_view, OBJID_CLIENT, IID_IAccessible, standard.put_void())))
        return std::nullopt;
    const ComPtr<IAccessible> named = NamedAccessible::Wrap(standard.get(), m_name);
    if (!named)
        return std::nullopt;
    const LRESULT reference = oleacc.lresultFromObject(IID_IAccessible, flags, named.get());
    if (FAILED(static_cast<HRESULT>(reference)))
        return std::nullopt;
    return reference;
}

void LogAccessibility::SetName(const wchar_t* name)
{
    m_name = name != nullptr ? name : L"";
    m_annotated = false;
    if (m_name.empty() || !EnsureCom())
        return;
    ComPtr<IAccPropServices> services;
    if (FAILED(::CoCreateInstance(
            CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices, services.put_void())))
        return;
    m_annotated = SUCCEEDED(services->SetHwndPropStr(
        m_view, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, PROPID_ACC_NAME, const_cast<LPWSTR>(m_name.c_str())));
}

void LogAccessibility::TextChanged()
{
    m_pacer.Changed();
    Pace();
}

bool LogAccessibility::OnTimer(UINT_PTR timerId)
{
    if (timerId != m_timerId)
        return false;
    ::KillTimer(m_view, m_timerId);
    m_pacer.TimerEnded();
    Pace();
    return true;
}

void LogAccessibility::Pace()
{
    const IntervalPacer::Step step = m_pacer.Next(::GetTickCount());
    if (step.fire)
        ::NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, m_view, OBJID_CLIENT, CHILDID_SELF);
    else if (step.wait != 0 && ::SetTimer(m_view, m_timerId, step.wait, nullptr) == 0)
        m_pacer.TimerEnded();
}

bool LogAccessibility::EnsureCom()
{
    if (!m_comTried) {
        m_comTried = true;
        m_apartment = EnterSingleThreadedApartment();
    }
    return m_apartment.valid();
}
