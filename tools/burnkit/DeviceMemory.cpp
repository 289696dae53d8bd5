#include "DeviceMemory.h"

#include <algorithm>

DeviceMemory::Status DeviceMemory::open(const std::wstring& folder, const DeviceInfo& device)
{
    if (!CreateDirectoryW(folder.c_str(), nullptr)) {
        error_ = GetLastError();
        if (error_ != ERROR_ALREADY_EXISTS)
            return Status::FolderFailed;
    }
    path_ = folder;
    if (!path_.empty() && path_.back() != L'\\' && path_.back() != L'/')
        path_ += L'\\';
    for (const char* c = device.name; *c; ++c)
        path_ += static_cast<wchar_t>(*c);
    path_ += L".bin";

    // Readers are welcome, a second writer is not: that is a part in use.
    file_.reset(CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) {
        error_ = GetLastError();
        return error_ == ERROR_SHARING_VIOLATION ? Status::Busy : Status::Failed;
    }

    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file_.get(), &size)) {
        fail();
        return Status::Failed;
    }
    contents_.assign(device.size, kBlank);
    if (size.QuadPart == 0)
        return write(0, contents_.data(), device.size) ? Status::Ok : Status::Failed;
    if (size.QuadPart != static_cast<LONGLONG>(device.size))
        return Status::WrongSize;

    DWORD done = 0;
    while (done < device.size) {
        DWORD got = 0;
        if (!ReadFile(file_.get(), contents_.data() + done, device.size - done, &got, nullptr) || got == 0) {
            fail();
            return Status::Failed;
        }
        done += got;
    }
    return Status::Ok;
}

bool DeviceMemory::isBlank() const
{
    return std::all_of(contents_.begin(), contents_.end(), [](std::uint8_t b) { return b == kBlank; });
}

bool DeviceMemory::write(std::uint32_t address, const std::uint8_t* data, std::uint32_t size)
{
    LARGE_INTEGER at{};
    at.QuadPart = address;
    if (!SetFilePointerEx(file_.get(), at, nullptr, FILE_BEGIN))
        return fail();
    DWORD done = 0;
    while (done < size) {
        DWORD written = 0;
        if (!WriteFile(file_.get(), data + done, size - done, &written, nullptr) || written == 0)
            return fail();
        done += written;
    }
    if (data != contents_.data() + address)
        std::copy(data, data + size, contents_.begin() + address);
    return true;
}

bool DeviceMemory::erase(std::uint32_t address, std::uint32_t size)
{
    std::fill(contents_.begin() + address, contents_.begin() + address + size, kBlank);
    return write(address, contents_.data() + address, size);
}

bool DeviceMemory::trimToDevice()
{
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(contents_.size());
    if (!SetFilePointerEx(file_.get(), at, nullptr, FILE_BEGIN) || !SetEndOfFile(file_.get()))
        return fail();
    return true;
}

bool DeviceMemory::flush()
{
    return FlushFileBuffers(file_.get()) ? true : fail();
}

bool DeviceMemory::fail()
{
    error_ = GetLastError();
    return false;
}
