#include "tests/platform/TestObjects.h"

namespace {
int g_liveTestObjects = 0;
}

IMPLEMENT_DYNAMIC(CTestObject, CObject)
IMPLEMENT_SERIAL(CTestValue, CTestObject, 1)
IMPLEMENT_SERIAL(CTestDerivedValue, CTestValue, 1)
IMPLEMENT_SERIAL(CTestHolder, CTestObject, VERSIONABLE_SCHEMA | 2)
IMPLEMENT_SERIAL(CTestOther, CTestObject, 0)
IMPLEMENT_SERIAL(CTestNode, CTestObject, 0)
IMPLEMENT_DYNAMIC(CTestDynamicOnly, CTestObject)

int CTestObject::LiveCount()
{
    return g_liveTestObjects;
}

CTestObject::CTestObject()
{
    ++g_liveTestObjects;
}

CTestObject::CTestObject(const CTestObject& other) : CObject(other)
{
    ++g_liveTestObjects;
}

CTestObject::~CTestObject()
{
    --g_liveTestObjects;
}

void CTestValue::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
        ar << m_value;
    else
        ar >> m_value;
}

void CTestDerivedValue::Serialize(CArchive& ar)
{
    CTestValue::Serialize(ar);
    if (ar.IsStoring())
        ar << m_extra;
    else
        ar >> m_extra;
}

void CTestHolder::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar << m_child.get() << m_trailer;
        return;
    }
    m_schema = ar.GetObjectSchema();
    CTestValue* child = nullptr;
    ar >> child;
    m_child.reset(child);
    ar >> m_trailer;
}

void CTestNode::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
        ar.WriteObject(m_next.get());
    else {
        m_next.reset(ar.ReadObject(nullptr));
        m_selfStillRead = ar.IsStillReading(this);
        m_nextStillRead = ar.IsStillReading(m_next.get());
    }
}
