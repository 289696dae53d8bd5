#include "ToolSession.h"

#include "CommandLine.h"
#include "ConversionCheck.h"
#include "KeepAwake.h"
#include "RunListener.h"
#include "ToolLog.h"

#include <windows.h>

ToolSession::ToolSession(ToolLog& log)
    : m_log(log)
    , m_runner(log)
{
}

void ToolSession::LocateTools(const std::wstring& programPath)
{
    const size_t slash = programPath.rfind(L'\\');
    m_appDir = slash == std::wstring::npos ? std::wstring() : programPath.substr(0, slash + 1);
    m_programmerPath = m_appDir + L"burnkit.exe";
    m_converterPath = m_appDir + L"stpconv.exe";
}

void ToolSession::Cancel()
{
    if (m_running)
        m_runner.Stop();
}

void ToolSession::CancelNow()
{
    if (m_running)
        m_runner.StopNow();
}

bool ToolSession::Run(const std::wstring& commandLine)
{
    if (m_running)
        return false;
    const KeepAwake awake;
    m_running = true;
    if (m_listener)
        m_listener->OnRunStarted();
    const bool started = m_runner.Run(commandLine);
    m_running = false;
    if (m_listener)
        m_listener->OnRunEnded();
    return started;
}

bool ToolSession::RunDeviceAction(const std::wstring& option, const std::wstring& file)
{
    if (::GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) {
        m_log.AppendLine(L"文件不存在！");
        return false;
    }
    Run(DeviceCommandLine(m_programmerPath, option, file));
    return true;
}

bool ToolSession::ConvertStpFile(const std::wstring& stpPath, const std::wstring& datPath)
{
    // Only what this run printed counts: an earlier "Done." in the log, or a
    // run that never started, must not pass for a successful conversion.
    const int firstLine = m_log.LineCount() - 1;
    bool converted = Run(ConverterCommandLine(m_converterPath, stpPath, datPath));
    if (converted) {
        const std::wstring deciding = ConversionCheck::LastMeaningfulLine(firstLine, m_log.LineCount() - 1,
            [this](int index) { return m_log.Line(index, ConversionCheck::kMaxLineChars); });
        converted = ConversionCheck::HasSuccessMarker(deciding);
    }
    if (!converted)
        m_log.AppendLine(L"STP文件转换失败！");
    return converted;
}
