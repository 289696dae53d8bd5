#include <ConversionCheck.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ConversionCheck;

namespace {

std::wstring Judge(const std::vector<std::wstring>& lines)
{
    return LastMeaningfulLine(
        0, static_cast<int>(lines.size()) - 1, [&](int i) { return lines[static_cast<size_t>(i)]; });
}

TEST(ConversionCheck, WhiteSpaceFollowsTheRuntimeClassification)
{
    for (wchar_t c : {L'\t', L'\n', L'\v', L'\f', L'\r', L' ', L'\x00A0', L'\x3000'})
        EXPECT_TRUE(IsSpace(c)) << static_cast<int>(c);
    for (wchar_t c : {L'\x0085', L'a', L'.', L'\x4E2D', L'\0', L'\x0008'})
        EXPECT_FALSE(IsSpace(c)) << static_cast<int>(c);
}

TEST(ConversionCheck, TrimsBothEnds)
{
    EXPECT_EQ(L"Done.",
        Trim(L" \t\x3000"
             L"Done.\x00A0\r\n"));
    EXPECT_EQ(L"", Trim(L" \x3000 \t"));
    EXPECT_EQ(L"\x0085x\x0085", Trim(L"\x0085x\x0085"));
}

TEST(ConversionCheck, BlankLinesAfterTheMarkerDoNotHideIt)
{
    const std::wstring line = Judge({L"Converting...", L"Done.", L"", L"   ", L"\x3000\x3000", L""});
    EXPECT_EQ(L"Done.", line);
    EXPECT_TRUE(HasSuccessMarker(line));
}

TEST(ConversionCheck, OnlyTheLastMeaningfulLineDecides)
{
    EXPECT_FALSE(HasSuccessMarker(Judge({L"Done.", L"error: bad record", L""})));
    EXPECT_TRUE(HasSuccessMarker(Judge({L"error", L"all Done. 3 records", L""})));
    EXPECT_EQ(L"", Judge({L"", L" ", L""}));
}

TEST(ConversionCheck, MarkerIsCaseSensitive)
{
    EXPECT_FALSE(HasSuccessMarker(L"done."));
    EXPECT_FALSE(HasSuccessMarker(L"DONE."));
    EXPECT_FALSE(HasSuccessMarker(L"Done"));
    EXPECT_TRUE(HasSuccessMarker(L"xDone.y"));
}

TEST(ConversionCheck, LinesBeforeTheFirstOneAreNotRead)
{
    const std::vector<std::wstring> lines = {L"Done.", L"", L""};
    EXPECT_EQ(L"", LastMeaningfulLine(1, 2, [&](int i) { return lines[static_cast<size_t>(i)]; }));
}

TEST(ConversionCheck, StpPathsByTheirLastFourCharacters)
{
    EXPECT_TRUE(IsStpPath(L"C:\\a\\design.stp"));
    EXPECT_TRUE(IsStpPath(L"C:\\a\\design.Stp"));
    EXPECT_TRUE(IsStpPath(L"C:\\a\\DESIGN.STP"));
    EXPECT_TRUE(IsStpPath(L".stp"));
    EXPECT_FALSE(IsStpPath(L"C:\\a\\stp.dat"));
    EXPECT_FALSE(IsStpPath(L"C:\\a\\designstp"));
    EXPECT_FALSE(IsStpPath(L"C:\\a\\design.stpx"));
    EXPECT_FALSE(IsStpPath(L"stp"));
}

TEST(ConversionCheck, DatPathKeepsTheCaseOfEverythingButTheExtension)
{
    EXPECT_EQ(L"C:\\My Dir\\Design.dat", DatPathFor(L"C:\\My Dir\\Design.STP"));
    EXPECT_EQ(L"C:\\x\\设计.dat", DatPathFor(L"C:\\x\\设计.sTp"));
}

} // namespace
