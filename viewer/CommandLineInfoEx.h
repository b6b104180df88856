#pragma once
// CCommandLineInfoEx: the viewer's command line. Beside the framework's file to open it keeps
// every switch in a map: "-slideshow" alone is stored as "TRUE"; a switch followed by a plain
// argument takes that argument as its value, so "-lang fr-FR" chooses French and the value is
// never opened as a file. Names are kept as typed and compared exactly ("LANG" is not "lang").

#include <map>
#include <string>

#include "platform/mfc/CommandLineInfo.h"

class CCommandLineInfoEx : public CCommandLineInfo {
public:
    void ParseParam(const wchar_t* param, bool flag, bool last) override;

    // True when the switch was given; its value goes to `value`.
    bool GetSwitchValue(const wchar_t* name, CString& value) const;
    bool HasSwitch(const wchar_t* name) const;

private:
    std::map<std::wstring, CString> m_switches;
    // The last switch still waiting for a value.
    CString m_pendingSwitch;
};
