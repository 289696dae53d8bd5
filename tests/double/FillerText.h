#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tooldouble {

// The deterministic flood the double's "filler" command prints, so a test can
// rebuild exactly what should have arrived and spot a lost or doubled byte,
// and a benchmark knows the log's length after it in advance.
// Every line is `width` bytes: "filler 00000001 " padded with one letter per
// line ('a' for line 1, 'b' for line 2, ...) and ended by "\r\n". The last line
// is cut short so the total is exactly the requested size (a remainder of one
// byte widens the line before it instead, so every line still ends in "\r\n").
class FillerText {
public:
    static constexpr unsigned kDefaultWidth = 64;
    static constexpr unsigned kMinWidth = 2;

    FillerText(std::uint64_t totalBytes, unsigned width = kDefaultWidth);

    // Copies the next at most `capacity` bytes to out; how many, 0 once
    // everything was given.
    std::size_t fill(char* out, std::size_t capacity);
    // The same as a string; empty once everything was taken.
    std::string take(std::size_t maxBytes);
    bool done() const { return remaining_ == 0 && pendingOffset_ == pending_.size(); }

    // All of it at once, for tests that compare.
    static std::string all(std::uint64_t totalBytes, unsigned width = kDefaultWidth);

private:
    void nextLine();

    std::uint64_t remaining_;
    unsigned width_;
    std::uint64_t lineNumber_ = 0;
    std::string pending_;
    std::size_t pendingOffset_ = 0;
};

} // namespace tooldouble
