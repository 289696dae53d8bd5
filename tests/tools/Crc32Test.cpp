#include "Crc32.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(Crc32, MatchesTheStandardCheckValue)
{
    const char* text = "123456789";
    EXPECT_EQ(Crc32::of(text, std::strlen(text)), 0xCBF43926u);
    EXPECT_EQ(Crc32::of(text, 0), 0u);
}

TEST(Crc32, PiecewiseUpdatesEqualOneShot)
{
    const char* text = "The quick brown fox jumps over the lazy dog";
    Crc32 crc;
    crc.update(text, 10);
    crc.update(text + 10, std::strlen(text) - 10);
    EXPECT_EQ(crc.value(), 0x414FA339u);
}
