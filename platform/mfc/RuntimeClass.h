#pragma once
// CRuntimeClass: the run-time record of a CObject class (name, size, schema, factory, base) and
// the process-wide list of run-time classes through which an archive finds a class by the name
// in a class record. Records are constant-initialised by the IMPLEMENT_ macros of
// platform/mfc/Object.h and enter the list during static initialisation.

#include <cstdint>
#include <string_view>
#include <vector>

class CObject;

// Set in a declared schema: the class reads every schema, asking CArchive::GetObjectSchema
// which one it got. Without it a record under another schema raises badSchema.
inline constexpr uint32_t VERSIONABLE_SCHEMA = 0x80000000u;

struct CRuntimeClass {
    // The schema of a class that is not serialisable (declared dynamic or dyncreate only).
    static constexpr uint32_t kNotSerializable = 0xFFFF;
    // Class records carry names of at most this many characters.
    static constexpr size_t kMaxNameLength = 255;

    const char* m_lpszClassName;
    int m_nObjectSize;
    uint32_t m_wSchema;                 // schema number, with VERSIONABLE_SCHEMA when versionable
    CObject* (*m_pfnCreateObject)();    // null when the class cannot be created by name
    const CRuntimeClass* m_pBaseClass;  // null for CObject

    // A new object made by the factory, or null for a class without one.
    CObject* CreateObject() const;
    bool IsDerivedFrom(const CRuntimeClass* baseClass) const;
    bool IsSerializable() const { return m_wSchema != kNotSerializable; }
    bool IsVersionable() const { return (m_wSchema & VERSIONABLE_SCHEMA) != 0; }
    uint32_t GetSchemaNumber() const { return m_wSchema & ~VERSIONABLE_SCHEMA; }

    // The registered class of that name (exact, case-sensitive), or null.
    static const CRuntimeClass* FromName(std::string_view name);
    // The classes whose registration was refused because another class had the name already,
    // in the order they were refused. Two classes under one name are a build fault: a reader
    // would make objects of whichever registered first.
    static const std::vector<const CRuntimeClass*>& GetRefusedRegistrations();
};

// Enters a class into the list of run-time classes. The first class registered under a name
// keeps it; a second one is refused, reported on standard error and remembered; names longer
// than kMaxNameLength are not entered.
struct CRuntimeClassRegistration {
    explicit CRuntimeClassRegistration(const CRuntimeClass& runtimeClass);
};
