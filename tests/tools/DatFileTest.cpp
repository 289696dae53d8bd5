#include "DatFile.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

Design sampleDesign()
{
    Design d;
    d.device = "TRW8K";
    d.name = "unit";
    d.segments.push_back(Segment{0x0000, {0x01, 0x02, 0x03}});
    d.segments.push_back(Segment{0x0100, std::vector<std::uint8_t>(40, 0x5A)});
    d.segments.push_back(Segment{0x1FFE, {0xEE, 0xFF}});
    return d;
}

DatResult decode(const std::vector<std::uint8_t>& bytes)
{
    return DatFile::decode(bytes.data(), bytes.size());
}

} // namespace

TEST(DatFile, RoundTripsADesign)
{
    const Design d = sampleDesign();
    const std::vector<std::uint8_t> dat = DatFile::encode(d);
    EXPECT_EQ(std::memcmp(dat.data(), "TRWD", 4), 0);
    EXPECT_EQ(dat.size(), DatFile::kHeaderSize + 3 * 8 + 3 + 40 + 2);
    const DatResult r = decode(dat);
    ASSERT_TRUE(r.ok()) << static_cast<int>(r.error);
    EXPECT_EQ(r.design, d);
}

// Both checksums together leave no byte of the file unguarded.
TEST(DatFile, DetectsEverySingleByteCorruption)
{
    const std::vector<std::uint8_t> good = DatFile::encode(sampleDesign());
    for (std::size_t i = 0; i < good.size(); ++i) {
        for (int flip : {0x01, 0x80}) {
            std::vector<std::uint8_t> bad = good;
            bad[i] ^= static_cast<std::uint8_t>(flip);
            EXPECT_FALSE(decode(bad).ok()) << "byte " << i << " flip " << flip;
        }
    }
}

TEST(DatFile, ReportsWhyAFileIsRejected)
{
    const std::vector<std::uint8_t> good = DatFile::encode(sampleDesign());

    EXPECT_EQ(decode({}).error, DatError::Empty);
    EXPECT_EQ(decode({'T', 'R'}).error, DatError::Truncated);
    const std::string text = "DEVICE TRW8K\nDESIGN x\n";
    EXPECT_EQ(decode(std::vector<std::uint8_t>(text.begin(), text.end())).error, DatError::NotDat);

    for (std::size_t cut : {std::size_t{6}, DatFile::kHeaderSize - 1, DatFile::kHeaderSize, good.size() - 1}) {
        std::vector<std::uint8_t> shortened(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_EQ(decode(shortened).error, DatError::Truncated) << "cut at " << cut;
    }
    std::vector<std::uint8_t> longer = good;
    longer.push_back(0);
    EXPECT_EQ(decode(longer).error, DatError::TrailingData);

    std::vector<std::uint8_t> v2 = good;
    v2[4] = 2;
    EXPECT_EQ(decode(v2).error, DatError::UnsupportedVersion);

    std::vector<std::uint8_t> payload = good;
    payload.back() ^= 0xFF;
    EXPECT_EQ(decode(payload).error, DatError::PayloadCorrupt);

    std::vector<std::uint8_t> header = good;
    header[30] ^= 0x20;
    EXPECT_EQ(decode(header).error, DatError::HeaderCorrupt);
}

// Files that pass both checksums can still describe something no device has.
TEST(DatFile, RejectsWellFormedFilesForImpossibleData)
{
    Design unknown = sampleDesign();
    unknown.device = "TRW9K";
    EXPECT_EQ(decode(DatFile::encode(unknown)).error, DatError::UnknownDevice);

    Design overlapping = sampleDesign();
    overlapping.segments[1].address = 0x0002;
    EXPECT_EQ(decode(DatFile::encode(overlapping)).error, DatError::BadLayout);

    Design beyond = sampleDesign();
    beyond.segments[2].address = 0x1FFF;
    EXPECT_EQ(decode(DatFile::encode(beyond)).error, DatError::BadLayout);

    Design empty = sampleDesign();
    empty.segments.clear();
    EXPECT_THROW(DatFile::encode(empty), std::invalid_argument);
}
