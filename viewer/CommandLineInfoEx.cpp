#include "viewer/CommandLineInfoEx.h"

void CCommandLineInfoEx::ParseParam(const wchar_t* param, bool flag, bool last)
{
    if (flag) {
        m_switches[param] = L"TRUE";
        m_pendingSwitch = param;
        // The framework's own switches keep working.
        CCommandLineInfo::ParseParam(param, flag, last);
        return;
    }
    if (!m_pendingSwitch.IsEmpty()) {
        m_switches[m_pendingSwitch.GetString()] = param;
        m_pendingSwitch = CString();
        ParseLast(last);
        return;
    }
    CCommandLineInfo::ParseParam(param, flag, last);
}

bool CCommandLineInfoEx::GetSwitchValue(const wchar_t* name, CString& value) const
{
    const auto found = m_switches.find(name ? name : L"");
    if (found == m_switches.end())
        return false;
    value = found->second;
    return true;
}

bool CCommandLineInfoEx::HasSwitch(const wchar_t* name) const
{
    CString scratch;
    return GetSwitchValue(name, scratch);
}
