#include "support/Guid.h"

#include "support/StringUtils.h"

#include <cstring>

namespace orbisk::utils {

HRESULT CGuid::Create()
{
    return CoCreateGuid(&value);
}

bool CGuid::IsNull() const
{
    return *this == CGuid();
}

std::wstring CGuid::ToString() const
{
    std::wstring text;
    const BYTE* d = value.Data4;
    Format(text, L"%08lx-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x",
           static_cast<unsigned long>(value.Data1), value.Data2, value.Data3, d[0], d[1], d[2], d[3], d[4],
           d[5], d[6], d[7]);
    return text;
}

bool operator==(const CGuid& a, const CGuid& b)
{
    return std::memcmp(&a.value, &b.value, sizeof(GUID)) == 0;
}

}  // namespace orbisk::utils
