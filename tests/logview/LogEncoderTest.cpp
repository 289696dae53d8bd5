#include <LogEncoder.h>

#include <Encoding.h>

#include <gtest/gtest.h>

#include <windows.h>

#include <random>
#include <string>
#include <vector>

namespace {

using testkit::encoding::toUtf8;

constexpr char kGuard = '\x5A';
constexpr size_t kGuardBytes = 16;

// Everything the encoder makes of the text up to end, buffer by buffer of
// room bytes, each buffer followed by guard bytes that must stay untouched.
std::string EncodeAll(const LogText& text, size_t end, size_t room, std::string& fault)
{
    LogEncoder encoder(text, end);
    std::string all;
    std::vector<char> buffer(room + kGuardBytes, kGuard);
    while (!encoder.Done()) {
        const size_t filled = encoder.Fill(buffer.data(), room);
        if (filled > room || buffer[room] != kGuard || buffer.back() != kGuard) {
            fault = "wrote past its buffer of " + std::to_string(room) + " bytes";
            return all;
        }
        if (filled == 0) {
            fault = "made no progress at position " + std::to_string(encoder.Position());
            return all;
        }
        all.append(buffer.data(), filled);
    }
    return all;
}

LogText InPieces(const std::wstring& chars, size_t pieceChars)
{
    LogText::Limits limits;
    limits.pieceChars = pieceChars;
    LogText text(limits);
    EXPECT_TRUE(text.Append(chars));
    return text;
}

// Each kind of character ends exactly where the first buffer ends, and then
// one byte short of it, and so on to eight bytes short; the rest follows.
TEST(LogEncoder, FillsEachBufferToItsEdgeAndNeverPast)
{
    constexpr size_t kRoom = 40;
    struct Edge {
        const char* what;
        std::wstring chars;
        size_t bytes;
    };
    const Edge edges[] = {
        {"an ASCII character", L"a", 1},
        {"a character of two bytes", L"é", 2},
        {"a character of three bytes", L"记", 3},
        {"a surrogate pair", L"\U0001F600", 4},
        {"a line break", L"\r\n", 2},
        {"half of no pair", L"\xD83D", 3},
    };
    const std::wstring rest = L"记录 é\U0001F600\r\nx\xDE00y\r\n第二行";
    for (const Edge& edge : edges) {
        for (size_t shortBy = 0; shortBy <= 8; ++shortBy) {
            const std::wstring chars = std::wstring(kRoom - shortBy - edge.bytes, L'x') + edge.chars + rest + rest;
            const LogText text = InPieces(chars, 16);
            std::string fault;
            const std::string bytes = EncodeAll(text, text.Length(), kRoom, fault);
            EXPECT_EQ(fault, "") << edge.what << ", " << shortBy << " bytes short of the edge";
            EXPECT_TRUE(bytes == toUtf8(chars)) << edge.what << ", " << shortBy << " bytes short of the edge";
        }
    }
}

// Against the platform's conversion, on random texts of every kind of
// character, in pieces and buffers of all small sizes, up to an end that
// may lie anywhere in the text, the middle of a pair included.
TEST(LogEncoder, AgreesWithThePlatformsConversion)
{
    std::mt19937 random(20261210);
    const std::wstring kinds[]
        = {L"a", L"Z", L" ", L"é", L"记", L"Ｔ", L"\U0001F600", L"\xD83D", L"\xDE00", L"\r\n", L"\r", L"\n"};
    for (int round = 0; round < 2000; ++round) {
        std::wstring chars;
        const size_t count = random() % 80;
        for (size_t i = 0; i < count; ++i)
            chars += kinds[random() % std::size(kinds)];
        const LogText text = InPieces(chars, 1 + random() % 32);
        const size_t end = round % 3 == 0 ? random() % (text.Length() + 1) : text.Length();
        const size_t room = LogEncoder::kLongestCharacter + random() % 40;
        std::string fault;
        const std::string bytes = EncodeAll(text, end, room, fault);
        ASSERT_EQ(fault, "") << "round " << round;
        ASSERT_TRUE(bytes == toUtf8(text.Text(0, end))) << "round " << round << ", end " << end << ", room " << room;
    }
}

} // namespace
