#include "platform/mfc/RuntimeClass.h"

#include <cstdio>
#include <cstring>
#include <unordered_map>

namespace {

// Keys view the class records' own names, which live as long as the program.
std::unordered_map<std::string_view, const CRuntimeClass*>& ClassList()
{
    static std::unordered_map<std::string_view, const CRuntimeClass*> list;
    return list;
}

std::vector<const CRuntimeClass*>& RefusedList()
{
    static std::vector<const CRuntimeClass*> refused;
    return refused;
}

}  // namespace

CObject* CRuntimeClass::CreateObject() const
{
    return m_pfnCreateObject ? m_pfnCreateObject() : nullptr;
}

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* baseClass) const
{
    for (const CRuntimeClass* c = this; c; c = c->m_pBaseClass) {
        if (c == baseClass)
            return true;
    }
    return false;
}

const CRuntimeClass* CRuntimeClass::FromName(std::string_view name)
{
    const auto& list = ClassList();
    auto it = list.find(name);
    return it == list.end() ? nullptr : it->second;
}

CRuntimeClassRegistration::CRuntimeClassRegistration(const CRuntimeClass& runtimeClass)
{
    std::string_view name(runtimeClass.m_lpszClassName);
    if (name.size() > CRuntimeClass::kMaxNameLength)
        return;
    const auto [entry, entered] = ClassList().emplace(name, &runtimeClass);
    if (entered || entry->second == &runtimeClass)
        return;
    RefusedList().push_back(&runtimeClass);
    // Static initialisation: nothing can be thrown or shown yet.
    std::fprintf(stderr, "run-time class \"%s\" is registered twice; the second is refused\n",
                 runtimeClass.m_lpszClassName);
}

const std::vector<const CRuntimeClass*>& CRuntimeClass::GetRefusedRegistrations()
{
    return RefusedList();
}
