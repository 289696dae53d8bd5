// A control the framework creates keeps the id it was given, -1 (no id, the
// logo's) included, in a 64-bit build as in a 32-bit one.

#include <CStatic.h>
#include <UniqueAny.h>

#include <gtest/gtest.h>

namespace {

TEST(CStaticTest, ControlAnswersToItsIdWhateverTheId)
{
    const UniqueWindow parent(
        ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr));
    CWnd parentWindow;
    parentWindow.Attach(parent.get());
    for (const int id : {1000, -1}) {
        CStatic control;
        ASSERT_TRUE(control.Create(L"", WS_CHILD, RECT{}, &parentWindow, static_cast<UINT>(id)));
        const UniqueWindow owned(control.GetSafeHwnd());
        EXPECT_EQ(::GetWindowLongPtrW(owned.get(), GWLP_ID), id);
        EXPECT_EQ(::GetDlgItem(parent.get(), id), owned.get()) << id;
    }
}

} // namespace
