#include <CaseFold.h>
#include <LogSearch.h>

#include <gtest/gtest.h>

#include <windows.h>

#include <random>
#include <string>
#include <vector>

namespace {

// Pieces of at most 8 characters and 2 lines: most line breaks below are
// piece boundaries too.
LogText TextInSmallPieces(const std::wstring& chars)
{
    LogText::Limits limits;
    limits.pieceChars = 8;
    limits.pieceLines = 2;
    LogText text(limits);
    EXPECT_TRUE(text.Append(chars));
    return text;
}

constexpr size_t kEnd = static_cast<size_t>(-1);
constexpr size_t kNone = static_cast<size_t>(-2);

TEST(LogSearch, FindsWhereverTheMatchLiesUpAndDown)
{
    const std::wstring log = L"error one\r\nok\r\nhi\r\nERROR two\r\nlast line\rx\r\nＴａｒｒｏｗ σΣ end";
    struct Case {
        const char* what;
        std::wstring text;
        bool matchCase;
        bool up;
        size_t from; // kEnd: the end of the log
        size_t start; // kNone: not found
    };
    const Case cases[] = {
        {"at the very start", L"error", true, false, 0, 0},
        {"at the very end", L"end", true, true, kEnd, 53},
        {"down from a match's end skips it", L"error", false, false, 5, 19},
        {"up from a match's start skips it", L"error", false, true, 19, 0},
        {"up takes a match ending right at from", L"ok", true, true, 13, 11},
        {"up leaves a match ending after from", L"ok", true, true, 12, kNone},
        {"down leaves a match starting before from", L"two", true, false, 26, kNone},
        {"match case tells the cases apart", L"ERROR", true, false, 0, 19},
        {"without it, they fold", L"ERROR", false, false, 0, 0},
        {"cases more than a bit apart fold too", L"Σ", false, false, 0, 50},
        {"and with match case, they do not", L"Σ", true, false, 0, 51},
        {"full-width letters fold too", L"ｔａｒｒｏｗ", false, true, kEnd, 43},
        {"full-width letters with match case", L"ｔａｒｒｏｗ", true, true, kEnd, kNone},
        {"across piece boundaries, down", L"one\r\nok\r\nhi", true, false, 0, 6},
        {"across piece boundaries, up", L"ok\r\nhi\r\nerror", false, true, kEnd, 11},
        {"a lone carriage return within a line", L"line\rx", true, false, 0, 35},
        {"a carriage return that starts a line break", L"two\r", true, false, 0, 25},
        {"a line feed that ends one", L"\nok", true, true, kEnd, 10},
        {"never two lines of a piece run together", L"okhi", false, false, 0, kNone},
        {"not in the log at all", L"warning", false, false, 0, kNone},
        {"nothing to look for", L"", false, false, 0, kNone},
    };
    const LogText text = TextInSmallPieces(log);
    ASSERT_NE(text.BlockOfPosition(6), text.BlockOfPosition(11)) << "\"one\" and \"ok\" in one piece";
    ASSERT_EQ(text.BlockOfPosition(11), text.BlockOfPosition(15)) << "\"ok\" and \"hi\" in two pieces";
    for (const Case& c : cases) {
        const size_t from = c.from == kEnd ? log.size() : c.from;
        const auto found = LogSearch(text).Find(SearchQuery{c.text, c.matchCase, c.up}, from);
        if (c.start == kNone) {
            EXPECT_FALSE(found.has_value()) << c.what << ": found at " << found->Start();
            continue;
        }
        ASSERT_TRUE(found.has_value()) << c.what;
        EXPECT_EQ(found->Start(), c.start) << c.what;
        EXPECT_EQ(found->End(), c.start + c.text.size()) << c.what;
    }
}

// Against a plain search of the raw text, on random texts of few letters and
// many breaks and pieces of all sizes: with match case, against find and
// rfind; without it, against the platform's comparison that ignores case, at
// every place, over letters whose cases differ by a bit, by more, and that
// have three forms.
TEST(LogSearch, AgreesWithAPlainSearchOfTheWholeText)
{
    std::mt19937 random(20261209);
    const wchar_t alphabet[] = L"ab\r\nAB\u03c3\u03a3\u03c2\uff41\uff21";
    // Over the whole alphabet, or (for text within lines) over its letters.
    const auto randomText = [&](size_t length, bool breaks, bool cases) {
        std::wstring text;
        while (text.size() < length) {
            const wchar_t unit = alphabet[random() % (cases ? 11 : 4)];
            if (breaks || (unit != L'\r' && unit != L'\n'))
                text.push_back(unit);
        }
        return text;
    };
    for (int round = 0; round < 2000; ++round) {
        const bool matchCase = round % 2 == 0;
        const std::wstring raw = randomText(random() % 60, true, !matchCase);
        LogText::Limits limits;
        limits.pieceChars = 1 + random() % 64;
        limits.pieceLines = 2 + random() % 4;
        LogText text(limits);
        ASSERT_TRUE(text.Append(raw));
        const std::wstring needle = randomText(1 + random() % 4, round % 4 < 2, !matchCase);
        const size_t from = random() % (raw.size() + 1);
        const bool up = random() % 2 == 0;

        const auto matchesAt = [&](size_t at) {
            return ::CompareStringOrdinal(raw.data() + at, static_cast<int>(needle.size()), needle.data(),
                       static_cast<int>(needle.size()), matchCase ? FALSE : TRUE)
                == CSTR_EQUAL;
        };
        size_t expected = std::wstring::npos;
        if (needle.size() <= raw.size()) {
            if (up) {
                for (size_t at = std::min(from, raw.size()) + 1; at-- > 0;) {
                    if (at + needle.size() <= from && matchesAt(at)) {
                        expected = at;
                        break;
                    }
                }
            } else {
                for (size_t at = from; at + needle.size() <= raw.size() && expected == std::wstring::npos; ++at) {
                    if (matchesAt(at))
                        expected = at;
                }
            }
        }
        const auto found = LogSearch(text).Find(SearchQuery{needle, matchCase, up}, from);
        ASSERT_EQ(found.has_value(), expected != std::wstring::npos)
            << "round " << round << (up ? ", up" : ", down") << (matchCase ? ", match case" : ", any case") << " from "
            << from;
        if (found) {
            ASSERT_EQ(found->Start(), expected) << "round " << round;
        }
    }
}

// The table as it is made, and as it is made where the platform will not map
// the units in bulk: a search that ignores case must not stop doing so.
TEST(CaseFold, FoldsAsThePlatformComparesIgnoringCase)
{
    const std::vector<wchar_t> slower = CaseFold::Make([](const wchar_t*, int, wchar_t*) { return 0; });
    const std::pair<const char*, const wchar_t*> tables[]
        = {{"the table", CaseFold::Table()}, {"the table made the slower way", slower.data()}};
    for (const auto& [what, fold] : tables) {
        for (size_t unit = 0; unit < 0x10000; ++unit) {
            const wchar_t c = static_cast<wchar_t>(unit);
            ASSERT_EQ(::CompareStringOrdinal(&c, 1, &fold[unit], 1, TRUE), CSTR_EQUAL) << what << ": unit " << unit;
        }
        const std::pair<wchar_t, wchar_t> alike[] = {{L'a', L'A'}, {L'ｚ', L'Ｚ'}, {L'é', L'É'}, {L'σ', L'Σ'}};
        for (const auto& [lower, upper] : alike)
            EXPECT_EQ(fold[lower], fold[upper]) << what << ": " << static_cast<int>(lower);
        EXPECT_NE(fold[L'a'], fold[L'b']) << what;
        EXPECT_NE(fold[L'a'], fold[L'ａ']) << what << ": full-width letters are other letters";
    }
}

} // namespace
