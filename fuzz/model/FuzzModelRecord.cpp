// Reads one archive object of any persistent class of the model library from the fuzzer's
// bytes, the way the model reader meets it: under a class-version map, with a model current.
//
//   byte 0     the class, an index into the classes the schema table names and the program has
//   byte 1     the registry (0 to 5: registry 1 to 6) whose schema numbers the map gives every
//              class, so that the records nested in this one are read in that format too
//   bytes 2-3  the schema number the map gives the chosen class (little-endian)
//   the rest   the object's body, after a class record that this target writes itself
//
// Whatever the bytes, reading ends in an object or in an archive exception, and once the model
// is gone nothing that the record made is left (the leak checker sees the rest).

#include <cstdint>
#include <cstring>
#include <vector>

#include "database/ArchiveSchema.h"
#include "database/CurrentModel.h"
#include "database/VersionMap.h"
#include "model/ZephyronModel.h"
#include "platform/mfc/Archive.h"
#include "platform/mfc/ArchiveException.h"
#include "platform/mfc/FileException.h"
#include "platform/mfc/MemFile.h"

namespace {

const std::vector<const CRuntimeClass*>& ReadableClasses()
{
    static const std::vector<const CRuntimeClass*> classes = [] {
        std::vector<const CRuntimeClass*> found;
        for (const ClassSchema& entry : GetClassSchemaTable()) {
            const CRuntimeClass* runtimeClass = CRuntimeClass::FromName(entry.className);
            // A model is a whole file, never a record inside one.
            if (runtimeClass == RUNTIME_CLASS(CZephyronModel))
                continue;
            if (runtimeClass && runtimeClass->IsSerializable() && runtimeClass->m_pfnCreateObject)
                found.push_back(runtimeClass);
        }
        return found;
    }();
    return classes;
}

CVersionMap* MakeVersionMap(int registry, const CRuntimeClass* chosen, int32_t schema)
{
    auto* map = new CVersionMap;
    for (const ClassSchema& entry : GetClassSchemaTable()) {
        const int32_t number = entry.registry[registry];
        if (number != ClassSchema::kAbsent)
            map->Set(entry.className, number);
    }
    map->Set(chosen->m_lpszClassName, schema);
    return map;
}

// A new-class record (0xFFFF, the declared schema, the name), then the body.
std::vector<uint8_t> ObjectBytes(const CRuntimeClass* runtimeClass, const uint8_t* body, size_t size)
{
    const uint16_t schema = static_cast<uint16_t>(runtimeClass->GetSchemaNumber());
    const size_t nameLength = std::strlen(runtimeClass->m_lpszClassName);
    std::vector<uint8_t> bytes = {0xFF,
                                  0xFF,
                                  static_cast<uint8_t>(schema & 0xFF),
                                  static_cast<uint8_t>(schema >> 8),
                                  static_cast<uint8_t>(nameLength & 0xFF),
                                  static_cast<uint8_t>(nameLength >> 8)};
    bytes.insert(bytes.end(), runtimeClass->m_lpszClassName, runtimeClass->m_lpszClassName + nameLength);
    bytes.insert(bytes.end(), body, body + size);
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto& classes = ReadableClasses();
    if (size < 4 || classes.empty())
        return 0;
    const CRuntimeClass* chosen = classes[data[0] % classes.size()];
    const int registry = data[1] % kClassVersionRegistryCount;
    const int32_t schema = data[2] | (data[3] << 8);
    std::vector<uint8_t> bytes = ObjectBytes(chosen, data + 4, size - 4);

    CZephyronModel model;
    CCurrentModelScope current(&model);
    SetCurrentVersionMap(MakeVersionMap(registry, chosen, schema));
    {
        CMemFile file(bytes.data(), static_cast<unsigned>(bytes.size()));
        CArchive ar(&file, CArchive::load);
        try {
            // The model frees what it keeps after its own contents, whatever kind it is.
            model.GetDroppedObjects().Keep(ar.ReadObject(nullptr));
        } catch (const CArchiveException&) {
        } catch (const CFileException&) {}
    }
    SetCurrentVersionMap(nullptr);
    return 0;
}
