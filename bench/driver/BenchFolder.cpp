#include "BenchFolder.h"

#include <Encoding.h>

#include <windows.h>

namespace {

e2e::SandboxOptions WithoutTarrow()
{
    e2e::SandboxOptions options;
    options.tarrowName.clear();
    return options;
}

} // namespace

BenchFolder::BenchFolder(const std::wstring& tarrowExe, const std::wstring& floodExe)
    : m_sandbox(WithoutTarrow())
{
    if (!m_sandbox.ready()) {
        m_error = "cannot create a folder under %TEMP%";
        return;
    }
    const struct {
        const std::wstring& from;
        const wchar_t* to;
    } copies[] = {{tarrowExe, L"Tarrow.exe"}, {floodExe, L"burnkit.exe"}};
    for (const auto& copy : copies) {
        if (!::CopyFileW(copy.from.c_str(), m_sandbox.file(copy.to).c_str(), FALSE)) {
            m_error = "cannot copy " + testkit::encoding::toUtf8(copy.from) + " (error "
                + std::to_string(::GetLastError()) + ")";
            return;
        }
    }
    // Tarrow only checks that the file exists; the tool never reads it.
    if (!e2e::Sandbox::writeBytes(imagePath(), ":00000001FF\r\n"))
        m_error = "cannot write the image file";
}
