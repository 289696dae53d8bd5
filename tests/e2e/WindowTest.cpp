// Tarrow's window as an operator meets it: the controls, their order, the
// frame, the system menu's about entry and every way out.

#include "Encoding.h"
#include "Sandbox.h"
#include "SharedTarrowTest.h"
#include "TarrowDriver.h"

#include <gtest/gtest.h>

#include <iterator>
#include <ostream>
#include <string>

namespace {

using namespace e2e;
using testkit::encoding::toUtf8;

bool sameText(const std::wstring& a, const std::wstring& b)
{
    return ::lstrcmpiW(a.c_str(), b.c_str()) == 0;
}

// Every test here only looks, so one Tarrow serves them all.
class MainWindowTest : public SharedTarrowTest { };

TEST_F(MainWindowTest, ControlsHaveTheirIdsClassesAndCaptions)
{
    struct Expected {
        int id;
        const wchar_t* className;
        const wchar_t* caption;
    };
    const Expected controls[] = {
        {ids::kProgram, L"Button", L"编程"},
        {ids::kExit, L"Button", L"退出"},
        {ids::kErase, L"Button", L"擦除"},
        {ids::kVerify, L"Button", L"校验"},
        {ids::kFilePath, L"Edit", L""},
        {ids::kBrowse, L"Button", L"浏览..."},
    };
    for (const Expected& expected : controls) {
        SCOPED_TRACE("control " + std::to_string(expected.id));
        const Window control = app_->control(expected.id);
        ASSERT_TRUE(control.exists());
        EXPECT_TRUE(sameText(control.className(), expected.className)) << toUtf8(control.className());
        EXPECT_EQ(control.text(), expected.caption);
        EXPECT_TRUE(control.visible());
        EXPECT_TRUE(control.enabled());
    }

    // The log pane may be any class that answers like an edit control.
    const Window log = app_->control(ids::kLog);
    ASSERT_TRUE(log.exists());
    EXPECT_TRUE(log.visible());
    EXPECT_TRUE(log.tryText().has_value()) << "the log does not answer WM_GETTEXT";

    int labels = 0;
    for (const Window& child : app_->window().children()) {
        if (ids::isNoId(child.id()) && sameText(child.className(), L"Static") && child.text() == L"文件：") {
            ++labels;
            EXPECT_TRUE(child.visible());
        }
    }
    EXPECT_EQ(labels, 1) << "the label of the file box";
}

TEST_F(MainWindowTest, LogStartsEmpty)
{
    EXPECT_EQ(app_->logText(), L"");
}

TEST_F(MainWindowTest, ProgramIsTheDefaultButton)
{
    const std::optional<LRESULT> defaultId = app_->window().send(DM_GETDEFID);
    ASSERT_TRUE(defaultId.has_value());
    EXPECT_EQ(HIWORD(*defaultId), DC_HASDEFID);
    EXPECT_EQ(LOWORD(*defaultId), ids::kProgram);
    EXPECT_EQ(app_->control(ids::kProgram).style() & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_EQ(app_->control(ids::kErase).style() & BS_TYPEMASK, BS_PUSHBUTTON);
}

TEST_F(MainWindowTest, TabOrderFollowsTheTemplate)
{
    const int order[] = {
        ids::kProgram, ids::kExit, ids::kLog, ids::kErase, ids::kVerify, ids::kFilePath, ids::kBrowse, ids::kProgram};
    HWND current = app_->control(ids::kProgram).handle();
    for (std::size_t i = 1; i < std::size(order); ++i) {
        current = ::GetNextDlgTabItem(app_->hwnd(), current, FALSE);
        ASSERT_EQ(Window(current).id(), order[i]) << "tab stop " << i << " after " << order[i - 1];
    }
    // And backwards from the first.
    EXPECT_EQ(
        Window(::GetNextDlgTabItem(app_->hwnd(), app_->control(ids::kProgram).handle(), TRUE)).id(), ids::kBrowse);
}

TEST_F(MainWindowTest, FrameIsAFixedSizeAppWindowThatCanBeMinimized)
{
    const Window window = app_->window();
    EXPECT_EQ(window.className(), L"#32770");
    EXPECT_EQ(window.text(), L"Tarrow");
    const LONG style = window.style();
    EXPECT_TRUE(style & WS_CAPTION) << "WS_CAPTION";
    EXPECT_TRUE(style & WS_SYSMENU) << "WS_SYSMENU";
    EXPECT_TRUE(style & WS_MINIMIZEBOX) << "WS_MINIMIZEBOX";
    EXPECT_FALSE(style & WS_MAXIMIZEBOX) << "WS_MAXIMIZEBOX";
    EXPECT_FALSE(style & WS_THICKFRAME) << "WS_THICKFRAME";
    EXPECT_TRUE(window.exStyle() & WS_EX_APPWINDOW) << "WS_EX_APPWINDOW";
    EXPECT_TRUE(window.visible());
}

TEST_F(MainWindowTest, LogoIsAnIconAtTheTopLeft)
{
    Window logo;
    for (const Window& child : app_->window().children()) {
        if (sameText(child.className(), L"Static") && (child.style() & SS_TYPEMASK) == SS_ICON)
            logo = child;
    }
    ASSERT_TRUE(logo) << "no SS_ICON static";
    EXPECT_TRUE(ids::isNoId(logo.id())) << logo.id();
    EXPECT_TRUE(logo.visible());
    const RECT rect = logo.rectInParent();
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.top, 10);
    EXPECT_EQ(rect.right - rect.left, 120);
    EXPECT_EQ(rect.bottom - rect.top, 120);
    const std::optional<LRESULT> icon = logo.send(STM_GETICON);
    ASSERT_TRUE(icon.has_value());
    EXPECT_NE(*icon, 0) << "the logo shows no icon";
}

TEST_F(MainWindowTest, SystemMenuEndsWithTheAboutEntryAfterASeparator)
{
    const std::optional<std::vector<MenuItem>> menu = app_->systemMenu();
    ASSERT_TRUE(menu.has_value()) << app_->probeError();
    ASSERT_GE(menu->size(), 3u);
    const MenuItem& last = menu->back();
    EXPECT_EQ(last.id, ids::kAboutCommand);
    EXPECT_EQ(last.kind, "string");
    EXPECT_EQ(last.text, L"关于 Tarrow(&A)...");
    EXPECT_TRUE((*menu)[menu->size() - 2].separator())
        << "before the about entry: '" << toUtf8((*menu)[menu->size() - 2].text) << "'";
    for (std::size_t i = 0; i + 1 < menu->size(); ++i)
        EXPECT_NE((*menu)[i].id, ids::kAboutCommand) << "the about entry is there twice";
}

class TarrowSessionTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(box_.ready());
        ASSERT_TRUE(app_.start());
    }

    // The process ended and took every window with it.
    void expectGone(const Window& main)
    {
        ASSERT_TRUE(app_.waitForExit());
        EXPECT_FALSE(main.exists());
        EXPECT_TRUE(Window::topLevelOf(app_.pid()).empty());
    }

    Sandbox box_;
    TarrowDriver app_{box_};
};

