#pragma once
// The localised resource library and the lookup of resources.
//
// At start-up the application loads "<base name>Rc.so" from the language folder (see
// support/ResourceLibrary.h for what such a library exports). While it is loaded,
// resources come from it first; a resource it lacks, and every resource when none is
// loaded, comes from the program's own compiled-in ones.

#include "support/ResourceLibrary.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace orbisk::utils {

class ResourceLoader {
public:
    ResourceLoader() = default;
    // Unload.
    ~ResourceLoader();
    ResourceLoader(const ResourceLoader&) = delete;
    ResourceLoader& operator=(const ResourceLoader&) = delete;

    // Finds base name + "Rc.so" with FindLocalizedFile and, when it is a resource
    // library, makes it the source of resources. False when none was loaded: the
    // program's own resources stay in use.
    bool Load(const std::wstring& baseName);
    // Frees the library, then the language settings (the exit step).
    void Unload();
    bool IsLoaded() const { return m_library != nullptr; }

private:
    void FreeLibrary();

    void* m_library = nullptr;
};

// The program's compiled-in resources; null for none.
void SetProgramResources(ZphFindResourceProc lookup);

// The bytes of a resource, from the loaded library or else the program's own; false
// when neither has it.
bool FindResourceData(std::uint32_t type, std::uint32_t id, const void*& data, size_t& size);
// A string resource as wide text; false, the text unchanged, when there is none.
bool LoadResourceString(std::uint32_t id, std::wstring& text);

}  // namespace orbisk::utils
