#include "database/VersionMap.h"

#include <array>
#include <utility>

#include "platform/mfc/Archive.h"
#include "platform/mfc/TextEncoding.h"

IMPLEMENT_SERIAL(CVersionMap, CObject, 0)

namespace {

constexpr std::wstring_view kEndOfMap = L"End-Of-Version-Map";

constexpr std::array<std::pair<std::string_view, std::string_view>, 3> kRenamedClasses = {{
    {"CPlumoraPage", "CZephyronPage"},
    {"CPlumoraDoc", "CZephyronModel"},
    {"CAnnotation", "CText"},
}};

std::string_view CurrentClassName(std::string_view name)
{
    for (const auto& [legacy, current] : kRenamedClasses) {
        if (name == legacy)
            return current;
    }
    return name;
}

}  // namespace

void CVersionMap::Serialize(CArchive& ar)
{
    m_entries.clear();
    CString name;
    ar.ReadString(name);
    for (;;) {
        int32_t number = 0;
        ar >> number;
        if (std::wstring_view(name.GetString(), name.GetLength()) == kEndOfMap)
            return;
        Set(CurrentClassName(WideToAnsi(std::wstring_view(name.GetString(), name.GetLength()))), number);
        ar.ReadString(name);
    }
}

void CVersionMap::Set(std::string_view className, int32_t number)
{
    m_entries.insert_or_assign(std::string(className), number);
}

int32_t CVersionMap::GetVersion(const CRuntimeClass* runtimeClass) const
{
    int32_t number = 0;
    Lookup(runtimeClass->m_lpszClassName, number);
    return number;
}

bool CVersionMap::Lookup(std::string_view className, int32_t& number) const
{
    auto found = m_entries.find(className);
    if (found == m_entries.end())
        return false;
    number = found->second;
    return true;
}
