#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The flood's output: line n (counting from 1) is "flood ", n as eight
// digits, a blank, letters and "\r\n", 64 bytes in all, so a megabyte is
// exactly 16,384 lines and the log's length after a flood is known in
// advance. The letters start one further on for each line, so no two
// neighbouring lines look alike.
class FloodText {
public:
    static constexpr size_t kLineBytes = 64;

    static std::string Line(std::uint32_t number);
    // count whole lines from line `first` on, into out (count * kLineBytes bytes).
    static void Lines(std::uint32_t first, size_t count, char* out);
    // The bytes of the whole lines that fit in that many megabytes.
    static std::uint64_t BytesFor(double megabytes);
};
