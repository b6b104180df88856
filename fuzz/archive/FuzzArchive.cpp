// Reads arbitrary bytes as a loading archive. The first byte picks the buffer size; then each
// step reads one byte that chooses what comes next: a string, a primitive, an object of any
// class or of an expected class, or a length check. Whatever was read is then stored again
// and must read back without an error. Every object made is destroyed before the next input.

#include <cstdint>
#include <cstdlib>
#include <unordered_set>
#include <vector>

#include "platform/mfc/Archive.h"
#include "platform/mfc/FileException.h"
#include "platform/mfc/MemFile.h"

// Objects refer to each other without owning: the live set owns them all.
class CFuzzObject : public CObject {
    DECLARE_DYNAMIC(CFuzzObject)
public:
    static std::unordered_set<CFuzzObject*>& Live()
    {
        static std::unordered_set<CFuzzObject*> live;
        return live;
    }
    static void DestroyAll()
    {
        std::vector<CFuzzObject*> objects(Live().begin(), Live().end());
        for (CFuzzObject* object : objects)
            delete object;
    }

protected:
    CFuzzObject() { Live().insert(this); }
    ~CFuzzObject() override { Live().erase(this); }
};

// Schema 1, not versionable: int32, string.
class CFuzzLeaf : public CFuzzObject {
    DECLARE_SERIAL(CFuzzLeaf)
public:
    void Serialize(CArchive& ar) override
    {
        if (ar.IsStoring())
            ar << m_value << m_text;
        else
            ar >> m_value >> m_text;
    }

    int32_t m_value = 0;
    CString m_text;
};

// Schema 1: the leaf's record, then a bool.
class CFuzzDerivedLeaf : public CFuzzLeaf {
    DECLARE_SERIAL(CFuzzDerivedLeaf)
public:
    void Serialize(CArchive& ar) override
    {
        CFuzzLeaf::Serialize(ar);
        if (ar.IsStoring())
            ar << m_flag;
        else
            ar >> m_flag;
    }

    bool m_flag = false;
};

// Versionable, schema 3: a 16-bit count, that many references to fuzz objects, a double.
class CFuzzNode : public CFuzzObject {
    DECLARE_SERIAL(CFuzzNode)
public:
    void Serialize(CArchive& ar) override
    {
        if (ar.IsStoring()) {
            ar << static_cast<uint16_t>(m_children.size());
            for (CObject* child : m_children)
                ar << child;
            ar << m_weight;
            return;
        }
        m_schema = ar.GetObjectSchema();
        uint16_t count = 0;
        ar >> count;
        ar.CheckBytesLeft(uint64_t{count} * 2);
        m_children.reserve(count);
        for (uint16_t i = 0; i < count; ++i)
            m_children.push_back(ar.ReadObject(RUNTIME_CLASS(CFuzzObject)));
        ar >> m_weight;
    }

    std::vector<CObject*> m_children;
    double m_weight = 0;
    uint32_t m_schema = CArchive::kNoSchema;
};

IMPLEMENT_DYNAMIC(CFuzzObject, CObject)
IMPLEMENT_SERIAL(CFuzzLeaf, CFuzzObject, 1)
IMPLEMENT_SERIAL(CFuzzDerivedLeaf, CFuzzLeaf, 1)
IMPLEMENT_SERIAL(CFuzzNode, CFuzzObject, VERSIONABLE_SCHEMA | 3)

namespace {

void ReadStep(CArchive& ar, uint8_t choice, std::vector<CObject*>& objects)
{
    switch (choice % 10) {
        case 0: {
            CString text;
            ar >> text;
            break;
        }
        case 1: {
            uint8_t v;
            ar >> v;
            break;
        }
        case 2: {
            int16_t v;
            ar >> v;
            break;
        }
        case 3: {
            uint32_t v;
            ar >> v;
            break;
        }
        case 4: {
            int64_t v;
            ar >> v;
            break;
        }
        case 5: {
            double v;
            ar >> v;
            break;
        }
        case 6: objects.push_back(ar.ReadObject(nullptr)); break;
        case 7: objects.push_back(ar.ReadObject(RUNTIME_CLASS(CFuzzLeaf))); break;
        case 8: objects.push_back(ar.ReadObject(RUNTIME_CLASS(CFuzzNode))); break;
        default: {
            uint32_t count;
            ar >> count;
            ar.CheckBytesLeft(count);
            break;
        }
    }
}

// Objects read must store and read back again.
void StoreAndReadBack(const std::vector<CObject*>& objects)
{
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        for (CObject* object : objects)
            ar << object;
        ar.Close();
    }
    file.SeekToBegin();
    CArchive ar(&file, CArchive::load);
    try {
        for (size_t i = 0; i < objects.size(); ++i)
            ar.ReadObject(nullptr);
    } catch (const CArchiveException&) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    std::vector<CObject*> objects;
    {
        CMemFile file(data + 1, size - 1);
        CArchive ar(&file, CArchive::load, 16 << (data[0] % 9));
        try {
            for (int step = 0; step < 1024; ++step) {
                uint8_t choice = 0;
                ar >> choice;
                ReadStep(ar, choice, objects);
            }
        } catch (const CArchiveException&) {
        } catch (const CFileException&) {}
    }
    StoreAndReadBack(objects);
    CFuzzObject::DestroyAll();
    return 0;
}
