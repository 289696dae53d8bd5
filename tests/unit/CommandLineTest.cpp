#include <CommandLine.h>

#include <UniqueAny.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// What the platform's own parser makes of a whole command line.
std::vector<std::wstring> ParseCommandLine(const std::wstring& line)
{
    int count = 0;
    const UniqueLocal<LPWSTR*> argv(::CommandLineToArgvW(line.c_str(), &count));
    std::vector<std::wstring> parsed;
    for (int i = 0; argv && i < count; ++i)
        parsed.emplace_back(argv.get()[i]);
    return parsed;
}

// The arguments after a program name.
std::vector<std::wstring> ParseArguments(const std::wstring& arguments)
{
    std::vector<std::wstring> parsed = ParseCommandLine(L"prog.exe " + arguments);
    parsed.erase(parsed.begin());
    return parsed;
}

struct QuoteCase {
    const wchar_t* input;
    const wchar_t* quoted;
};

const QuoteCase kCases[] = {
    {L"C:\\dir\\file.dat", L"\"C:\\dir\\file.dat\""},
    {L"C:\\Program Files\\设备\\a b.dat", L"\"C:\\Program Files\\设备\\a b.dat\""},
    {L"", L"\"\""},
    {L"C:\\dir\\", L"\"C:\\dir\\\\\""},
    {L"C:\\dir\\\\", L"\"C:\\dir\\\\\\\\\""},
    {L"\\\\server\\share\\x.dat", L"\"\\\\server\\share\\x.dat\""},
    {L"a\"b", L"\"a\\\"b\""},
    {L"a\\\"b", L"\"a\\\\\\\"b\""},
    {L" leading and trailing ", L"\" leading and trailing \""},
    {L"tab\there", L"\"tab\there\""},
};

TEST(QuoteArgument, GivesTheExpectedText)
{
    for (const QuoteCase& c : kCases)
        EXPECT_EQ(c.quoted, QuoteArgument(c.input)) << "input: " << testing::PrintToString(std::wstring(c.input));
}

TEST(QuoteArgument, PlatformParserGivesEachArgumentBackExactly)
{
    for (const QuoteCase& c : kCases) {
        const std::vector<std::wstring> parsed = ParseArguments(QuoteArgument(c.input) + L" next");
        ASSERT_EQ(2u, parsed.size()) << "input: " << testing::PrintToString(std::wstring(c.input));
        EXPECT_EQ(c.input, parsed[0]);
        EXPECT_EQ(L"next", parsed[1]);
    }
}

TEST(DeviceCommandLine, KeepsTheToolFormatForOrdinaryPaths)
{
    EXPECT_EQ(L"\"C:\\T\\burnkit.exe\" -aprogram \"D:\\my files\\a.dat\"",
        DeviceCommandLine(L"C:\\T\\burnkit.exe", L"-aprogram", L"D:\\my files\\a.dat"));
}

TEST(DeviceCommandLine, DirectoryWithTrailingBackslashStaysOneArgument)
{
    const std::vector<std::wstring> parsed
        = ParseCommandLine(DeviceCommandLine(L"C:\\T\\burnkit.exe", L"-averify", L"C:\\dir\\"));
    const std::vector<std::wstring> expected = {L"C:\\T\\burnkit.exe", L"-averify", L"C:\\dir\\"};
    EXPECT_EQ(expected, parsed);
}

TEST(ConverterCommandLine, QuotesAllThreePaths)
{
    EXPECT_EQ(L"\"C:\\T\\stpconv.exe\" \"C:\\in put.stp\" \"C:\\in put.dat\"",
        ConverterCommandLine(L"C:\\T\\stpconv.exe", L"C:\\in put.stp", L"C:\\in put.dat"));
}

} // namespace
