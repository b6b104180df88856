#include "database/VersionInfo.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <string>
#include <utility>

#include "platform/mfc/Archive.h"
#include "platform/mfc/TextEncoding.h"

IMPLEMENT_SERIAL(CVersionInfo, CObject, 0)

namespace {

// A scanf "%d" field: white space, an optional sign, digits. Values beyond 32 bits saturate.
bool ScanInt(std::string_view& text, int32_t& value)
{
    size_t start = 0;
    while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start])))
        ++start;
    text.remove_prefix(start);
    bool negative = false;
    size_t position = 0;
    if (position < text.size() && (text[position] == '+' || text[position] == '-'))
        negative = text[position++] == '-';
    const size_t digitsStart = position;
    int64_t magnitude = 0;
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    while (position < text.size() && std::isdigit(static_cast<unsigned char>(text[position]))) {
        magnitude = std::min(magnitude * 10 + (text[position] - '0'), kLimit);
        ++position;
    }
    if (position == digitsStart)
        return false;
    const int64_t signedValue = negative ? -magnitude : magnitude;
    value = static_cast<int32_t>(std::clamp<int64_t>(signedValue, std::numeric_limits<int32_t>::min(),
                                                     std::numeric_limits<int32_t>::max()));
    text.remove_prefix(position);
    return true;
}

bool ScanLiteral(std::string_view& text, char literal)
{
    if (text.empty() || text.front() != literal)
        return false;
    text.remove_prefix(1);
    return true;
}

}  // namespace

void CVersionInfo::Copy(const CVersionInfo& other)
{
    major = other.major;
    minor = other.minor;
    build = other.build;
}

void CVersionInfo::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        CString text;
        text.Format(L"{%d.%d.%d}", major, minor, build);
        ar.WriteString(text);
        return;
    }
    CString text;
    ar.ReadString(text);
    const std::string narrow = WideToAnsi(std::wstring_view(text.GetString(), text.GetLength()));
    std::string_view rest = narrow;
    const std::pair<char, int32_t*> fields[] = {{'{', &major}, {'.', &minor}, {'.', &build}};
    for (const auto& [separator, field] : fields) {
        if (!ScanLiteral(rest, separator) || !ScanInt(rest, *field))
            return;
    }
}

int32_t CVersionInfo::GetValue() const
{
    // Unsigned arithmetic wraps where the signed original would overflow.
    const auto clamp999 = [](int32_t part) { return static_cast<uint32_t>(std::min(part, 999)); };
    const uint32_t value = (static_cast<uint32_t>(major) * 1000u + clamp999(minor)) * 1000u + clamp999(build);
    return static_cast<int32_t>(value);
}

CString CVersionInfo::ToString() const
{
    CString text;
    text.Format(L"%d.%d.%d", major, minor, build);
    return text;
}

CVersionInfo& CurrentFileVersion()
{
    static CVersionInfo version;
    return version;
}
