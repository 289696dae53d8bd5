// Browse: pick the file for the device actions; an STP file is first
// converted into a DAT file of the same name beside it.
#include <TarrowDlg.h>

#include "CommandLine.h"
#include "ConversionCheck.h"

#include <CFileDialog.h>

namespace {

const wchar_t kFilter[] = L"*.dat,*.stp|*.dat;*.stp|所有文件|*.*||";

} // namespace

void CTarrowDlg::OnBrowse()
{
    CFileDialog dialog(TRUE, L"dat", L"", OFN_HIDEREADONLY, kFilter, this);
    if (dialog.DoModal() != IDOK)
        return;

    const std::wstring path = dialog.GetPathName();
    if (!ConversionCheck::IsStpPath(path)) {
        SetDlgItemText(IDC_FILE_PATH, path);
        return;
    }

    const std::wstring datPath = ConversionCheck::DatPathFor(path);
    if (::GetFileAttributesW(datPath.c_str()) != INVALID_FILE_ATTRIBUTES) {
        const std::wstring prompt = L"文件\"" + datPath
            + L"\"已存在！\r\n转换文件会覆盖现有的，是否继续转换文件？\r\n"
              L"按“否”使用已存在的文件！";
        switch (MessageBox(prompt, nullptr, MB_YESNOCANCEL)) {
        case IDYES:
            break;
        case IDNO:
            SetDlgItemText(IDC_FILE_PATH, datPath);
            return;
        case IDCANCEL:
            AppendLog(L"操作取消！", true);
            return;
        default:
            return;
        }
    }

    if (ConvertStpFile(path, datPath))
        SetDlgItemText(IDC_FILE_PATH, datPath);
    else
        AppendLog(L"STP文件转换失败！", true);
}

bool CTarrowDlg::ConvertStpFile(const std::wstring& stpPath, const std::wstring& datPath)
{
    // Only what this run printed counts: an earlier "Done." in the log, or a
    // run that never started, must not pass for a successful conversion.
    const int firstLine = m_logPane.LineCount() - 1;
    if (!RunWorker(ConverterCommandLine(m_strConverterPath, stpPath, datPath)))
        return false;

    const int lastLine = m_logPane.LineCount() - 1;
    const std::wstring deciding = ConversionCheck::LastMeaningfulLine(
        firstLine, lastLine, [this](int index) { return m_logPane.Line(index, ConversionCheck::kMaxLineChars); });
    return ConversionCheck::HasSuccessMarker(deciding);
}
