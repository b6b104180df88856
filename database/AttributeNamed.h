#pragma once
// CAttributeNamed: a named dictionary from text keys to typed values, the general-purpose
// attribute through which the model and its entities keep named data. Keys are ordered by
// their UTF-16 code units (case-sensitive).

#include <cstdint>
#include <map>

#include "database/Attribute.h"
#include "support/TypedValue.h"

class CAttributeNamed : public CAttribute {
    DECLARE_SERIAL(CAttributeNamed)
public:
    struct Utf16Less {
        bool operator()(const CString& a, const CString& b) const;
    };
    using Dictionary = std::map<CString, orbisk::utils::CTypedValue, Utf16Less>;

    CAttributeNamed() = default;
    explicit CAttributeNamed(const CString& name) : m_name(name) {}
    // Typed values are copied by their own rule, which shares counted payloads.
    CAttributeNamed(const CAttributeNamed& other) = default;

    // After the attribute record: the name, (key, typed value) entries ended by an empty key,
    // and from schema 1 on the second value word (written for save formats 7000 and 8000 only).
    void Serialize(CArchive& ar) override;
    // Marks the change, removes every entry, then the entity's erase.
    void Erase() override;
    // Transforms every value that holds geometry, with one change notice before the first.
    void Transform(const orbisk::geometry::CTransform3d& transform) override;
    CEntity* CreateCopy() const override;
    // Also exchanges the dictionaries, then posts "AttributeNamed Notification" with a
    // CAttributeNamedNotification.
    void SwapContents(CEntity& other) override;
    int CheckValidity(int level, CCheckedObjectMap* map) override;
    int GetEntityType() const override { return kEntityAttributeNamed; }
    // False for a dictionary named "dynamic_attributes" (any case) while the save format is
    // below 7000.
    bool IsPersistent() const override;
    // Exact, case-sensitive.
    bool HasName(const CString& name) const override { return m_name == name; }

    const CString& GetName() const { return m_name; }
    const Dictionary& GetDictionary() const { return m_dictionary; }
    // A copy of the stored value, or an empty value.
    orbisk::utils::CTypedValue GetValue(const CString& key) const;
    // Always marks the change, even for an equal value.
    void SetValue(const CString& key, const orbisk::utils::CTypedValue& value);
    // The removed value (with a change notice), or an empty value when the key is absent.
    orbisk::utils::CTypedValue RemoveValue(const CString& key);
    // Stored and copied, not interpreted.
    uint32_t GetSecondValue() const { return m_secondValue; }

private:
    void ReadEntries(CArchive& ar);
    void WriteEntries(CArchive& ar) const;

    CString m_name;
    Dictionary m_dictionary;
    uint32_t m_secondValue = 0;
};

// The payload of "AttributeNamed Notification".
struct CAttributeNamedNotification {
    int32_t code;
    CAttributeNamed* dictionary;
};
