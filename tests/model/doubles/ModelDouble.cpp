#include "tests/model/doubles/ModelDouble.h"

#include "model/Validity.h"

BasicTestModel::BasicTestModel()
{
    selection.ResumeNotifications(false);
}

BasicTestModel::~BasicTestModel()
{
    FreeDroppedObjects();
}

CBackReferenceIndex& BasicTestModel::GetBackReferenceIndex()
{
    if (!m_index)
        m_index = std::make_unique<CBackReferenceIndex>();
    return *m_index;
}

int BasicTestModel::CheckValidity(int, bool)
{
    ++validityChecks;
    checksWereOn = AreValidityChecksEnabled();
    return validityResult;
}

void BasicTestModel::FreeDroppedObjects()
{
    if (m_dropped.IsEmpty())
        return;
    CCurrentModelScope current(this);
    m_dropped.Free();
}
