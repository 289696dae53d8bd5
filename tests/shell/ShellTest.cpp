// Help: F1 asks the help engine for the dialog's topic,
// and says so when the engine cannot help.

#include "Sandbox.h"
#include "TarrowDriver.h"

#include <UniqueAny.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace {

using namespace e2e;
using namespace std::chrono_literals;

// Stands in for the platform's help engine: the help call finds a window of
// this class and hands it the request as WM_COPYDATA.
class FakeHelpEngine {
public:
    static constexpr ULONG_PTR kMagic = 0xA1DE505;

    struct Request {
        WORD command;
        LONG data;
        std::string file;
    };

    explicit FakeHelpEngine(BOOL answer)
        : m_answer(answer)
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = &FakeHelpEngine::WindowProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"MS_WINHELP";
        ::RegisterClassW(&wc);
        m_window.reset(::CreateWindowExW(
            0, L"MS_WINHELP", L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, this));
    }

    bool created() const { return m_window.valid(); }
    bool asked() const { return m_asked; }
    const Request& request() const { return m_request; }

    // Our window must answer while we wait, or the help call in Tarrow hangs.
    bool waitUntil(const std::function<bool()>& condition) { return pumpUntil(condition); }

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE)
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        auto* self = reinterpret_cast<FakeHelpEngine*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (message == WM_COPYDATA && self) {
            const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            if (data->dwData == kMagic && data->cbData >= 16) {
                const char* bytes = static_cast<const char*>(data->lpData);
                WORD offsetOfName = 0;
                memcpy(&self->m_request.command, bytes + 2, sizeof(WORD));
                memcpy(&self->m_request.data, bytes + 4, sizeof(LONG));
                memcpy(&offsetOfName, bytes + 12, sizeof(WORD));
                if (offsetOfName)
                    self->m_request.file = bytes + offsetOfName;
                self->m_asked = true;
                return self->m_answer;
            }
        }
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }

    BOOL m_answer;
    bool m_asked = false;
    Request m_request{};
    // Last, so it goes first: the next test's engine must be the only one found.
    UniqueWindow m_window;
};

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(::tolower(static_cast<unsigned char>(c)));
    return text;
}

class Help : public testing::Test {
protected:
    // Tarrow started beside a help engine that gives that answer to every
    // request.
    void Start(BOOL engineAnswer)
    {
        m_engine = std::make_unique<FakeHelpEngine>(engineAnswer);
        ASSERT_TRUE(m_engine->created());
        ASSERT_TRUE(m_box.ready());
        m_app = std::make_unique<TarrowDriver>(m_box);
        ASSERT_TRUE(m_app->start());
    }

    // Declared in this order so that Tarrow goes first and the engine last,
    // as the next test's engine must be the only one found.
    std::unique_ptr<FakeHelpEngine> m_engine;
    Sandbox m_box;
    std::unique_ptr<TarrowDriver> m_app;
};

TEST_F(Help, F1AsksForTheTopicOfTheMainWindowAndOfTheAboutBox)
{
    ASSERT_NO_FATAL_FAILURE(Start(TRUE));
    FakeHelpEngine& engine = *m_engine;

    m_app->pressKey(ids::kFilePath, VK_F1);
    ASSERT_TRUE(engine.waitUntil([&] { return engine.asked(); })) << "F1 asked for no help";
    EXPECT_EQ(HELP_CONTEXT, engine.request().command);
    EXPECT_EQ(0x20000 + ids::kMainDialog, engine.request().data);
    const std::wstring& tarrow = m_box.tarrowPath();
    const std::string expectedFile = Lower(std::string(tarrow.begin(), tarrow.end() - 4) + ".HLP");
    EXPECT_EQ(expectedFile, Lower(engine.request().file));
    EXPECT_TRUE(m_app->otherWindows().empty()) << "help that started shows no message";

    m_app->systemCommand(ids::kAboutCommand);
    const Window about = m_app->waitForOtherWindow(L"关于 Tarrow");
    ASSERT_TRUE(about);
    const LONG before = engine.request().data;
    about.child(IDOK).pressKey(VK_F1);
    ASSERT_TRUE(engine.waitUntil([&] { return engine.request().data != before; }));
    EXPECT_EQ(0x20000 + ids::kAboutDialog, engine.request().data);
    ASSERT_TRUE(about.child(IDOK).click());
}

TEST_F(Help, HelpThatCannotStartIsReportedInABox)
{
    ASSERT_NO_FATAL_FAILURE(Start(FALSE));
    FakeHelpEngine& engine = *m_engine;

    m_app->pressKey(ids::kProgram, VK_F1);
    ASSERT_TRUE(engine.waitUntil([&] { return engine.asked(); }));
    Window message;
    ASSERT_TRUE(engine.waitUntil([&] {
        message = m_app->waitForOtherWindow(L"Tarrow", 50ms);
        return static_cast<bool>(message);
    })) << "no message box captioned with the program's name";
    EXPECT_EQ(L"启动帮助失败。", message.child(0xFFFF).text());
    ASSERT_TRUE(message.child(IDOK).click());
    EXPECT_TRUE(engine.waitUntil([&] { return m_app->otherWindows().empty(); }));
    EXPECT_TRUE(m_app->alive());
}

} // namespace
