#include <AnsiChunkDecoder.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// "中文" in code page 936. 0xD0 is a trail byte here but could also lead.
const char kZhongWen[] = "\xD6\xD0\xCE\xC4";

std::wstring DecodeAll(AnsiChunkDecoder& decoder, std::initializer_list<std::string> chunks)
{
    std::wstring text;
    for (const std::string& chunk : chunks)
        text += decoder.Decode(chunk.data(), chunk.size());
    return text;
}

// The platform's own conversion of a whole stream, for comparing.
std::wstring PlatformText(UINT codePage, const std::string& bytes)
{
    std::wstring text(bytes.size(), L'\0');
    text.resize(static_cast<size_t>(::MultiByteToWideChar(
        codePage, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), static_cast<int>(text.size()))));
    return text;
}

TEST(AnsiChunkDecoder, DecodesInTheSystemCodePageWhateverTheThreadsFormats)
{
    // An operator on a Chinese system who keeps English formats: the
    // thread's locale says code page 1252, the tools print in 936.
    ASSERT_EQ(936u, ::GetACP()) << "the tests expect the prefix's ANSI code page 936";
    const LCID formats = ::GetThreadLocale();
    ::SetThreadLocale(MAKELCID(0x0409, SORT_DEFAULT));
    const LCID english = ::GetThreadLocale();
    AnsiChunkDecoder decoder;
    ::SetThreadLocale(formats);
    if (english != 0x0409)
        GTEST_SKIP() << "the platform kept the thread's locale " << std::hex << formats;

    EXPECT_EQ(936u, decoder.CodePage());
    EXPECT_EQ(L"进度完成", DecodeAll(decoder, {"\xBD\xF8\xB6\xC8\xCD\xEA\xB3\xC9"}));
}

TEST(AnsiChunkDecoder, Utf8CutAnywhereGivesWhatTheWholeStreamGives)
{
    // Where the system's code page is UTF-8 (Windows' "Beta: Use Unicode
    // UTF-8" option): characters of two to four bytes, cut by chunks.
    struct Case {
        const char* what;
        std::vector<std::string> chunks;
        bool valid;
    };
    const Case cases[] = {
        {"1/2 of a three-byte character", {"a\xE8", "\xBF\x9B b"}, true},
        {"2/1", {"a\xE8\xBF", "\x9B b"}, true},
        {"1/3 of a four-byte character", {"\xF0", "\x9F\x98\x80!"}, true},
        {"3/1", {"\xF0\x9F\x98", "\x80!"}, true},
        {"2/2", {"\xF0\x9F", "\x98\x80!"}, true},
        {"1/1/1, a chunk too short to finish it", {"\xE5", "\xAE", "\x8C\r\n"}, true},
        {"a two-byte character 1/1", {"\xC3", "\xA9"}, true},
        {"an invalid lead byte at a chunk's end", {"x\xFF", "\x80y"}, false},
        {"a sequence whose rest never comes", {"x\xE8\xBF", "y"}, false},
        {"a sequence cut by the tool's end", {"done \xE5\xAE"}, false},
    };
    for (const Case& c : cases) {
        AnsiChunkDecoder decoder(CP_UTF8);
        std::string stream;
        std::wstring text;
        for (const std::string& chunk : c.chunks) {
            stream += chunk;
            text += decoder.Decode(chunk.data(), chunk.size());
        }
        text += decoder.Flush();
        const std::wstring whole = PlatformText(CP_UTF8, stream);
        EXPECT_EQ(whole, text) << c.what;
        EXPECT_EQ(c.valid, whole.find(L'\xFFFD') == std::wstring::npos) << c.what << ": the case's bytes are wrong";
        EXPECT_FALSE(decoder.HasPending()) << c.what;
    }
}

TEST(AnsiChunkDecoder, WholeChunksConvertAsTheyCome)
{
    AnsiChunkDecoder decoder(936);
    EXPECT_EQ(L"ok \x4E2D\x6587\r\n", DecodeAll(decoder, {std::string("ok ") + kZhongWen + "\r\n"}));
    EXPECT_FALSE(decoder.HasPending());
    EXPECT_EQ(L"", decoder.Decode("", 0));
}

TEST(AnsiChunkDecoder, CharacterSplitAcrossChunksIsShownWhole)
{
    AnsiChunkDecoder decoder(936);
    EXPECT_EQ(L"a", decoder.Decode("a\xD6", 2));
    EXPECT_TRUE(decoder.HasPending());
    EXPECT_EQ(L"\x4E2D"
              L"b",
        decoder.Decode("\xD0"
                       "b",
            2));
    EXPECT_FALSE(decoder.HasPending());
}

TEST(AnsiChunkDecoder, TrailByteThatLooksLikeALeadIsNotHeldBack)
{
    AnsiChunkDecoder decoder(936);
    // D6 D0 is one character; the next D6 starts another that is cut.
    EXPECT_EQ(L"\x4E2D", DecodeAll(decoder, {"\xD6\xD0\xD6"}));
    EXPECT_EQ(L"\x4E2D", DecodeAll(decoder, {"\xD0"}));
}

TEST(AnsiChunkDecoder, EverySplitPointOfAMixedLineGivesTheSameText)
{
    const std::string line = std::string("R\xD6\xD0: ") + kZhongWen + "x\xCE\xC4\r\n";
    AnsiChunkDecoder whole(936);
    const std::wstring expected = whole.Decode(line.data(), line.size());
    for (size_t cut = 0; cut <= line.size(); ++cut) {
        AnsiChunkDecoder decoder(936);
        std::wstring text = decoder.Decode(line.data(), cut);
        text += decoder.Decode(line.data() + cut, line.size() - cut);
        text += decoder.Flush();
        EXPECT_EQ(expected, text) << "cut at " << cut;
    }
}

TEST(AnsiChunkDecoder, ZeroBytesAreDroppedAndTheRestIsKept)
{
    AnsiChunkDecoder decoder(936);
    const char chunk[] = "before\0after\0\0end";
    EXPECT_EQ(L"beforeafterend", decoder.Decode(chunk, sizeof(chunk) - 1));
    const char chinese[] = "\xD6\xD0\0\xCE\xC4";
    EXPECT_EQ(L"\x4E2D\x6587", decoder.Decode(chinese, sizeof(chinese) - 1));
}

TEST(AnsiChunkDecoder, LeadByteBeforeAZeroIsNotJoinedWithWhatFollows)
{
    AnsiChunkDecoder decoder(936);
    const char chunk[] = "\xD6\0A";
    const std::wstring text = decoder.Decode(chunk, 3);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(L'A', text.back());
    EXPECT_EQ(2u, text.size()) << "the orphaned lead byte shows as one character of its own";
    EXPECT_FALSE(decoder.HasPending());
}

TEST(AnsiChunkDecoder, FlushShowsAHeldByteInsteadOfDroppingIt)
{
    AnsiChunkDecoder decoder(936);
    EXPECT_EQ(L"end", decoder.Decode("end\xD6", 4));
    const std::wstring rest = decoder.Flush();
    EXPECT_EQ(1u, rest.size());
    EXPECT_FALSE(decoder.HasPending());
    EXPECT_EQ(L"", decoder.Flush());
}

} // namespace
