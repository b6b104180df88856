#include "platform/mfc/CommandLineInfo.h"

#include <sys/stat.h>

#include <cwchar>

#include "platform/mfc/TextEncoding.h"

void CCommandLineInfo::ParseParam(const wchar_t* param, bool flag, bool last)
{
    if (flag)
        ParseParamFlag(param);
    else
        ParseParamNotFlag(param);
    ParseLast(last);
}

void CCommandLineInfo::ParseParamFlag(const wchar_t* param)
{
    const CString name(param);
    if (name == L"p")
        m_nShellCommand = FilePrint;
    else if (name == L"pt")
        m_nShellCommand = FilePrintTo;
    else if (name == L"dde")
        m_nShellCommand = FileDDE;
    else if (name == L"Register" || name == L"Regserver")
        m_nShellCommand = AppRegister;
    else if (name == L"Unregister" || name == L"Unregserver")
        m_nShellCommand = AppUnregister;
    else if (name == L"nologo")
        m_bShowSplash = false;
}

void CCommandLineInfo::ParseParamNotFlag(const wchar_t* param)
{
    if (m_strFileName.IsEmpty())
        m_strFileName = param;
    else if (m_nShellCommand == FilePrintTo && m_strPrinterName.IsEmpty())
        m_strPrinterName = param;
}

void CCommandLineInfo::ParseLast(bool last)
{
    if (last && m_nShellCommand == FileNew && !m_strFileName.IsEmpty())
        m_nShellCommand = FileOpen;
}

namespace {

bool NamesExistingFile(const CString& argument)
{
    struct stat status {};
    return stat(WideToUtf8(argument.GetString()).c_str(), &status) == 0;
}

bool IsSwitch(const CString& argument)
{
    if (argument.GetLength() < 2)
        return false;
    const wchar_t marker = argument.GetString()[0];
    if (marker == L'-')
        return true;
    if (marker != L'/')
        return false;
    return std::wcschr(argument.GetString() + 1, L'/') == nullptr && !NamesExistingFile(argument);
}

}  // namespace

void ParseCommandLine(const std::vector<CString>& arguments, CCommandLineInfo& info)
{
    for (size_t i = 0; i < arguments.size(); ++i) {
        const CString& argument = arguments[i];
        const bool last = i + 1 == arguments.size();
        if (IsSwitch(argument))
            info.ParseParam(argument.GetString() + 1, true, last);
        else
            info.ParseParam(argument.GetString(), false, last);
    }
}
