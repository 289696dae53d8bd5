#include "Converter.h"

#include "ConsoleWriter.h"
#include "Crc32.h"
#include "DatFile.h"
#include "StpParser.h"
#include "TextFormat.h"
#include "WholeFile.h"

#include <AtomicFile.h>
#include <SystemMessage.h>

#include <windows.h>

namespace {

constexpr std::size_t kMaxInputSize = 16u * 1024 * 1024;

std::wstring fullPath(const std::wstring& path)
{
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return path;
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed)
        return path;
    full.resize(length);
    return full;
}

bool samePath(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE)
        == CSTR_EQUAL;
}

} // namespace

int Converter::run(const std::vector<std::wstring>& args)
{
    out_.line(L"stpconv 1.0 - STP 转 DAT");
    if (args.size() != 2 || args[0].empty() || args[1].empty()) {
        out_.line(L"用法：stpconv <输入.stp> <输出.dat>");
        return fail(L"错误：参数不正确。", 2);
    }
    return convert(fullPath(args[0]), fullPath(args[1]));
}

int Converter::convert(const std::wstring& input, const std::wstring& output)
{
    out_.line(L"输入：" + input);
    out_.line(L"输出：" + output);
    if (samePath(input, output))
        return fail(L"错误：输出文件不能与输入文件相同。");

    out_.line(L"正在读取 STP 文件...");
    const WholeFile file = WholeFile::read(input, kMaxInputSize);
    switch (file.status) {
    case FileStatus::Ok:
        break;
    case FileStatus::NotFound:
        return fail(L"错误：找不到输入文件。");
    case FileStatus::IsDirectory:
        return fail(L"错误：输入路径是一个文件夹，不是文件。");
    case FileStatus::TooLarge:
        return fail(L"错误：输入文件太大（超过 16 MB），不是 STP 文件。");
    case FileStatus::Failed:
        return fail(L"错误：无法读取输入文件（" + SystemMessage(file.error) + L"）。");
    }

    out_.line(L"正在检查 " + std::to_wstring(file.bytes.size()) + L" 字节...");
    const std::string_view text(reinterpret_cast<const char*>(file.bytes.data()), file.bytes.size());
    const StpResult stp = StpParser::parse(text);
    if (!stp.ok())
        return fail(L"错误：" + input + L" 第 " + std::to_wstring(stp.line) + L" 行：" + stp.reason());

    const Design& design = stp.design;
    out_.line(L"器件 " + widenAscii(design.device) + L"（" + std::to_wstring(stp.deviceSize) + L" 字节），设计 "
        + widenAscii(design.name) + L"。");
    out_.line(L"共 " + std::to_wstring(stp.recordCount) + L" 条记录，" + std::to_wstring(design.dataSize())
        + L" 字节数据，" + std::to_wstring(design.segments.size()) + L" 个数据段。");

    const DWORD outputAttributes = GetFileAttributesW(output.c_str());
    if (outputAttributes != INVALID_FILE_ATTRIBUTES && (outputAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return fail(L"错误：输出路径是一个文件夹。");

    out_.line(L"正在写入 DAT 文件...");
    const std::vector<std::uint8_t> dat = DatFile::encode(design);
    AtomicFile writer(output);
    if (!writer.Open())
        return fail(L"错误：无法在输出文件夹中创建临时文件（" + SystemMessage(writer.LastError()) + L"）。");
    if (!writer.Write(dat.data(), dat.size()) || !writer.Commit())
        return fail(L"错误：无法写入输出文件（" + SystemMessage(writer.LastError()) + L"），原有文件保持不变。");

    const std::uint32_t crc = Crc32::of(dat.data() + DatFile::kHeaderSize, dat.size() - DatFile::kHeaderSize);
    out_.line(L"已写入 " + std::to_wstring(dat.size()) + L" 字节，数据 CRC-32 " + hexNumber(crc, 8) + L"。");
    out_.line(L"Done. 转换完成。");
    return 0;
}

int Converter::fail(const std::wstring& message, int exitCode)
{
    out_.line(message);
    out_.line(L"转换失败。");
    return exitCode;
}
