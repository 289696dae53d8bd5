#include "BenchTarrow.h"

namespace {

e2e::SandboxOptions CopyOf(const std::wstring& tarrowExe)
{
    e2e::SandboxOptions options;
    options.tarrowSource = tarrowExe;
    return options;
}

} // namespace

BenchTarrow::BenchTarrow(const std::wstring& tarrowExe, const std::string& toolScript)
    : m_box(CopyOf(tarrowExe))
{
    if (!m_box.ready()) {
        m_error = "cannot make a folder with a copy of the Tarrow build";
        return;
    }
    m_box.installTool(L"burnkit.exe", toolScript);
    // Tarrow only checks that the file exists; the double never reads it.
    const std::wstring image = m_box.writeFile(L"image.dat", "DAT");
    m_app = std::make_unique<e2e::TarrowDriver>(m_box);
    if (testing::AssertionResult started = m_app->start(); !started)
        m_error = started.message();
    else if (!m_app->setText(e2e::ids::kFilePath, image))
        m_error = "the file box did not take the file name";
}

bool BenchTarrow::waitForRunStart(std::chrono::milliseconds timeout) const
{
    return e2e::waitUntil([&] { return !programEnabled(); }, timeout, std::chrono::milliseconds(5));
}

bool BenchTarrow::waitForRunEnd(std::chrono::milliseconds timeout) const
{
    return e2e::waitUntil([&] { return programEnabled(); }, timeout, std::chrono::milliseconds(5));
}
