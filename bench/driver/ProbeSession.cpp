#include "ProbeSession.h"

#include <BuildTree.h>
#include <Encoding.h>
#include <Wait.h>

ProbeSession::~ProbeSession()
{
    m_loader.reset();
    if (m_layout)
        ::UnmapViewOfFile(m_layout);
}

bool ProbeSession::Attach(DWORD tarrowProcessId, DWORD guiThreadId, const e2e::Window& log, std::string& error)
{
    const std::wstring name = benchprobe::kMappingPrefix + std::to_wstring(tarrowProcessId);
    m_mapping.reset(::CreateFileMappingW(
        INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(benchprobe::Layout), name.c_str()));
    if (!m_mapping) {
        error = "cannot create the probe's shared memory (error " + std::to_string(::GetLastError()) + ")";
        return false;
    }
    m_layout = static_cast<benchprobe::Layout*>(
        ::MapViewOfFile(m_mapping.get(), FILE_MAP_WRITE | FILE_MAP_READ, 0, 0, sizeof(benchprobe::Layout)));
    if (!m_layout) {
        error = "cannot map the probe's shared memory (error " + std::to_string(::GetLastError()) + ")";
        return false;
    }
    m_layout->logWindow = reinterpret_cast<std::uint64_t>(log.handle());

    const std::wstring dll = e2e::BuildTree::binDirectory() + L"\\tarrow_bench_probe.dll";
    m_module.reset(::LoadLibraryW(dll.c_str()));
    if (!m_module) {
        error = "cannot load " + testkit::encoding::toUtf8(dll) + " (error " + std::to_string(::GetLastError()) + ")";
        return false;
    }
    using Getter = HOOKPROC (*)();
    const auto loader = reinterpret_cast<Getter>(
        reinterpret_cast<void*>(::GetProcAddress(m_module.get(), benchprobe::kLoaderHookGetter)));
    if (!loader) {
        error = "the probe DLL lacks its hook procedure";
        return false;
    }
    m_loader.reset(::SetWindowsHookExW(WH_CALLWNDPROC, loader(), m_module.get(), guiThreadId));
    if (!m_loader) {
        error = "cannot hook Tarrow's GUI thread (error " + std::to_string(::GetLastError()) + ")";
        return false;
    }
    // The first message sent to the thread loads the probe, which then
    // subclasses the log; after that the hook has done its work.
    log.send(WM_NULL);
    const bool attached = e2e::waitUntil([&] { return m_layout->attached != 0; }, std::chrono::milliseconds(5000));
    m_loader.reset();
    if (!attached) {
        error = "the probe did not start inside Tarrow";
        return false;
    }
    return true;
}
