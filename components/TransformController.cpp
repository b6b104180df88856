#include "components/TransformController.h"

#include <unordered_set>

#include "components/ComponentDefinition.h"
#include "components/Dimension.h"
#include "components/IEditingContext.h"
#include "components/Text.h"
#include "database/CurrentModel.h"
#include "database/DrawingElement.h"
#include "database/Entity.h"
#include "database/IModelContext.h"
#include "topology/Curve.h"
#include "topology/Edge.h"
#include "topology/Vertex.h"

using orbisk::geometry::CPoint3d;
using orbisk::geometry::CTransform3d;

CTransformController::CTransformController(const std::vector<CEntity*>& entities)
{
    SetEntities(entities);
}

void CTransformController::SetEntities(const std::vector<CEntity*>& entities)
{
    m_entities = CEntitySet();
    m_entities.InsertVector(entities);
}

bool CTransformController::IsAnnotation(const CEntity* entity)
{
    if (!entity)
        return false;
    switch (entity->GetEntityType()) {
        case kEntityDimension:
        case kEntityDimensionLinear:
        case kEntityDimensionRadial:
        case kEntityText: return true;
        default: return false;
    }
}

int32_t CTransformController::GetRole(const CEntity* entity) const
{
    const auto found = m_roles.find(entity);
    return found == m_roles.end() ? 0 : found->second;
}

void CTransformController::Collect()
{
    m_collected = CEntitySet();
    for (CEntity* entity : m_entities.GetMembers()) {
        if (entity)
            entity->CollectWithDependents(m_collected);
    }
    for (CEntity* entity : m_entities.GetMembers()) {
        if (IsAnnotation(entity))
            m_roles[entity] = m_collected.Contains(entity) ? kRoleGivenWhole : kRoleGivenPartly;
    }
    for (CEntity* entity : m_collected.GetMembers()) {
        if (IsAnnotation(entity) && !m_roles.contains(entity))
            m_roles[entity] = kRoleDependent;
    }
}

void CTransformController::Apply(const CTransform3d& transform)
{
    Apply(transform, CTransform3d(), nullptr);
}

void CTransformController::Apply(const CTransform3d& transform, IModelView* view)
{
    Apply(transform, CTransform3d(), view);
}

void CTransformController::TransformVertex(CEntity* entity, const CTransform3d& transform)
{
    auto* vertex = dynamic_cast<CVertex*>(entity);
    if (!vertex) {
        entity->Transform(transform);
        return;
    }
    CPoint3d oldPosition = vertex->GetPosition();
    const CPoint3d newPosition = transform.MultiplyPoint(oldPosition);
    std::unordered_set<const CCurve*> told;
    for (int i = 0; i < vertex->GetEdgeCount(); ++i) {
        CEdge* edge = vertex->GetEdge(i);
        CCurve* curve = edge ? edge->GetCurve() : nullptr;
        if (!curve || m_collected.Contains(edge) || told.contains(curve))
            continue;
        told.insert(curve);
        // The curve moves the vertex as it reshapes itself.
        curve->MoveEnd(vertex, oldPosition, newPosition);
    }
    if (told.empty())
        vertex->Transform(transform);
}

void CTransformController::Apply(const CTransform3d& transform, const CTransform3d& textTransform,
                                 IModelView* view)
{
    if (m_collected.IsEmpty())
        Collect();
    // Transforming may add to the set (a curve's new edges): walk a copy.
    std::vector<CEntity*> collected;
    m_collected.ToVector(collected);
    for (CEntity* entity : collected) {
        if (!entity || m_roles.contains(entity))
            continue;
        if (entity->GetEntityType() == kEntityVertex)
            TransformVertex(entity, transform);
        else
            entity->Transform(transform);
        if (entity->IsDrawingElement())
            static_cast<CDrawingElement*>(entity)->UpdateDependents();
    }
    for (const auto& [entity, role] : m_roles)
        FollowTransform(const_cast<CEntity*>(entity), role, transform, textTransform, view);
    auto* model = dynamic_cast<IEditingContext*>(GetCurrentModel());
    if (auto* active = dynamic_cast<CComponentDefinition*>(model ? model->GetActiveComponent() : nullptr))
        active->UpdateDependents();
}

void CTransformController::FollowTransform(CEntity* annotation, int32_t role, const CTransform3d& transform,
                                           const CTransform3d& textTransform, IModelView* view)
{
    if (auto* dimension = dynamic_cast<CDimension*>(annotation)) {
        dimension->TransformWithMode(transform, 0, role);
        return;
    }
    if (auto* text = dynamic_cast<CText*>(annotation))
        text->TransformText(text->HasLeader() ? transform : textTransform, role, view);
}
