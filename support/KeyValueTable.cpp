#include "support/KeyValueTable.h"

#include "support/ArchiveOperators.h"
#include "support/LanguageSettings.h"
#include "support/StringUtils.h"
#include "support/TextFile.h"

namespace orbisk::utils {

namespace {

std::wstring CaseFolded(std::wstring key)
{
    ToLowerInPlace(key);
    return key;
}

std::wstring WithoutQuotes(const std::wstring& text)
{
    const CString stripped = StripQuotes(CString(std::wstring_view(text)));
    return std::wstring(stripped.GetString(), stripped.GetLength());
}

}  // namespace

CKeyValueTable& CKeyValueTable::GetInstance()
{
    static CKeyValueTable table;
    return table;
}

bool CKeyValueTable::Load(const std::wstring& path)
{
    CTextFile file;
    if (!file.Open(path))
        return false;
    CString line;
    while (file.ReadLine(line))
        AddLine(std::wstring(line.GetString(), line.GetLength()));
    m_loaded = true;
    return true;
}

bool CKeyValueTable::LoadSupportFile()
{
    if (m_loaded)
        return true;
    const std::wstring path = FindSupportFile(L"Zephyron.dat", L"Support/");
    return !path.empty() && Load(path);
}

void CKeyValueTable::AddLine(std::wstring line)
{
    TrimLeft(line);
    if (line.empty() || line.front() == L'/' || line.front() == L'[')
        return;
    const size_t equals = line.find(L'=');
    if (equals == std::wstring::npos)
        return;
    std::wstring key = line.substr(0, equals);
    std::wstring value = line.substr(equals + 1);
    key = WithoutQuotes(Trim(key));
    Trim(value);
    if (!value.empty() && value.back() == L';')
        value.pop_back();
    if (key.empty())
        return;
    m_values[CaseFolded(std::move(key))] = WithoutQuotes(value);
}

std::wstring CKeyValueTable::GetValue(const std::wstring& key, const std::wstring& defaultValue) const
{
    const auto found = m_values.find(CaseFolded(key));
    return found == m_values.end() ? defaultValue : found->second;
}

}  // namespace orbisk::utils
