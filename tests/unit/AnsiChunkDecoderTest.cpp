#include <AnsiChunkDecoder.h>

#include <gtest/gtest.h>

#include <string>

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

TEST(AnsiChunkDecoder, ResolvesTheThreadCodePageToChinese)
{
    AnsiChunkDecoder decoder;
    EXPECT_EQ(936u, decoder.CodePage()) << "the tests expect the prefix's ANSI code page 936";
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
