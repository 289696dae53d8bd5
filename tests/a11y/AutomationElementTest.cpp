// The log as a UI Automation client meets it from another process: the
// element the log's window hands out, read through the flat client functions
// only. Wine's text-pattern functions end the process that calls them, so the
// text itself is tried in-process, on the provider's own objects.

#include "SharedTarrowTest.h"
#include "TarrowDriver.h"

#include <ComPtr.h>
#include <UniqueAny.h>

#include <windows.h>

#include <uiautomationcore.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace e2e;

constexpr PROPERTYID kControlType = 30003;
constexpr PROPERTYID kName = 30005;
constexpr PROPERTYID kIsKeyboardFocusable = 30009;
constexpr PROPERTYID kAutomationId = 30011;
constexpr LONG kDocumentControlType = 50030;
// HUIANODE: the toolchain's uiautomationcoreapi.h does not compile as C++.
using NodeHandle = void*;

// UiaNodeFromHandle, UiaGetPropertyValue and UiaNodeRelease from the
// system's uiautomationcore.dll, and nothing else of it.
class AutomationClient {
public:
    AutomationClient()
    {
        wchar_t folder[MAX_PATH] = {};
        const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
        m_module.reset(::LoadLibraryW((std::wstring(folder, length) + L"\\uiautomationcore.dll").c_str()));
        if (!m_module)
            return;
        Lookup("UiaNodeFromHandle", m_nodeFromHandle);
        Lookup("UiaGetPropertyValue", m_getPropertyValue);
        Lookup("UiaNodeRelease", m_nodeRelease);
    }
    AutomationClient(const AutomationClient&) = delete;
    AutomationClient& operator=(const AutomationClient&) = delete;

    bool Complete() const { return m_nodeFromHandle && m_getPropertyValue && m_nodeRelease; }

    // Each property of the window's element, in one node.
    class Node {
    public:
        Node(const AutomationClient& client, HWND window)
            : m_client(client)
        {
            m_result = client.m_nodeFromHandle(window, &m_node);
        }
        ~Node()
        {
            if (m_node != nullptr)
                m_client.m_nodeRelease(m_node);
        }
        Node(const Node&) = delete;
        Node& operator=(const Node&) = delete;

        HRESULT Result() const { return m_result; }
        VARIANT Property(PROPERTYID id) const
        {
            VARIANT value;
            ::VariantInit(&value);
            m_client.m_getPropertyValue(m_node, id, &value);
            return value;
        }

    private:
        const AutomationClient& m_client;
        NodeHandle m_node = nullptr;
        HRESULT m_result = E_FAIL;
    };

private:
    template <typename Function> void Lookup(const char* name, Function& function)
    {
        function = reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(m_module.get(), name)));
    }

    UniqueModule m_module;
    HRESULT(WINAPI* m_nodeFromHandle)(HWND, NodeHandle*) = nullptr;
    HRESULT(WINAPI* m_getPropertyValue)(NodeHandle, PROPERTYID, VARIANT*) = nullptr;
    BOOL(WINAPI* m_nodeRelease)(NodeHandle) = nullptr;
};

std::wstring TakeString(VARIANT value)
{
    std::wstring text = value.vt == VT_BSTR && value.bstrVal != nullptr
        ? std::wstring(value.bstrVal, ::SysStringLen(value.bstrVal))
        : L"<vt " + std::to_wstring(value.vt) + L">";
    ::VariantClear(&value);
    return text;
}

class AutomationElementTest : public SharedTarrowTest {
protected:
    const UniqueApartment com_ = EnterSingleThreadedApartment();
};

TEST_F(AutomationElementTest, TheLogIsAFocusableDocumentNamedAsItsAccessibleObject)
{
    const AutomationClient client;
    if (!client.Complete())
        GTEST_SKIP() << "this platform's uiautomationcore.dll lacks UiaNodeFromHandle, UiaGetPropertyValue or "
                        "UiaNodeRelease";
    const AutomationClient::Node log(client, app_->control(ids::kLog).handle());
    ASSERT_EQ(log.Result(), S_OK) << "the log's window hands out no element";

    VARIANT controlType = log.Property(kControlType);
    EXPECT_EQ(controlType.vt, VT_I4);
    EXPECT_EQ(controlType.lVal, kDocumentControlType) << "a document, not an edit control";
    EXPECT_EQ(TakeString(log.Property(kName)), L"日志");
    EXPECT_EQ(TakeString(log.Property(kAutomationId)), std::to_wstring(ids::kLog));
    VARIANT focusable = log.Property(kIsKeyboardFocusable);
    EXPECT_EQ(focusable.vt, VT_BOOL);
    EXPECT_EQ(focusable.boolVal, VARIANT_TRUE);
}

} // namespace