TEST_F(TarrowSessionTest, AboutBoxOpensFromTheSystemMenuAndOkClosesIt)
{
    app_.systemCommand(ids::kAboutCommand);
    const Window about = app_.waitForOtherWindow(L"关于 Tarrow");
    ASSERT_TRUE(about) << app_.describe();
    EXPECT_EQ(about.className(), L"#32770");
    const Window ok = about.child(IDOK);
    ASSERT_TRUE(ok.exists());
    EXPECT_EQ(ok.text(), L"确定");

    EXPECT_TRUE(ok.click());
    EXPECT_TRUE(app_.waitFor([&] { return !about.exists(); }, "the about box to close"));
    EXPECT_TRUE(app_.alive());
    EXPECT_TRUE(app_.window().exists());
    EXPECT_TRUE(app_.window().enabled()) << "the main window stayed disabled after the about box";
}

// A way out of the program, as the operator or the system takes it.
struct WayOut {
    const char* name;
    void (*take)(TarrowDriver& app);
};

void PrintTo(const WayOut& way, std::ostream* out)
{
    *out << way.name;
}

const WayOut kWaysOut[] = {
    {"ExitButton", [](TarrowDriver& app) { EXPECT_TRUE(app.click(ids::kExit)); }},
    {"EscapeOnTheFocusedControl", [](TarrowDriver& app) { app.pressKeyOnFocus(VK_ESCAPE); }},
    {"EscapeInTheFileBox", [](TarrowDriver& app) { app.pressKey(ids::kFilePath, VK_ESCAPE); }},
    {"EscapeInTheLogPane", [](TarrowDriver& app) { app.pressKey(ids::kLog, VK_ESCAPE); }},
    {"CancelCommand", [](TarrowDriver& app) { app.command(IDCANCEL); }},
    {"CloseBox", [](TarrowDriver& app) { app.close(); }},
    {"WmClose", [](TarrowDriver& app) { app.window().post(WM_CLOSE); }},
};

class WayOutTest : public TarrowSessionTest, public testing::WithParamInterface<WayOut> { };

TEST_P(WayOutTest, EndsTheProgram)
{
    const Window main = app_.window();
    GetParam().take(app_);
    expectGone(main);
}

INSTANTIATE_TEST_SUITE_P(Every, WayOutTest, testing::ValuesIn(kWaysOut),
    [](const testing::TestParamInfo<WayOut>& info) { return std::string(info.param.name); });

} // namespace
