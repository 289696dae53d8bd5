#include "FillerText.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tooldouble {

FillerText::FillerText(std::uint64_t totalBytes, unsigned width)
    : remaining_(totalBytes)
    , width_(std::max(width, kMinWidth))
{
}

void FillerText::nextLine()
{
    ++lineNumber_;
    std::uint64_t length = std::min<std::uint64_t>(width_, remaining_);
    if (remaining_ - length == 1)
        ++length;
    remaining_ -= length;
    pendingOffset_ = 0;
    if (length == 1) {
        pending_.assign(1, '\n');
        return;
    }
    // Built in place: a benchmark floods megabytes of these.
    char number[32];
    const int prefix
        = std::snprintf(number, sizeof number, "filler %08llu ", static_cast<unsigned long long>(lineNumber_));
    const std::size_t body = static_cast<std::size_t>(length - 2);
    pending_.assign(body, static_cast<char>('a' + (lineNumber_ - 1) % 26));
    pending_.replace(0, std::min<std::size_t>(body, static_cast<std::size_t>(prefix)), number,
        std::min<std::size_t>(body, static_cast<std::size_t>(prefix)));
    pending_ += "\r\n";
}

std::size_t FillerText::fill(char* out, std::size_t capacity)
{
    std::size_t filled = 0;
    while (filled < capacity && !done()) {
        if (pendingOffset_ == pending_.size())
            nextLine();
        const std::size_t n = std::min(capacity - filled, pending_.size() - pendingOffset_);
        std::memcpy(out + filled, pending_.data() + pendingOffset_, n);
        pendingOffset_ += n;
        filled += n;
    }
    return filled;
}

std::string FillerText::take(std::size_t maxBytes)
{
    std::string chunk(maxBytes, '\0');
    chunk.resize(fill(chunk.data(), maxBytes));
    return chunk;
}

std::string FillerText::all(std::uint64_t totalBytes, unsigned width)
{
    return FillerText(totalBytes, width).take(static_cast<std::size_t>(totalBytes));
}

} // namespace tooldouble
