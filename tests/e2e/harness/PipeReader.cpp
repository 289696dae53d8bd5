#include "PipeReader.h"

#include <vector>

namespace e2e {

bool PipeReader::make(PipeReader& reader, UniqueHandle& childEnd, DWORD size)
{
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    UniqueHandle readEnd;
    if (!::CreatePipe(readEnd.put(), childEnd.put(), &inheritable, size))
        return false;
    reader.pipe_ = std::move(readEnd);
    return ::SetHandleInformation(reader.pipe_.get(), HANDLE_FLAG_INHERIT, 0) != FALSE;
}

bool PipeReader::readAvailable(std::string& sink)
{
    if (!pipe_)
        return false;
    DWORD available = 0;
    if (::PeekNamedPipe(pipe_.get(), nullptr, 0, nullptr, &available, nullptr) && available == 0)
        return false;
    // Either data is waiting or the pipe is broken; ReadFile tells which.
    char buffer[1 << 16];
    DWORD read = 0;
    if (!::ReadFile(pipe_.get(), buffer, sizeof buffer, &read, nullptr) || read == 0) {
        pipe_.reset();
        return false;
    }
    sink.append(buffer, read);
    return true;
}

bool PipeReader::readInto(std::vector<char>& buffer, DWORD wanted, std::string* sink, std::uint64_t& total)
{
    DWORD read = 0;
    if (!::ReadFile(pipe_.get(), buffer.data(), wanted, &read, nullptr)) {
        pipe_.reset();
        return false;
    }
    if (sink)
        sink->append(buffer.data(), read);
    total += read;
    return true;
}

std::uint64_t PipeReader::readToEnd(std::size_t chunk, std::string* sink, std::uint64_t limit)
{
    std::vector<char> buffer(chunk);
    std::uint64_t total = 0;
    while (pipe_ && total < limit) {
        const DWORD wanted = static_cast<DWORD>(limit - total < chunk ? limit - total : chunk);
        if (!readInto(buffer, wanted, sink, total))
            break;
    }
    return total;
}

std::uint64_t PipeReader::readToEndPeeking(std::size_t chunk, std::string* sink)
{
    std::vector<char> buffer(chunk);
    std::uint64_t total = 0;
    while (pipe_) {
        DWORD peeked = 0;
        if (!::PeekNamedPipe(pipe_.get(), buffer.data(), static_cast<DWORD>(chunk), &peeked, nullptr, nullptr)) {
            pipe_.reset();
            break;
        }
        if (peeked == 0)
            ::Sleep(1);
        else
            readInto(buffer, peeked, sink, total);
    }
    return total;
}

} // namespace e2e
