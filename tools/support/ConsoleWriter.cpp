#include "ConsoleWriter.h"

#include <string>

ConsoleWriter::ConsoleWriter()
    : out_(GetStdHandle(STD_OUTPUT_HANDLE))
{
}

void ConsoleWriter::line(std::wstring_view text)
{
    if (out_ == nullptr || out_ == INVALID_HANDLE_VALUE)
        return;

    std::string bytes;
    if (!text.empty()) {
        const int wideLength = static_cast<int>(text.size());
        const int length = WideCharToMultiByte(CP_ACP, 0, text.data(), wideLength, nullptr, 0, nullptr, nullptr);
        if (length > 0) {
            bytes.resize(static_cast<std::size_t>(length));
            WideCharToMultiByte(CP_ACP, 0, text.data(), wideLength, bytes.data(), length, nullptr, nullptr);
        }
    }
    bytes += "\r\n";

    // A pipe may accept less than asked; a failure means the reader is gone,
    // and there is nobody left to tell.
    const char* p = bytes.data();
    DWORD left = static_cast<DWORD>(bytes.size());
    while (left > 0) {
        DWORD written = 0;
        if (!WriteFile(out_, p, left, &written, nullptr) || written == 0)
            return;
        p += written;
        left -= written;
    }
}
