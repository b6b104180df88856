#include "tests/model/doubles/ModelDouble.h"

#include "model/EntityLinks.h"
#include "model/Validity.h"

namespace {
CZephyronModel* g_currentModel = nullptr;
}

CurrentModelScope::CurrentModelScope(CZephyronModel* model) : m_previous(g_currentModel)
{
    g_currentModel = model;
}

CurrentModelScope::~CurrentModelScope()
{
    g_currentModel = m_previous;
}

namespace links {

CZephyronModel* GetCurrentModel()
{
    return g_currentModel;
}

bool AreNotificationsSuspended(const CZephyronModel& model)
{
    return model.notificationsSuspended;
}

CBackReferenceIndex& GetBackReferenceIndex(CZephyronModel& model)
{
    return model.GetBackReferenceIndex();
}

int CheckModelValidity(CZephyronModel& model, int, bool)
{
    ++model.validityChecks;
    model.checksWereOn = AreValidityChecksEnabled();
    return model.validityResult;
}

}  // namespace links
