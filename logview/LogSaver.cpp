#include "LogSaver.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <string_view>
#include <vector>

namespace {

// UTF-8 from the log's pieces as they are kept, line breaks put back between
// their lines, into a buffer that is written out whenever it is nearly full:
// no copy of the text on the way. A unit that is half of no pair becomes
// U+FFFD, as the platform's conversion makes it.
class Utf8Writer {
public:
    Utf8Writer(AtomicFile& file, std::vector<char>& buffer)
        : m_file(file)
        , m_buffer(buffer)
    {
    }

    bool Put(std::wstring_view units)
    {
        for (size_t i = 0; i < units.size();) {
            // As many units as surely fit, at most three bytes each (a pair
            // is four for two), one byte spare for a pair that ends the run.
            const size_t room = (m_buffer.size() - m_used - 1) / 3;
            if (room < 2) {
                if (!Flush())
                    return false;
                continue;
            }
            const size_t end = std::min(units.size(), i + room);
            char* out = m_buffer.data() + m_used;
            for (; i < end; ++i) {
                // Log text is mostly ASCII: four units at a time while it is.
                while (end - i >= 4) {
                    std::uint64_t four = 0;
                    std::memcpy(&four, units.data() + i, sizeof four);
                    if ((four & 0xFF80FF80FF80FF80u) != 0)
                        break;
                    out[0] = static_cast<char>(four);
                    out[1] = static_cast<char>(four >> 16);
                    out[2] = static_cast<char>(four >> 32);
                    out[3] = static_cast<char>(four >> 48);
                    out += 4;
                    i += 4;
                }
                if (i == end)
                    break;
                const unsigned unit = units[i];
                if (unit < 0x80) {
                    *out++ = static_cast<char>(unit);
                } else if (unit < 0x800) {
                    *out++ = static_cast<char>(0xC0 | unit >> 6);
                    *out++ = static_cast<char>(0x80 | (unit & 0x3F));
                } else if (IS_HIGH_SURROGATE(unit) && i + 1 < units.size() && IS_LOW_SURROGATE(units[i + 1])) {
                    const unsigned point = 0x10000 + ((unit - 0xD800) << 10) + (units[++i] - 0xDC00);
                    *out++ = static_cast<char>(0xF0 | point >> 18);
                    *out++ = static_cast<char>(0x80 | (point >> 12 & 0x3F));
                    *out++ = static_cast<char>(0x80 | (point >> 6 & 0x3F));
                    *out++ = static_cast<char>(0x80 | (point & 0x3F));
                } else {
                    const unsigned point = unit >= 0xD800 && unit <= 0xDFFF ? 0xFFFD : unit;
                    *out++ = static_cast<char>(0xE0 | point >> 12);
                    *out++ = static_cast<char>(0x80 | (point >> 6 & 0x3F));
                    *out++ = static_cast<char>(0x80 | (point & 0x3F));
                }
            }
            m_used = static_cast<size_t>(out - m_buffer.data());
        }
        return true;
    }

    // A few bytes of UTF-8 as they are: the byte-order mark, a line break.
    bool PutBytes(std::string_view bytes)
    {
        if (m_buffer.size() - m_used < bytes.size() && !Flush())
            return false;
        std::memcpy(m_buffer.data() + m_used, bytes.data(), bytes.size());
        m_used += bytes.size();
        return true;
    }

    bool Flush()
    {
        const bool written = m_file.Write(m_buffer.data(), m_used);
        m_used = 0;
        return written;
    }

private:
    AtomicFile& m_file;
    std::vector<char>& m_buffer;
    size_t m_used = 0;
};

} // namespace

DWORD LogSaver::SaveTo(const std::wstring& path) const
{
    std::vector<char> buffer;
    try {
        buffer.resize(kBufferBytes);
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    AtomicFile file(path, m_writer);
    if (!file.Open())
        return file.LastError();
    Utf8Writer out(file, buffer);
    bool written = out.PutBytes("\xEF\xBB\xBF"); // the byte-order mark
    for (size_t b = 0; written && b < m_text.BlockCount(); ++b) {
        const LogText::Block block = m_text.BlockAt(b);
        for (size_t line = 0; written && line < block.lineCount; ++line) {
            const size_t start = block.lineStarts[line];
            written = out.Put(block.chars.substr(start, block.LineEnd(line) - start));
            if (written && (line + 1 < block.lineCount || b + 1 < m_text.BlockCount()))
                written = out.PutBytes("\r\n");
        }
    }
    if (!written || !out.Flush() || !file.Commit())
        return file.LastError();
    return ERROR_SUCCESS;
}
