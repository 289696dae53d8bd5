#include "Burner.h"

#include "ConsoleWriter.h"
#include "DatFile.h"
#include "DeviceCatalog.h"
#include "DeviceMemory.h"
#include "TextFormat.h"
#include "WholeFile.h"

#include <SystemMessage.h>

#include <windows.h>

#include <algorithm>
#include <utility>

namespace {

// Room for the largest part plus segment headers; anything bigger is not ours.
constexpr std::size_t kMaxDatSize = 4u * 1024 * 1024;

// Ascending start addresses of every page that holds at least one data byte.
std::vector<std::uint32_t> pagesWithData(const Design& design, std::uint32_t pageSize)
{
    std::vector<std::uint32_t> pages;
    for (const Segment& s : design.segments) {
        const std::uint32_t last = static_cast<std::uint32_t>(s.end() - 1);
        for (std::uint32_t page = s.address / pageSize * pageSize; page <= last; page += pageSize) {
            if (pages.empty() || pages.back() != page)
                pages.push_back(page);
        }
    }
    return pages;
}

bool looksLikeText(const std::vector<std::uint8_t>& bytes)
{
    const std::size_t n = bytes.size() < 64 ? bytes.size() : 64;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t c = bytes[i];
        if (c < 0x20 && c != '\t' && c != '\r' && c != '\n')
            return false;
    }
    return n > 0;
}

} // namespace

Burner::Burner(ConsoleWriter& out, SimSettings settings)
    : out_(out)
    , settings_(std::move(settings))
{
}

int Burner::run(const std::vector<std::wstring>& args)
{
    out_.line(L"burnkit 器件模拟器 1.0");
    const std::optional<BurnCommand> command = BurnCommand::parse(args);
    if (!command) {
        out_.line(args.empty() ? L"错误：缺少参数。" : L"错误：参数不正确。");
        return fail(L"用法：burnkit -aprogram|-averify|-aerase <文件.dat>", kUsage);
    }
    for (const std::wstring& warning : settings_.warnings)
        out_.line(warning);

    out_.line(L"操作：" + command->actionName());
    out_.line(L"数据文件：" + command->datPath);
    Design design;
    if (!loadDat(command->datPath, design))
        return kFailed;

    const DeviceInfo* device = DeviceCatalog::find(design.device);
    if (!settings_.attachedDevice.empty() && settings_.attachedDevice != widenAscii(design.device)) {
        out_.line(L"连接的器件：" + settings_.attachedDevice);
        return fail(L"错误：数据文件用于器件 " + widenAscii(design.device) + L"，与连接的器件不符。");
    }
    addressDigits_ = device->size > 0x10000 ? 5 : 4;
    out_.line(L"器件 " + widenAscii(design.device) + L"（" + std::to_wstring(device->size / 1024) + L" KB），设计 "
        + widenAscii(design.name) + L"，数据 " + std::to_wstring(design.dataSize()) + L" 字节。");

    DeviceMemory memory;
    if (!openMemory(memory, *device, command->action == BurnAction::Erase))
        return kFailed;

    switch (command->action) {
    case BurnAction::Program:
        return program(design, *device, memory);
    case BurnAction::Verify:
        return verify(design, *device, memory);
    case BurnAction::Erase:
        return erase(*device, memory);
    }
    return kFailed;
}

bool Burner::loadDat(const std::wstring& path, Design& design)
{
    const WholeFile file = WholeFile::read(path, kMaxDatSize);
    switch (file.status) {
    case FileStatus::Ok:
        break;
    case FileStatus::NotFound:
        fail(L"错误：找不到数据文件。");
        return false;
    case FileStatus::IsDirectory:
        fail(L"错误：数据文件路径是一个文件夹。");
        return false;
    case FileStatus::TooLarge:
        fail(L"错误：数据文件太大，不是 DAT 文件。");
        return false;
    case FileStatus::Failed:
        fail(L"错误：无法读取数据文件（" + SystemMessage(file.error) + L"）。");
        return false;
    }

    DatResult dat = DatFile::decode(file.bytes.data(), file.bytes.size());
    if (!dat.ok()) {
        out_.line(L"错误：数据文件无效：" + dat.reason());
        if (dat.error == DatError::NotDat && looksLikeText(file.bytes))
            fail(L"提示：这似乎是文本文件，STP 文件需先用 stpconv 转换为 DAT 文件。");
        else
            fail(L"数据文件检查未通过。");
        return false;
    }
    out_.line(L"数据文件检查通过，CRC-32 " + hexNumber(dat.payloadCrc, 8) + L"。");
    design = std::move(dat.design);
    return true;
}

