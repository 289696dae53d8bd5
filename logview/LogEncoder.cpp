#include "LogEncoder.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

constexpr char kBreak[] = "\r\n";

// One character of UTF-16: the units it spans and the bytes it takes.
struct Character {
    size_t units;
    size_t bytes;
};

// The character at units[i]; a pair only where both halves lie before count.
Character Measure(const wchar_t* units, size_t i, size_t count)
{
    const unsigned unit = units[i];
    if (unit < 0x80)
        return {1, 1};
    if (unit < 0x800)
        return {1, 2};
    if (IS_HIGH_SURROGATE(unit) && i + 1 < count && IS_LOW_SURROGATE(units[i + 1]))
        return {2, 4};
    return {1, 3};
}

char* Put(const wchar_t* units, size_t i, const Character& character, char* out)
{
    const unsigned unit = units[i];
    switch (character.bytes) {
    case 1:
        *out++ = static_cast<char>(unit);
        break;
    case 2:
        *out++ = static_cast<char>(0xC0 | unit >> 6);
        *out++ = static_cast<char>(0x80 | (unit & 0x3F));
        break;
    case 4: {
        const unsigned point = 0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00u);
        *out++ = static_cast<char>(0xF0 | point >> 18);
        *out++ = static_cast<char>(0x80 | (point >> 12 & 0x3F));
        *out++ = static_cast<char>(0x80 | (point >> 6 & 0x3F));
        *out++ = static_cast<char>(0x80 | (point & 0x3F));
        break;
    }
    default: {
        // Half of no pair: what the platform's conversion makes of it.
        const unsigned point = unit >= 0xD800 && unit <= 0xDFFF ? 0xFFFD : unit;
        *out++ = static_cast<char>(0xE0 | point >> 12);
        *out++ = static_cast<char>(0x80 | (point >> 6 & 0x3F));
        *out++ = static_cast<char>(0x80 | (point & 0x3F));
        break;
    }
    }
    return out;
}

// Encodes units[i, count) into [out, limit) as far as whole characters fit;
// returns the index of the first unit not encoded.
size_t EncodeUnits(const wchar_t* units, size_t i, size_t count, char*& out, const char* limit)
{
    while (i < count) {
        const size_t room = static_cast<size_t>(limit - out);
        // Units that surely fit at three bytes each, with one byte to spare
        // for a pair whose second half lies just past them.
        const size_t sure = room > 3 ? std::min(count - i, (room - 1) / 3) : 0;
        if (sure == 0) {
            // The last few bytes of the buffer: a character only if it fits whole.
            const Character character = Measure(units, i, count);
            if (character.bytes > room)
                break;
            out = Put(units, i, character, out);
            i += character.units;
            continue;
        }
        const size_t stop = i + sure;
        while (i < stop) {
            // Log text is mostly ASCII: four units at a time while it is.
            while (stop - i >= 4) {
                std::uint64_t four = 0;
                std::memcpy(&four, units + i, sizeof four);
                if ((four & 0xFF80FF80FF80FF80u) != 0)
                    break;
                out[0] = static_cast<char>(four);
                out[1] = static_cast<char>(four >> 16);
                out[2] = static_cast<char>(four >> 32);
                out[3] = static_cast<char>(four >> 48);
                out += 4;
                i += 4;
            }
            if (i == stop)
                break;
            const Character character = Measure(units, i, count);
            out = Put(units, i, character, out);
            i += character.units;
        }
    }
    return i;
}

} // namespace

size_t LogEncoder::Fill(char* out, size_t room)
{
    char* const begin = out;
    const char* const limit = out + room;
    // The text only grows while it is saved; should it have shrunk all the
    // same, what is gone is not read.
    const size_t end = std::min(m_end, m_text.Length());
    for (size_t b = m_text.BlockOfPosition(m_position); b < m_text.BlockCount() && m_position < end; ++b) {
        const LogText::Block block = m_text.BlockAt(b);
        for (size_t line = block.LineOf(std::max(m_position, block.firstPosition));
             line < block.lineCount && m_position < end; ++line) {
            const size_t start = block.lineStarts[line];
            const size_t length = block.LineEnd(line) - start;
            const size_t lineStart = block.Position(start, line);
            const size_t offset = m_position - lineStart;
            if (offset < length) {
                const size_t count = std::min(length, end - lineStart);
                const size_t stopped = EncodeUnits(block.chars.data() + start, offset, count, out, limit);
                m_position = lineStart + stopped;
                if (stopped < length)
                    return static_cast<size_t>(out - begin); // the buffer is full, or the text at its end
            }
            const bool hasBreak = line + 1 < block.lineCount || b + 1 < m_text.BlockCount();
            for (; hasBreak && m_position < end && m_position < lineStart + length + 2; ++m_position) {
                if (out == limit)
                    return static_cast<size_t>(out - begin);
                *out++ = kBreak[m_position - lineStart - length];
            }
        }
    }
    return static_cast<size_t>(out - begin);
}
