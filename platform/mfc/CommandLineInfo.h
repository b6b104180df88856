#pragma once
// CCommandLineInfo: what the framework makes of the program's arguments. ParseCommandLine
// hands each argument to ParseParam, a switch without its leading "-" or "/"; the base class
// takes the first plain argument as the file to open and keeps the framework's own switches
// (print, print-to, DDE, register, unregister, no splash).
//
// On this platform "/" also starts every absolute path, so an argument that starts with "/" is
// a switch only when it holds no further "/" and names no existing file.

#include <vector>

#include "platform/mfc/String.h"

class CCommandLineInfo {
public:
    enum ShellCommand {
        FileNew,
        FileOpen,
        FilePrint,
        FilePrintTo,
        FileDDE,
        AppRegister,
        AppUnregister,
        FileNothing = -1,
    };

    CCommandLineInfo() = default;
    virtual ~CCommandLineInfo() = default;

    // Called once per argument: `flag` for a switch (its marker removed), `last` for the last
    // argument.
    virtual void ParseParam(const wchar_t* param, bool flag, bool last);

    ShellCommand m_nShellCommand = FileNew;
    CString m_strFileName;
    CString m_strPrinterName;
    bool m_bShowSplash = true;

protected:
    void ParseParamFlag(const wchar_t* param);
    void ParseParamNotFlag(const wchar_t* param);
    // A file name given by the last argument turns "new" into "open".
    void ParseLast(bool last);
};

// The arguments after the program's name, each handed to the info's ParseParam.
void ParseCommandLine(const std::vector<CString>& arguments, CCommandLineInfo& info);
