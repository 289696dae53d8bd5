#include <Clipboard.h>
#include <ClipboardWriter.h>
#include <ContextMenu.h>
#include <UniqueAny.h>

#include <gtest/gtest.h>

#include <string>

namespace {

// A bare popup window, not shown, at a known place on the screen: the
// clipboard's owner and the menu's.
class OwnerWindow : public testing::Test {
protected:
    static constexpr POINT kOrigin{100, 120};

    void SetUp() override
    {
        m_window.reset(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, kOrigin.x, kOrigin.y, 200, 100, nullptr, nullptr,
            ::GetModuleHandleW(nullptr), nullptr));
        ASSERT_TRUE(m_window);
    }
    void TearDown() override { m_window.reset(); }

    HWND Window() const { return m_window.get(); }

private:
    UniqueWindow m_window;
};

using ClipboardWriterTest = OwnerWindow;

TEST_F(ClipboardWriterTest, PutsTheRangeWithItsLineBreaks)
{
    // "one" 0-2, break 3-4, "two" 5-7, break 8-9, "three" 10-14.
    LogText text;
    text.Append(L"one\r\ntwo\r\nthree");
    ASSERT_TRUE(ClipboardWriter(Window()).Put(text, 2, 9));
    EXPECT_EQ(testkit::clipboardText(), L"e\r\ntwo\r") << "half a break is its carriage return";
    ASSERT_TRUE(ClipboardWriter(Window()).Put(text, 10, 1000));
    EXPECT_EQ(testkit::clipboardText(), L"three") << "not past the end";
}

using ContextMenuTest = OwnerWindow;

bool Enabled(const ContextMenu& menu, UINT position)
{
    return (::GetMenuState(menu.Handle(), position, MF_BYPOSITION) & MF_GRAYED) == 0;
}

TEST_F(ContextMenuTest, OffersCopyForASelectionAndSelectAllWhileSomethingIsLeft)
{
    const ContextMenu partly(Selection{4, 2}, 10);
    ASSERT_NE(partly.Handle(), nullptr);
    EXPECT_TRUE(Enabled(partly, 0));
    EXPECT_TRUE(Enabled(partly, 1));
    const ContextMenu nothing(Selection{4, 4}, 10);
    EXPECT_FALSE(Enabled(nothing, 0));
    EXPECT_TRUE(Enabled(nothing, 1));
    const ContextMenu all(Selection{10, 0}, 10);
    EXPECT_TRUE(Enabled(all, 0));
    EXPECT_FALSE(Enabled(all, 1));
    const ContextMenu empty(Selection{}, 0);
    EXPECT_FALSE(Enabled(empty, 0));
    EXPECT_FALSE(Enabled(empty, 1));
}

TEST_F(ContextMenuTest, GoesToTheMouseOrBelowTheCaretButNotOverTheFrame)
{
    const POINT caretBelow{30, 40};
    const auto at = [](int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); };
    const std::optional<POINT> mouse = ContextMenu::Placement(Window(), at(150, 130), caretBelow);
    ASSERT_TRUE(mouse.has_value());
    EXPECT_EQ(mouse->x, 150);
    EXPECT_EQ(mouse->y, 130);
    const std::optional<POINT> keyboard = ContextMenu::Placement(Window(), at(-1, -1), caretBelow);
    ASSERT_TRUE(keyboard.has_value());
    EXPECT_EQ(keyboard->x, kOrigin.x + 30);
    EXPECT_EQ(keyboard->y, kOrigin.y + 40);
    EXPECT_FALSE(ContextMenu::Placement(Window(), at(50, 130), caretBelow).has_value());
    EXPECT_FALSE(ContextMenu::Placement(Window(), at(150, 400), caretBelow).has_value());
}

} // namespace
