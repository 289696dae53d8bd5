// Files that reach Tarrow from Explorer, by "Open with" (the command line)
// or dropped on the window, are taken as if chosen in Browse; the taskbar
// button follows the runs.

#include "Encoding.h"
#include "Sandbox.h"
#include "TarrowDriver.h"

#include <UniqueAny.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using namespace e2e;
using testkit::encoding::toUtf8;

const char kConvertOk[] = "args conv.txt\nout Converting...\\r\\n\nout Done.\\r\\n\n";
const wchar_t kConverted[] = L"Converting...\r\nDone.\r\n\r\n";

class Citizen : public testing::Test {
protected:
    void SetUp() override
    {
        // Spaces and Chinese in every path, as Explorer hands them over.
        m_box = std::make_unique<Sandbox>(SandboxOptions{true, L"Tarrow.exe"});
        ASSERT_TRUE(m_box->ready());
        m_box->installTool(L"stpconv.exe", kConvertOk);
        m_box->installTool(L"burnkit.exe", "out burning\\r\\n\nwaitfile go\n");
    }

    void Start(LaunchOptions options = {})
    {
        m_app = std::make_unique<TarrowDriver>(*m_box, std::move(options));
        ASSERT_TRUE(m_app->start());
    }

    testing::AssertionResult WaitFor(const std::wstring& log, const std::wstring& fileBox)
    {
        return m_app->waitFor([&] { return m_app->logText() == log && m_app->text(ids::kFilePath) == fileBox; },
            "log \"" + toUtf8(log) + "\" and file box \"" + toUtf8(fileBox) + "\"");
    }

    size_t Conversions() const { return m_box->args(L"conv.txt").size(); }

    std::unique_ptr<Sandbox> m_box;
    std::unique_ptr<TarrowDriver> m_app;
};

TEST_F(Citizen, CommandLineFileIsTakenWithItsFullPathAndFurtherArgumentsIgnored)
{
    const std::wstring dat = m_box->writeFile(L"设计 image.dat", "x");
    const std::wstring stp = m_box->writeFile(L"second.stp", "STP");
    LaunchOptions options;
    options.workingDirectory = m_box->path();
    options.arguments = L"\"设计 image.dat\" \"" + stp + L"\" -x";
    Start(options);
    ASSERT_TRUE(WaitFor(L"", dat));
    EXPECT_FALSE(m_box->exists(L"conv.txt")) << "only the first argument is taken";
}

TEST_F(Citizen, CommandLineStpIsConvertedBehindThePromptOnceTheWindowIsUp)
{
    const std::wstring stp = m_box->writeFile(L"Design.STP", "STP");
    const std::wstring dat = m_box->writeFile(L"Design.dat", "old DAT");
    LaunchOptions options;
    options.arguments = L"\"" + stp + L"\"";
    Start(options);

    const Window prompt = m_app->waitForOtherWindow(L"Tarrow");
    ASSERT_TRUE(prompt) << "no overwrite prompt; " << m_app->describe();
    EXPECT_TRUE(m_app->window().visible()) << "the prompt came before the window";
    EXPECT_EQ(m_app->hwnd(), ::GetWindow(prompt.handle(), GW_OWNER));
    ASSERT_TRUE(prompt.child(IDYES).click());
    ASSERT_TRUE(WaitFor(kConverted, dat));
    EXPECT_EQ(1u, Conversions());
}

TEST_F(Citizen, DropTakesTheFirstFileAsBrowseWould)
{
    Start();
    EXPECT_TRUE(m_app->window().exStyle() & WS_EX_ACCEPTFILES)
        << "Explorer drops only on a window that says it takes them";
    const std::wstring dat = m_box->writeFile(L"first.dat", "x");
    const std::wstring stp = m_box->writeFile(L"other.stp", "STP");
    ASSERT_TRUE(m_app->dropFiles({dat, stp}));
    ASSERT_TRUE(WaitFor(L"", dat));

    ASSERT_TRUE(m_app->dropFiles({stp}));
    ASSERT_TRUE(WaitFor(kConverted, m_box->file(L"other.dat")));
    EXPECT_EQ(1u, Conversions());
}

