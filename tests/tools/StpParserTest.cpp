#include "DatFile.h"
#include "DeviceCatalog.h"
#include "StpParser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>

using namespace std::string_literals;

namespace {

const std::string kHeader = "DEVICE TRW8K\nDESIGN demo\n";

unsigned countLines(const std::string& text)
{
    const auto newlines = static_cast<unsigned>(std::count(text.begin(), text.end(), '\n'));
    return (!text.empty() && text.back() != '\n') ? newlines + 1 : newlines;
}

} // namespace

TEST(StpParser, ReadsHeaderCommentsAndRecordsInAnyOrder)
{
    const std::string text = "\xEF\xBB\xBF# sample\r\n"
                             "  ; indented comment, 中文注释\r\n"
                             "DEVICE TRW8K\r\n"
                             "DESIGN my_design-1.0\r\n"
                             "@10 aa bb\r\n"
                             "\t@0000\t01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10  \r\n"
                             "@1FFF ff\r\n"
                             "END\r\n"
                             "# trailing comment\r\n";
    const StpResult r = StpParser::parse(text);
    ASSERT_TRUE(r.ok()) << static_cast<int>(r.error) << " at line " << r.line;
    EXPECT_EQ(r.design.device, "TRW8K");
    EXPECT_EQ(r.design.name, "my_design-1.0");
    EXPECT_EQ(r.recordCount, 3u);
    // 0x0000-0x000F and 0x0010-0x0011 touch, so they become one segment.
    ASSERT_EQ(r.design.segments.size(), 2u);
    EXPECT_EQ(r.design.segments[0].address, 0u);
    ASSERT_EQ(r.design.segments[0].bytes.size(), 18u);
    EXPECT_EQ(r.design.segments[0].bytes[15], 0x10);
    EXPECT_EQ(r.design.segments[0].bytes[16], 0xAA);
    EXPECT_EQ(r.design.segments[1].address, 0x1FFFu);
    EXPECT_EQ(r.design.segments[1].bytes, std::vector<std::uint8_t>{0xFF});
    EXPECT_EQ(r.design.dataSize(), 19u);
}

struct BadStp {
    const char* what;
    std::string text;
    StpError error;
    unsigned line;
};

TEST(StpParser, RejectsEachKindOfBadInputAtTheRightLine)
{
    const std::string h = kHeader; // two lines
    const BadStp cases[] = {
        {"zero bytes", "", StpError::Empty, 1},
        {"blank lines only", "\n  \r\n\t\n", StpError::Empty, 1},
        {"NUL byte", h + "@0 01\n@1 0\x00 02\nEND\n"s, StpError::Binary, 4},
        {"binary after good lines", h + "@0 01\nEND\n\x01\x02", StpError::Binary, 5},
        {"bare CR", h + "@0 01\rEND\n", StpError::Binary, 3},
        {"line too long", h + "@0" + std::string(5000, ' ') + "01\nEND\n", StpError::LineTooLong, 3},
        {"record before header", "# c\n@0 01\n", StpError::MissingHeader, 2},
        {"no DESIGN", "DEVICE TRW8K\n@0 01\nEND\n", StpError::MissingHeader, 2},
        {"only comments", "# a\n; b\n", StpError::MissingHeader, 2},
        {"END before header", "END\n", StpError::MissingHeader, 1},
        {"second DEVICE", h + "DEVICE TRW32K\n", StpError::DuplicateHeader, 3},
        {"second DESIGN", h + "@0 01\nDESIGN x\n", StpError::DuplicateHeader, 4},
        {"DEVICE without name", "DEVICE\n", StpError::BadHeader, 1},
        {"DESIGN with two names", "DEVICE TRW8K\nDESIGN a b\n", StpError::BadHeader, 2},
        {"END with text", h + "@0 01\nEND now\n", StpError::BadHeader, 4},
        {"unknown device", "DEVICE TRW9K\n", StpError::UnknownDevice, 1},
        {"device in lower case", "DEVICE trw8k\n", StpError::UnknownDevice, 1},
        {"design name with slash", "DEVICE TRW8K\nDESIGN a/b\n", StpError::BadDesignName, 2},
        {"design name too long", "DEVICE TRW8K\nDESIGN " + std::string(32, 'x') + "\n", StpError::BadDesignName, 2},
        {"lower-case keyword", h + "end\n", StpError::UnknownRecord, 3},
        {"colon record", h + ":0 01\n", StpError::UnknownRecord, 3},
        {"@ alone", h + "@ 01\n", StpError::BadAddress, 3},
        {"address not hex", h + "@12G4 01\n", StpError::BadAddress, 3},
        {"address of nine digits", h + "@000000001 01\n", StpError::BadAddress, 3},
        {"byte not hex", h + "@0 01 0G\n", StpError::BadHex, 3},
        {"single digit", h + "@0 01 2\n", StpError::BadHex, 3},
        {"three digits", h + "@0 012\n", StpError::BadHex, 3},
        {"inline comment", h + "@0 01 ; x\n", StpError::BadHex, 3},
        {"address only", h + "@100\n", StpError::NoData, 3},
        {"past the end", h + "@1FFF 01 02\n", StpError::OutOfRange, 3},
        {"far past the end", h + "@FFFFFFFF 01\n", StpError::OutOfRange, 3},
        {"overlap with later record", h + "@10 01 02 03\n@12 04\n", StpError::Overlap, 4},
        {"overlap with earlier address", h + "@12 04\n@10 01 02 03\n", StpError::Overlap, 4},
        {"same address twice", h + "@0 01\n# c\n@0 01\n", StpError::Overlap, 5},
        {"record after END", h + "@0 01\nEND\n@1 02\n", StpError::AfterEnd, 5},
        {"cut off", h + "@0 01\n@1 02", StpError::MissingEnd, 4},
        {"no records", h + "END\n", StpError::NoRecords, 3},
    };
    for (const BadStp& c : cases) {
        SCOPED_TRACE(c.what);
        const StpResult r = StpParser::parse(c.text);
        EXPECT_EQ(r.error, c.error);
        EXPECT_EQ(r.line, c.line);
        EXPECT_EQ(r.reason().find(L"Done."), std::wstring::npos);
    }
}

