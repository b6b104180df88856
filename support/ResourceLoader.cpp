#include "support/ResourceLoader.h"

#include "support/LanguageSettings.h"
#include "support/StringUtils.h"

#include <dlfcn.h>

namespace orbisk::utils {

namespace {

constexpr wchar_t kLibrarySuffix[] = L"Rc.so";

ZphFindResourceProc libraryResources = nullptr;
ZphFindResourceProc programResources = nullptr;

bool Find(ZphFindResourceProc lookup, std::uint32_t type, std::uint32_t id, const void*& data, size_t& size)
{
    return lookup && lookup(type, id, &data, &size) != 0;
}

}  // namespace

ResourceLoader::~ResourceLoader()
{
    Unload();
}

bool ResourceLoader::Load(const std::wstring& baseName)
{
    FreeLibrary();
    const std::wstring path = CLanguageSettings::GetInstance().FindLocalizedFile(baseName + kLibrarySuffix);
    if (path.empty())
        return false;
    void* library = dlopen(ToUtf8(path).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return false;
    auto lookup = reinterpret_cast<ZphFindResourceProc>(dlsym(library, ZPH_FIND_RESOURCE_SYMBOL));
    if (!lookup) {
        dlclose(library);
        return false;
    }
    m_library = library;
    libraryResources = lookup;
    return true;
}

void ResourceLoader::Unload()
{
    FreeLibrary();
    CLanguageSettings::ReleaseInstance();
}

void ResourceLoader::FreeLibrary()
{
    if (!m_library)
        return;
    libraryResources = nullptr;
    dlclose(m_library);
    m_library = nullptr;
}

void SetProgramResources(ZphFindResourceProc lookup)
{
    programResources = lookup;
}

bool FindResourceData(std::uint32_t type, std::uint32_t id, const void*& data, size_t& size)
{
    return Find(libraryResources, type, id, data, size) || Find(programResources, type, id, data, size);
}

bool LoadResourceString(std::uint32_t id, std::wstring& text)
{
    const void* data = nullptr;
    size_t size = 0;
    if (!FindResourceData(ZPH_RESOURCE_STRING, id, data, size))
        return false;
    text = WideFromUtf8Bytes(static_cast<const char*>(data), size);
    return true;
}

}  // namespace orbisk::utils
