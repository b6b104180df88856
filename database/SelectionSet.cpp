#include "database/SelectionSet.h"

#include <algorithm>

#include "database/DrawingElement.h"

namespace {

void SetSelectedMark(CEntity* entity, bool selected)
{
    if (auto* element = dynamic_cast<CDrawingElement*>(entity))
        element->SetSelectedFlag(selected);
}

}  // namespace

void CSelectionSet::AddListener(ISSListener* listener)
{
    if (std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end())
        m_listeners.push_back(listener);
}

void CSelectionSet::RemoveListener(ISSListener* listener)
{
    auto found = std::find(m_listeners.begin(), m_listeners.end(), listener);
    if (found != m_listeners.end())
        m_listeners.erase(found);
}

bool CSelectionSet::Remove(CEntity* entity, bool clearMark)
{
    if (!entity)
        return false;
    const bool wasMember = Erase(entity);
    if (clearMark)
        SetSelectedMark(entity, false);
    if (wasMember) {
        entity->NotifyChanged();
        TellListeners(ISSListener::kRemoved, entity);
    }
    return wasMember;
}

void CSelectionSet::Clear(bool clearMarks)
{
    if (IsEmpty())
        return;
    const Members members = GetMembers();
    for (CEntity* entity : members) {
        if (clearMarks)
            SetSelectedMark(entity, false);
        entity->NotifyChanged();
    }
    RemoveAllMembers();
    TellListeners(ISSListener::kCleared, nullptr);
}

void CSelectionSet::MarkSelected(bool on)
{
    for (CEntity* entity : GetMembers()) {
        SetSelectedMark(entity, on);
        entity->NotifyChanged();
    }
}

void CSelectionSet::RemoveOnLayer(const CLayer* layer)
{
    if (IsEmpty())
        return;
    SuspendNotifications();
    std::vector<CEntity*> onLayer;
    for (CEntity* entity : GetMembers()) {
        const auto* element = dynamic_cast<const CDrawingElement*>(entity);
        if (element && element->GetLayer() == layer)
            onLayer.push_back(entity);
    }
    for (CEntity* entity : onLayer)
        Remove(entity, true);
    ResumeNotifications(true);
}

void CSelectionSet::ResumeNotifications(bool report)
{
    m_notificationsOn = true;
    if (m_changePending && report)
        TellListeners(ISSListener::kBatchEnded, nullptr);
    m_changePending = false;
}

void CSelectionSet::EndBatch()
{
    m_batchOpen = false;
    if (m_changePending && m_notificationsOn) {
        TellListeners(ISSListener::kBatchEnded, nullptr);
        m_changePending = false;
    }
}

void CSelectionSet::TellListeners(int kind, CEntity* entity)
{
    if (!m_notificationsOn || m_batchOpen) {
        m_changePending = true;
        return;
    }
    for (ISSListener* listener : m_listeners)
        listener->OnSelectionChanged(this, kind, entity);
}