bool Burner::openMemory(DeviceMemory& memory, const DeviceInfo& device, bool acceptDamaged)
{
    out_.line(L"正在连接器件...");
    const DeviceMemory::Status status = memory.open(settings_.deviceDir, device);
    switch (status) {
    case DeviceMemory::Status::Ok:
        return true;
    case DeviceMemory::Status::WrongSize:
        if (acceptDamaged)
            return true;
        out_.line(L"器件存储：" + memory.path());
        fail(L"错误：器件存储文件已损坏，请先擦除。");
        return false;
    case DeviceMemory::Status::FolderFailed:
        out_.line(L"器件存储文件夹：" + settings_.deviceDir);
        fail(L"错误：无法创建器件存储文件夹（" + SystemMessage(memory.lastError()) + L"）。");
        return false;
    case DeviceMemory::Status::Busy:
        fail(L"错误：器件正被另一个程序使用。");
        return false;
    case DeviceMemory::Status::Failed:
        out_.line(L"器件存储：" + memory.path());
        fail(L"错误：无法访问器件（" + SystemMessage(memory.lastError()) + L"）。");
        return false;
    }
    return false;
}

int Burner::program(const Design& design, const DeviceInfo& device, DeviceMemory& memory)
{
    out_.line(L"正在查空...");
    if (!memory.isBlank())
        return fail(L"错误：器件非空，请先擦除。");

    std::vector<std::uint8_t> image(device.size, DeviceMemory::kBlank);
    for (const Segment& s : design.segments)
        std::copy(s.bytes.begin(), s.bytes.end(), image.begin() + s.address);

    const std::vector<std::uint32_t> pages = pagesWithData(design, device.pageSize);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        step(L"正在编程", pages[i], device.pageSize, i, pages.size());
        if (!memory.write(pages[i], image.data() + pages[i], device.pageSize))
            return fail(L"错误：写入器件失败（" + SystemMessage(memory.lastError()) + L"）。");
    }
    if (!memory.flush())
        return fail(L"错误：写入器件失败（" + SystemMessage(memory.lastError()) + L"）。");
    out_.line(
        L"共写入 " + std::to_wstring(pages.size()) + L" 页，" + std::to_wstring(design.dataSize()) + L" 字节数据。");
    out_.line(L"编程完成。");
    return kOk;
}

int Burner::verify(const Design& design, const DeviceInfo& device, DeviceMemory& memory)
{
    const std::vector<std::uint8_t>& actual = memory.contents();
    const std::vector<std::uint32_t> pages = pagesWithData(design, device.pageSize);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        step(L"正在校验", pages[i], device.pageSize, i, pages.size());
        // Pages and segments are both ascending, so the first difference found
        // is the lowest differing address.
        const std::uint64_t pageEnd = std::uint64_t{pages[i]} + device.pageSize;
        for (const Segment& s : design.segments) {
            const std::uint64_t from = std::max<std::uint64_t>(s.address, pages[i]);
            const std::uint64_t to = std::min(s.end(), pageEnd);
            for (std::uint64_t a = from; a < to; ++a) {
                const std::uint8_t want = s.bytes[static_cast<std::size_t>(a - s.address)];
                const std::uint8_t got = actual[static_cast<std::size_t>(a)];
                if (want != got)
                    return fail(L"校验失败：地址 " + address(static_cast<std::uint32_t>(a)) + L" 处数据不一致（应为 "
                        + hexNumber(want, 2) + L"，读出 " + hexNumber(got, 2) + L"）。");
            }
        }
    }
    out_.line(L"已校验 " + std::to_wstring(design.dataSize()) + L" 字节数据。");
    out_.line(L"校验通过。");
    return kOk;
}

int Burner::erase(const DeviceInfo& device, DeviceMemory& memory)
{
    const std::uint32_t sectors = device.size / device.sectorSize;
    for (std::uint32_t i = 0; i < sectors; ++i) {
        const std::uint32_t start = i * device.sectorSize;
        step(L"正在擦除", start, device.sectorSize, i, sectors);
        if (!memory.erase(start, device.sectorSize))
            return fail(L"错误：擦除失败（" + SystemMessage(memory.lastError()) + L"）。");
    }
    if (!memory.trimToDevice() || !memory.flush())
        return fail(L"错误：擦除失败（" + SystemMessage(memory.lastError()) + L"）。");
    out_.line(L"擦除完成。");
    return kOk;
}

void Burner::step(const wchar_t* verb, std::uint32_t first, std::uint32_t size, std::size_t index, std::size_t count)
{
    const std::size_t percent = (index + 1) * 100 / count;
    out_.line(std::wstring(verb) + L" " + address(first) + L"-" + address(first + size - 1) + L" ... "
        + std::to_wstring(percent) + L"%");
    if (settings_.stepMs > 0)
        Sleep(settings_.stepMs);
}

std::wstring Burner::address(std::uint32_t value) const
{
    return hexNumber(value, addressDigits_);
}

int Burner::fail(const std::wstring& message, int exitCode)
{
    out_.line(message);
    return exitCode;
}
