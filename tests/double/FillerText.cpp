#include "FillerText.h"

#include <algorithm>
#include <cstdio>

namespace tooldouble {

FillerText::FillerText(std::uint64_t totalBytes, unsigned width)
    : remaining_(totalBytes)
    , width_(std::max(width, kMinWidth))
{
}

std::string FillerText::nextLine()
{
    ++lineNumber_;
    char number[32];
    std::snprintf(number, sizeof number, "filler %08llu ", static_cast<unsigned long long>(lineNumber_));

    std::uint64_t length = std::min<std::uint64_t>(width_, remaining_);
    if (remaining_ - length == 1)
        ++length;
    if (length == 1)
        return "\n";

    std::string line(number);
    const std::size_t body = static_cast<std::size_t>(length - 2);
    const char pad = static_cast<char>('a' + (lineNumber_ - 1) % 26);
    line.resize(std::max(body, line.size()), pad);
    line.resize(body);
    line += "\r\n";
    return line;
}

std::string FillerText::take(std::size_t maxBytes)
{
    std::string chunk;
    while (chunk.size() < maxBytes && (remaining_ > 0 || pendingOffset_ < pending_.size())) {
        if (pendingOffset_ == pending_.size()) {
            pending_ = nextLine();
            pendingOffset_ = 0;
            remaining_ -= pending_.size();
        }
        const std::size_t n = std::min(maxBytes - chunk.size(), pending_.size() - pendingOffset_);
        chunk.append(pending_, pendingOffset_, n);
        pendingOffset_ += n;
    }
    return chunk;
}

std::string FillerText::all(std::uint64_t totalBytes, unsigned width)
{
    FillerText filler(totalBytes, width);
    std::string text;
    text.reserve(static_cast<std::size_t>(totalBytes));
    while (true) {
        std::string chunk = filler.take(1 << 16);
        if (chunk.empty())
            return text;
        text += chunk;
    }
}

} // namespace tooldouble