TEST_F(Citizen, DropDuringARunIsTakenAsBrowseIsDuringARun)
{
    Start();
    const std::wstring image = m_box->writeFile(L"image.dat", "x");
    ASSERT_TRUE(m_app->setText(ids::kFilePath, image));
    ASSERT_TRUE(m_app->click(ids::kProgram));
    ASSERT_TRUE(m_app->waitForLog(L"burning\r\n"));

    // The busy session refuses the conversion; a DAT file still goes in.
    ASSERT_TRUE(m_app->dropFiles({m_box->writeFile(L"y.stp", "STP")}));
    ASSERT_TRUE(WaitFor(L"burning\r\nSTP文件转换失败！\r\n", image));
    const std::wstring next = m_box->writeFile(L"next.dat", "x");
    ASSERT_TRUE(m_app->dropFiles({next}));
    ASSERT_TRUE(WaitFor(L"burning\r\nSTP文件转换失败！\r\n", next));

    m_box->writeFile(L"go", "");
    ASSERT_TRUE(WaitFor(L"burning\r\nSTP文件转换失败！\r\n\r\n", next));
    EXPECT_FALSE(m_box->exists(L"conv.txt"));
}

TEST_F(Citizen, DropWhileABoxOfTarrowIsUpIsIgnored)
{
    Start();
    m_app->systemCommand(ids::kAboutCommand);
    const Window about = m_app->waitForOtherWindow(L"关于 Tarrow");
    ASSERT_TRUE(about);
    const std::wstring dat = m_box->writeFile(L"a.dat", "x");
    ASSERT_TRUE(m_app->dropFiles({dat}));
    // dropFiles returns once Tarrow has dispatched the drop.
    ASSERT_TRUE(m_app->systemMenu()) << m_app->probeError();
    EXPECT_EQ(L"", m_app->text(ids::kFilePath));

    ASSERT_TRUE(about.child(IDOK).click());
    ASSERT_TRUE(m_app->waitFor([&] { return !about.exists(); }, "the about box to close"));
    ASSERT_TRUE(m_app->dropFiles({dat}));
    ASSERT_TRUE(WaitFor(L"", dat));
}

// Wine's shell never announces a taskbar button, and a flash leaves nothing
// another program can read; what can be checked is that the announcement,
// mid-run too, and a run ending behind another window keep Tarrow whole,
// up to a clean exit that leaves the taskbar's COM objects behind in order.
TEST_F(Citizen, TaskbarAnnouncedAroundARunEndingInTheBackground)
{
    Start();
    const UINT announced = ::RegisterWindowMessageW(L"TaskbarButtonCreated");
    ASSERT_TRUE(m_app->window().send(announced));
    const std::wstring image = m_box->writeFile(L"image.dat", "x");
    ASSERT_TRUE(m_app->setText(ids::kFilePath, image));
    ASSERT_TRUE(m_app->click(ids::kProgram));
    ASSERT_TRUE(m_app->waitForLog(L"burning\r\n"));
    ASSERT_TRUE(m_app->window().send(announced)) << "the shell restarted during the run";

    UniqueWindow front(::CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"in front", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100,
        nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(front);
    ::SetForegroundWindow(front.get());
    m_box->writeFile(L"go", "");
    const bool ended = WaitFor(L"burning\r\n\r\n", image);
    front.reset();
    ASSERT_TRUE(ended);
    EXPECT_TRUE(m_app->isEnabled(ids::kProgram));

    m_app->close();
    ASSERT_TRUE(m_app->waitForExit());
    EXPECT_EQ(0u, m_app->exitCode().value_or(1));
}

} // namespace
