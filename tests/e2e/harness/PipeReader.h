#pragma once

#include <UniqueAny.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

// The read end of an anonymous pipe a child writes to, and the ways the kit
// reads one: without ever waiting (a test polling a running tool), to the end
// with plain reads (the reference reader of the benchmark), and to the end by
// the rule Tarrow's runner follows (a peek, then a read of at most what the
// peek showed). The pipe has ended once every writer has gone.
class PipeReader {
public:
    // Makes a pipe of that size (0: the platform's default, 4 KB): the
    // reader gets the read end, which no child inherits; childEnd the write
    // end, inheritable.
    static bool make(PipeReader& reader, UniqueHandle& childEnd, DWORD size = 0);

    bool ended() const { return !pipe_; }

    // Appends whatever is waiting; false when nothing was, or the pipe ended.
    bool readAvailable(std::string& sink);
    // ReadFile `chunk` bytes at a time until the pipe ends or `limit` bytes
    // are in; the bytes read, kept in sink if there is one.
    std::uint64_t readToEnd(std::size_t chunk, std::string* sink = nullptr, std::uint64_t limit = UINT64_MAX);
    // PeekNamedPipe of at most `chunk` bytes, then a ReadFile of what the peek
    // showed, until the pipe ends; a pipe found empty is looked at again after
    // a millisecond's sleep.
    std::uint64_t readToEndPeeking(std::size_t chunk, std::string* sink = nullptr);

private:
    // One ReadFile of at most `wanted` bytes, counted into total and kept in
    // sink if there is one; a failed read means the pipe has ended.
    bool readInto(std::vector<char>& buffer, DWORD wanted, std::string* sink, std::uint64_t& total);

    UniqueHandle pipe_;
};

} // namespace e2e
