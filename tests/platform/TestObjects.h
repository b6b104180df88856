#pragma once
// Serialisable classes for the archive tests. Every one counts its live instances, so a test
// can see that a failed read destroyed what it created.
//
// Records:
//   CTestValue         schema 1, not versionable: int32 value
//   CTestDerivedValue  schema 1, derives from CTestValue: the CTestValue record, then a double
//   CTestHolder        schema 2, versionable: a CTestValue reference (owned), then int32 trailer
//   CTestOther         schema 0: an empty record; unrelated to the others
//   CTestNode          schema 0: a reference to an object of any class (owned)
//   CTestDynamicOnly   a run-time class without archive records

#include <cstdint>
#include <memory>

#include "platform/mfc/Archive.h"
#include "tests/support/ArchiveBytes.h"

class CTestObject : public CObject {
    DECLARE_DYNAMIC(CTestObject)
public:
    static int LiveCount();

protected:
    CTestObject();
    CTestObject(const CTestObject& other);
    ~CTestObject() override;
};

class CTestValue : public CTestObject {
    DECLARE_SERIAL(CTestValue)
public:
    explicit CTestValue(int32_t value = 0) : m_value(value) {}
    void Serialize(CArchive& ar) override;

    int32_t m_value;
};

class CTestDerivedValue : public CTestValue {
    DECLARE_SERIAL(CTestDerivedValue)
public:
    void Serialize(CArchive& ar) override;

    double m_extra = 0.0;
};

class CTestHolder : public CTestObject {
    DECLARE_SERIAL(CTestHolder)
public:
    void Serialize(CArchive& ar) override;

    std::unique_ptr<CTestValue> m_child;
    int32_t m_trailer = 0;
    uint32_t m_schema = CArchive::kNoSchema;  // the schema the archive gave while reading
};

class CTestOther : public CTestObject {
    DECLARE_SERIAL(CTestOther)
};

class CTestNode : public CTestObject {
    DECLARE_SERIAL(CTestNode)
public:
    void Serialize(CArchive& ar) override;

    std::unique_ptr<CObject> m_next;
    // Seen while loading, once the next object was read: whether the archive still read this
    // node, and the next one.
    bool m_selfStillRead = false;
    bool m_nextStillRead = false;
};

class CTestDynamicOnly : public CTestObject {
    DECLARE_DYNAMIC(CTestDynamicOnly)
};

// The new-class records that introduce the classes: FFFF, schema, name length, name.
inline const Bytes kValueClass = Bytes{0xFF, 0xFF, 0x01, 0x00, 0x0A, 0x00} + Ascii("CTestValue");
inline const Bytes kOtherClass = Bytes{0xFF, 0xFF, 0x00, 0x00, 0x0A, 0x00} + Ascii("CTestOther");
inline const Bytes kHolderClass = Bytes{0xFF, 0xFF, 0x02, 0x00, 0x0B, 0x00} + Ascii("CTestHolder");
