#include "tests/model/doubles/ModelDouble.h"

#include "database/Validity.h"

BareModelContext::BareModelContext()
{
    selection.ResumeNotifications(false);
}

BareModelContext::~BareModelContext()
{
    FreeDroppedObjects();
}

CBackReferenceIndex& BareModelContext::GetBackReferenceIndex()
{
    if (!m_index)
        m_index = std::make_unique<CBackReferenceIndex>();
    return *m_index;
}

int BareModelContext::CheckValidity(int, bool)
{
    ++validityChecks;
    checksWereOn = AreValidityChecksEnabled();
    return validityResult;
}

void BareModelContext::FreeDroppedObjects()
{
    if (m_dropped.IsEmpty())
        return;
    CCurrentModelScope current(this);
    m_dropped.Free();
}
