#pragma once
// CVersionMap: class name to schema number, the class-version map of a model file (and of the
// program's own registries). A model file stores it as one object of this class whose body is
// a sequence of (archive string name, signed 32-bit number) records ended by the name
// "End-Of-Version-Map" and its ignored number; there is no count.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "platform/mfc/Object.h"

class CVersionMap : public CObject {
    DECLARE_SERIAL(CVersionMap)
public:
    // Names in the 8-bit system code page, ordered byte-wise.
    using Entries = std::map<std::string, int32_t, std::less<>>;

    CVersionMap() = default;

    // Always reads (a storing archive raises writeOnly). Names that older writers used for
    // renamed classes are stored under the current name; a later record for a name
    // overwrites an earlier one.
    void Serialize(CArchive& ar) override;

    void Set(std::string_view className, int32_t number);
    // The number stored for the record's class, 0 when the class is absent.
    int32_t GetVersion(const CRuntimeClass* runtimeClass) const;
    bool Lookup(std::string_view className, int32_t& number) const;

    bool IsEmpty() const { return m_entries.empty(); }
    const Entries& GetEntries() const { return m_entries; }

private:
    Entries m_entries;
};
