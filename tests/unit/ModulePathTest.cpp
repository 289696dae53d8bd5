#include <ModulePath.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

// Behaves like GetModuleFileNameW for a path of the given length: copies as
// much as fits, terminated, and returns the buffer size when it was cut.
DWORD FakeModulePath(const std::wstring& path, wchar_t* buffer, DWORD size)
{
    const size_t copied = std::min<size_t>(path.size(), size - 1);
    std::copy(path.begin(), path.begin() + static_cast<std::ptrdiff_t>(copied), buffer);
    buffer[copied] = L'\0';
    return path.size() >= size ? size : static_cast<DWORD>(path.size());
}

TEST(ModulePath, ReadsPathsOfEveryLengthWhole)
{
    for (size_t length : {1u, 259u, 260u, 261u, 520u, 1000u, 32767u}) {
        std::wstring path = L"C:\\" + std::wstring(length - std::min<size_t>(length, 3), L'x');
        path.resize(length, L'y');
        int calls = 0;
        const std::wstring read = ReadGrowing([&](wchar_t* buffer, DWORD size) {
            ++calls;
            return FakeModulePath(path, buffer, size);
        });
        EXPECT_EQ(path, read) << "length " << length;
        EXPECT_LT(calls, 10);
    }
}

TEST(ModulePath, FailureGivesAnEmptyPath)
{
    EXPECT_EQ(L"", ReadGrowing([](wchar_t*, DWORD) { return DWORD{0}; }));
    // A path that never fits does not loop for ever.
    EXPECT_EQ(L"", ReadGrowing([](wchar_t*, DWORD size) { return size; }));
}

TEST(ModulePath, OwnExecutableEndsInItsName)
{
    const std::wstring path = ModuleFileName(nullptr);
    ASSERT_GT(path.size(), 12u);
    EXPECT_EQ(L"unit_ops.exe", path.substr(path.size() - 12));
}

} // namespace
