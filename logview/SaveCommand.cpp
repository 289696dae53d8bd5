#include "SaveCommand.h"

#include <FileDialog.h>
#include <SystemMessage.h>

#include <cwchar>

std::optional<std::wstring> SaveCommand::AskPath() const
{
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    FileDialogRequest request;
    request.save = true;
    request.title = L"保存日志";
    request.types = {{L"日志文件 (*.log)", L"*.log"}, {L"文本文件 (*.txt)", L"*.txt"}, {L"所有文件", L"*.*"}};
    request.defaultExtension = L"log";
    request.fileName = ProposedName(m_appName, now);
    request.flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOREADONLYRETURN | OFN_HIDEREADONLY;
    // The tool's output goes on reaching the log while the dialog is open;
    // the file holds the log as it stands once the operator has chosen.
    return ShowFileDialog(m_owner, request);
}

void SaveCommand::Report(SaveJob::State state, DWORD error, const std::wstring& path) const
{
    std::wstring reason;
    switch (state) {
    case SaveJob::State::Failed:
        reason = SystemMessage(error);
        break;
    case SaveJob::State::Overtaken:
        reason = L"保存期间日志被改写。";
        break;
    default:
        return;
    }
    const std::wstring message = L"日志保存失败：" + path + L"\r\n" + reason;
    ::MessageBoxW(m_owner, message.c_str(), m_appName.c_str(), MB_OK | MB_ICONERROR);
}

std::wstring SaveCommand::ProposedName(const std::wstring& appName, const SYSTEMTIME& local)
{
    wchar_t stamp[32] = {};
    std::swprintf(stamp, 32, L"-%04u%02u%02u-%02u%02u%02u.log", static_cast<unsigned>(local.wYear),
        static_cast<unsigned>(local.wMonth), static_cast<unsigned>(local.wDay), static_cast<unsigned>(local.wHour),
        static_cast<unsigned>(local.wMinute), static_cast<unsigned>(local.wSecond));
    return appName + stamp;
}
