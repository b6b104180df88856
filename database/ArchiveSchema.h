#pragma once
// The archive schema of the model file: the schema number of every persistent class in each of
// the six file formats, the class-version map of the file being read, and GetClassVersion, on
// which every persistent class's Serialize branches.
//
// Registry k (1 to 6) holds the numbers that files of the format of program version 9 - k
// carry: registry 1 is version 8 (save format 8000), registry 6 version 3 (3000). The whole
// table is registered during static initialisation, by class name, so a class needs no entry
// of its own beyond declaring its schema (VERSIONABLE_SCHEMA | own schema) to the framework.
// Only registry 1 is consulted while a file is read, by the compatibility check.

#include <cstdint>
#include <span>
#include <string_view>

#include "database/VersionMap.h"

inline constexpr int kClassVersionRegistryCount = 6;

struct ClassSchema {
    // A class missing from a format's registry: it did not exist in that format.
    static constexpr int32_t kAbsent = -1;

    const char* className;
    // The number the class declares to the archive framework.
    int32_t ownSchema;
    // Registries 1 to 6.
    int32_t registry[kClassVersionRegistryCount];
};

// Every persistent class, in registration order.
std::span<const ClassSchema> GetClassSchemaTable();
// Registers the whole table (done once during static initialisation).
void RegisterClassSchemaTable();

// Creates the registry (1 to 6) on first use, then sets its entry for the class.
void RegisterClassVersion(int registry, std::string_view className, int32_t schema);
void RegisterClassVersion(int registry, const CRuntimeClass* runtimeClass, int32_t schema);
// Null before any registration names it and after FreeClassVersionRegistries.
const CVersionMap* GetClassVersionRegistry(int registry);
void FreeClassVersionRegistries();

// The map of the file being read, owned here: installing a map (or null) deletes the one
// installed before.
void SetCurrentVersionMap(CVersionMap* map);
CVersionMap* GetCurrentVersionMap();

// While a map is installed, the number the file's map gives for the class (0 when the file
// does not name it); otherwise the class's own declared schema.
int32_t GetClassVersion(const CRuntimeClass* runtimeClass);

// Names that registry 1 lacks but a file may carry without being refused.
bool IsAcceptedUnknownClass(std::string_view className);
// True when a file with this map must be refused: it names a class this program does not
// have, or a schema newer than registry 1's. Null and empty maps are compatible.
bool IsVersionMapIncompatible(const CVersionMap* map);

// The target format of storing: 3000, 4000 ... 8000; 8000 from the start.
int GetSaveFormat();
void SetSaveFormat(int format);
bool IsSaveFormat4000OrLater();
