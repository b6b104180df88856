#include "database/NamedOptions.h"

#include <iterator>

#include "platform/mfc/TextEncoding.h"

using orbisk::utils::CTypedValue;

namespace {

std::string NarrowName(const CString& name)
{
    return WideToAnsi(name.GetString());
}

}  // namespace

CString CNamedOptions::GetOptionName(int index) const
{
    if (index < 0 || index >= GetOptionCount())
        return CString();
    return CString(AnsiToWide(std::next(m_options.begin(), index)->first).c_str());
}

bool CNamedOptions::SetOption(const CString& name, const CTypedValue& value)
{
    if (value.IsEmpty())
        m_options.erase(NarrowName(name));
    else
        m_options.insert_or_assign(NarrowName(name), value);
    return true;
}

CTypedValue CNamedOptions::GetOption(const CString& name) const
{
    const auto found = m_options.find(NarrowName(name));
    return found == m_options.end() ? CTypedValue() : found->second;
}
