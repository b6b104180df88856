#pragma once
// CTransformController: applies one transformation to a set of entities together with what
// depends on them, so that the model stays consistent: curves whose edges move only in part
// are reshaped through their ends instead of moving whole, and the dimensions and texts
// involved are told how they were involved (their role), so that each follows in its own way:
// a dimension follows the transformation; a text follows it when it has a leader and the text
// transformation otherwise. It lives on its caller's stack for one operation and never owns
// the entities.

#include <cstdint>
#include <map>
#include <vector>

#include "database/EntitySet.h"
#include "geometry/Transform3d.h"

class CEntity;
class IModelView;

class CTransformController {
public:
    // Roles of the dimensions and texts involved.
    enum Role : int32_t { kRoleDependent = 1, kRoleGivenPartly = 2, kRoleGivenWhole = 3 };

    explicit CTransformController(const std::vector<CEntity*>& entities);
    CTransformController(const CTransformController&) = delete;
    CTransformController& operator=(const CTransformController&) = delete;

    // The given set becomes exactly these entities.
    void SetEntities(const std::vector<CEntity*>& entities);
    // The given entities with everything that goes with them, and the role of every dimension
    // and text among them. The roles of an earlier call are kept.
    void Collect();
    // Collects first when nothing was collected. A text without a leader follows the text
    // transformation, the identity in the short forms. The current model's active component,
    // when it is a definition, then updates its instances.
    void Apply(const orbisk::geometry::CTransform3d& transform);
    void Apply(const orbisk::geometry::CTransform3d& transform, IModelView* view);
    void Apply(const orbisk::geometry::CTransform3d& transform,
               const orbisk::geometry::CTransform3d& textTransform, IModelView* view);

    const CEntitySet& GetCollected() const { return m_collected; }
    // 0 for an entity without a role.
    int32_t GetRole(const CEntity* entity) const;

    static bool IsAnnotation(const CEntity* entity);

private:
    void TransformVertex(CEntity* vertex, const orbisk::geometry::CTransform3d& transform);
    static void FollowTransform(CEntity* annotation, int32_t role,
                                const orbisk::geometry::CTransform3d& transform,
                                const orbisk::geometry::CTransform3d& textTransform, IModelView* view);

    CEntitySet m_entities;
    CEntitySet m_collected;
    std::map<const CEntity*, int32_t> m_roles;
};
