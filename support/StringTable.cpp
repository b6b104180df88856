#include "support/StringTable.h"

#include "platform/mfc/TextEncoding.h"
#include "support/LanguageSettings.h"
#include "support/StringUtils.h"
#include "support/TextFile.h"

#include <memory>

namespace orbisk::utils {

namespace {

constexpr wchar_t kStringTableFile[] = L"Localizable.strings";

std::unique_ptr<CStringTable> instance;

std::wstring Unescape(std::wstring text)
{
    ReplaceAll(text, L"\\r", L"\r");
    ReplaceAll(text, L"\\n", L"\n");
    ReplaceAll(text, L"\\t", L"\t");
    return text;
}

// The text of the next pair of double quotes from `position`, which moves past the
// closing one; false when there is no pair left.
bool NextQuoted(const std::wstring& line, size_t& position, std::wstring& text)
{
    const size_t open = line.find(L'"', position);
    if (open == std::wstring::npos)
        return false;
    const size_t close = line.find(L'"', open + 1);
    if (close == std::wstring::npos)
        return false;
    text = line.substr(open + 1, close - open - 1);
    position = close + 1;
    return true;
}

}  // namespace

CStringTable& CStringTable::GetInstance()
{
    if (!instance)
        instance = std::make_unique<CStringTable>(
            CLanguageSettings::GetInstance().FindLocalizedFile(kStringTableFile));
    return *instance;
}

void CStringTable::ReleaseInstance()
{
    instance.reset();
}

CStringTable::CStringTable(const std::wstring& path)
{
    if (path.empty())
        return;
    CTextFile file;
    if (!file.Open(path))
        return;
    CString line;
    while (file.ReadLine(line))
        AddLine(std::wstring(line.GetString(), line.GetLength()));
}

void CStringTable::AddLine(const std::wstring& line)
{
    if (line.empty() || line.front() != L'"')
        return;
    size_t position = 0;
    std::wstring key;
    if (!NextQuoted(line, position, key) || key.empty())
        return;
    std::wstring value;
    if (!NextQuoted(line, position, value))
        value.clear();
    m_translations.try_emplace(Unescape(std::move(key)), Unescape(std::move(value)));
}

std::wstring CStringTable::Lookup(const std::wstring& key) const
{
    const auto found = m_translations.find(key);
    return found == m_translations.end() ? key : found->second;
}

CString TranslateString(const char* english)
{
    if (!english)
        return CString();
    return CString(std::wstring_view(CStringTable::GetInstance().Lookup(AnsiToWide(english))));
}

}  // namespace orbisk::utils