TEST(StpParser, OverlapNamesTheOtherRecordAndBoundaryFits)
{
    const StpResult overlap = StpParser::parse(kHeader + "@20 01\n@10 01 02\n@1F 01 02\nEND\n");
    EXPECT_EQ(overlap.error, StpError::Overlap);
    EXPECT_EQ(overlap.line, 5u);
    EXPECT_EQ(overlap.otherLine, 3u);

    const std::string full = "DEVICE TRW8K\nDESIGN edge\n@1FFE 01 02\nEND\n";
    EXPECT_TRUE(StpParser::parse(full).ok());
}

// Mutated input must always end in a clean verdict: either a design the DAT
// writer accepts or an error pointing at a line of the input.
TEST(StpParser, SurvivesMutatedInput)
{
    std::string base = kHeader + "; data\n";
    for (int i = 0; i < 12; ++i) {
        char address[16];
        std::snprintf(address, sizeof address, "@%X ", 0x100 + i * 16);
        base += address + std::string("0A 1B 2C 3D 4E 5F 60 71\n");
    }
    base += "END\n";

    const std::string alphabet = "@ \t\n\r0123456789ABCDEFabcdefgxyz#;DEVICESIGNEND\x00\x01\xff"s;
    std::mt19937 rng(12345);
    auto pick = [&rng](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
    unsigned accepted = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text = base;
        const std::size_t edits = 1 + pick(4);
        for (std::size_t e = 0; e < edits && !text.empty(); ++e) {
            const std::size_t at = pick(text.size());
            switch (pick(4)) {
            case 0:
                text[at] = alphabet[pick(alphabet.size())];
                break;
            case 1:
                text.erase(at, 1 + pick(8));
                break;
            case 2:
                text.insert(at, 1, alphabet[pick(alphabet.size())]);
                break;
            default:
                text.resize(at);
                break;
            }
        }
        const StpResult r = StpParser::parse(text);
        if (!r.ok()) {
            ASSERT_GE(r.line, 1u) << text;
            ASSERT_LE(r.line, std::max(1u, countLines(text))) << text;
            continue;
        }
        ++accepted;
        const Design& d = r.design;
        const std::uint32_t size = DeviceCatalog::find(d.device)->size;
        for (std::size_t i = 0; i < d.segments.size(); ++i) {
            ASSERT_LE(d.segments[i].end(), size);
            if (i > 0) {
                ASSERT_GT(d.segments[i].address, d.segments[i - 1].end());
            }
        }
        const std::vector<std::uint8_t> dat = DatFile::encode(d);
        const DatResult back = DatFile::decode(dat.data(), dat.size());
        ASSERT_TRUE(back.ok());
        ASSERT_EQ(back.design, d);
    }
    // Some mutations (changed data digits, comment edits) must still parse.
    EXPECT_GT(accepted, 50u);
}
