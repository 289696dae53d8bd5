// The log as a screen reader meets it: the accessible object oleacc gives
// another process for the log's window, and the events that say its text
// changed.

#include "Encoding.h"
#include "Sandbox.h"
#include "SharedTarrowTest.h"
#include "TarrowDriver.h"

#include <ComPtr.h>
#include <UniqueAny.h>

#include <windows.h>

#include <oleacc.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace e2e;
using namespace std::chrono_literals;
using testkit::encoding::toUtf8;

VARIANT Self()
{
    VARIANT self;
    ::VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    return self;
}

std::wstring TakeString(BSTR text)
{
    std::wstring taken = text != nullptr ? std::wstring(text, ::SysStringLen(text)) : std::wstring();
    ::SysFreeString(text);
    return taken;
}

// What this platform answers for a plain EDIT control of the test's own: the
// baseline any edit-like control's accessible object stands on. Some Wine
// builds have no edit proxy at all.
HRESULT PlainEditsAccessibleObject()
{
    const UniqueWindow edit(::CreateWindowExW(0, L"EDIT", L"", WS_POPUP | ES_MULTILINE | ES_READONLY, 0, 0, 200, 100,
        nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr));
    if (!edit)
        return HRESULT_FROM_WIN32(::GetLastError());
    ComPtr<IAccessible> object;
    return ::AccessibleObjectFromWindow(
        edit.get(), static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible, object.put_void());
}

// Counts EVENT_OBJECT_VALUECHANGE for one window's client object, and reads
// the window's text length at each, as a reader following along re-reads the
// value it was told has changed.
class ValueChangeListener {
public:
    ValueChangeListener(DWORD processId, HWND window)
        : m_window(window)
    {
        s_current = this;
        m_hook = ::SetWinEventHook(EVENT_OBJECT_VALUECHANGE, EVENT_OBJECT_VALUECHANGE, nullptr, &Callback, processId, 0,
            WINEVENT_OUTOFCONTEXT);
    }
    ~ValueChangeListener()
    {
        if (m_hook != nullptr)
            ::UnhookWinEvent(m_hook);
        s_current = nullptr;
    }
    ValueChangeListener(const ValueChangeListener&) = delete;
    ValueChangeListener& operator=(const ValueChangeListener&) = delete;

    bool Hooked() const { return m_hook != nullptr; }
    size_t Count() const { return m_lengths.size(); }
    size_t LastLength() const { return m_lengths.empty() ? 0 : m_lengths.back(); }

private:
    static void CALLBACK Callback(HWINEVENTHOOK, DWORD, HWND window, LONG objectId, LONG childId, DWORD, DWORD)
    {
        if (s_current == nullptr || window != s_current->m_window || objectId != OBJID_CLIENT
            || childId != CHILDID_SELF)
            return;
        const auto length = Window(window).send(WM_GETTEXTLENGTH);
        s_current->m_lengths.push_back(length ? static_cast<size_t>(*length) : 0);
    }

    static ValueChangeListener* s_current;
    HWND m_window;
    HWINEVENTHOOK m_hook = nullptr;
    std::vector<size_t> m_lengths;
};

ValueChangeListener* ValueChangeListener::s_current = nullptr;

// Both tests run the tool in one Tarrow, each after the other's run has ended.
class ScreenReaderTest : public SharedTarrowTest {
protected:
    static void SetUpTestSuite()
    {
        Start([](Sandbox& box) { box.installTool(L"burnkit.exe"); });
        started_ = started_ && app_->setText(ids::kFilePath, box_->writeFile(L"image.dat", "data"));
    }

    HWND Log() const { return app_->control(ids::kLog).handle(); }

    // Runs the tool with the script once the last run has ended.
    static testing::AssertionResult Erase(const std::string& script)
    {
        if (auto idle = app_->waitFor([] { return app_->isEnabled(ids::kErase); }, "the last run to end"); !idle)
            return idle;
        box_->setScript(L"burnkit.exe", script);
        return app_->click(ids::kErase) ? testing::AssertionSuccess() : testing::AssertionFailure() << "no click";
    }

    const UniqueApartment com_ = EnterSingleThreadedApartment();
};

TEST_F(ScreenReaderTest, ReadsTheLogAsNamedReadOnlyTextWithTheLogAsItsValue)
{
    if (const HRESULT baseline = PlainEditsAccessibleObject(); FAILED(baseline))
        GTEST_SKIP() << "this platform gives no accessible object even for a plain EDIT control in the test's own "
                        "process (AccessibleObjectFromWindow: 0x"
                     << std::hex << static_cast<unsigned long>(baseline) << ")";
    ASSERT_TRUE(Erase("out 正在擦除...\\r\\n\nout 擦除完成\\r\\n\n"));
    ASSERT_TRUE(app_->waitForLog(L"擦除完成\r\n"));

    ComPtr<IAccessible> log;
    ASSERT_EQ(
        ::AccessibleObjectFromWindow(Log(), static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible, log.put_void()), S_OK);
    VARIANT role;
    ::VariantInit(&role);
    ASSERT_EQ(log->get_accRole(Self(), &role), S_OK);
    EXPECT_EQ(role.vt, VT_I4);
    EXPECT_EQ(role.lVal, ROLE_SYSTEM_TEXT);

    VARIANT state;
    ::VariantInit(&state);
    ASSERT_EQ(log->get_accState(Self(), &state), S_OK);
    EXPECT_NE(state.lVal & STATE_SYSTEM_READONLY, 0) << std::hex << state.lVal;
    EXPECT_NE(state.lVal & STATE_SYSTEM_FOCUSABLE, 0) << std::hex << state.lVal;

    BSTR name = nullptr;
    EXPECT_EQ(log->get_accName(Self(), &name), S_OK);
    EXPECT_EQ(TakeString(name), L"日志");

    BSTR value = nullptr;
    ASSERT_EQ(log->get_accValue(Self(), &value), S_OK);
    const std::wstring text = app_->logText();
    EXPECT_NE(text.find(L"正在擦除...\r\n擦除完成\r\n"), std::wstring::npos) << toUtf8(text);
    EXPECT_EQ(TakeString(value), text);
}

TEST_F(ScreenReaderTest, HearsOfOutputWhileItStreamsAndOfTheLastOfIt)
{
    ValueChangeListener listener(app_->pid(), Log());
    ASSERT_TRUE(listener.Hooked());
    // A first line, then, once the test has heard of it, a burst and, a
    // moment later, one more line: changes closer together than readers are
    // told of them, the last of which must still be told.
    ASSERT_TRUE(Erase("out 第一行\\r\\n\n"
                      "waitfile go\n"
                      "filler 64K\n"
                      "sleep 100\n"
                      "out 最后一行\\r\\n\n"));
    EXPECT_TRUE(pumpUntil([&] { return listener.Count() >= 1; })) << "no event for the first line";
    box_->writeFile(L"go", "");
    // Until the run has ended and the program has written its last, pumping
    // meanwhile, so that each event is read about as it comes.
    ASSERT_TRUE(pumpUntil([&] {
        return app_->logText().find(L"最后一行\r\n") != std::wstring::npos && app_->isEnabled(ids::kErase);
    })) << app_->describe();
    const size_t length = app_->logText().size();
    EXPECT_TRUE(pumpUntil([&] { return listener.LastLength() == length; }))
        << listener.Count() << " events, the last read " << listener.LastLength() << " of " << length << " characters";
}

} // namespace
