#pragma once
// CAverageNormalCache: the averaged normals of a component's smooth vertex fans, so that faces
// meeting at smooth edges draw with per-vertex normals. The list is computed once from the
// component's own faces; each edge use of those faces keeps a normal index saying which
// averaged normal applies at its start vertex (0 not computed, -1 the face's own normal, n > 0
// entry n - 1). A face with at least one vertex whose normal differs from its own carries the
// averaged-normals flag (CFace::HasAveragedNormals).
//
// The cache never follows single changes: the owner invalidates it after any edit.

#include <cstdint>
#include <utility>
#include <vector>

#include "geometry/Transform3d.h"
#include "geometry/UnitVector3d.h"

class CEdgeUse;
class CFace;
class IEntityContainer;

class CAverageNormalCache {
public:
    using CTransform3d = orbisk::geometry::CTransform3d;
    using CUnitVector3d = orbisk::geometry::CUnitVector3d;
    using CVector3d = orbisk::geometry::CVector3d;
    // A use of a face around the fan's vertex, and whether that face is oriented like the first
    // one (the use then starts at the vertex; otherwise it ends there).
    using FanPair = std::pair<CEdgeUse*, bool>;
    using Fan = std::vector<FanPair>;

    // Both walks of a fan together take at most this many steps.
    static constexpr int kMaxFanSteps = 1000;

    // Rebuilds the list and the indices from the faces of the entity list when not valid.
    void Compute(IEntityContainer& entities);
    void Invalidate();
    // While held, Compute rebuilds on every call.
    void SetHold(bool hold);
    bool IsValid() const { return m_valid; }
    bool IsHeld() const { return m_hold; }
    int GetCount() const { return static_cast<int>(m_normals.size()); }
    // The zero vector outside the list.
    CUnitVector3d GetNormal(int index) const;
    // The use's averaged normal, turned to the side of its face's normal; the face normal when
    // the use has none.
    CVector3d GetUseNormal(const CEdgeUse& use) const;

    // Clears the averaged-normals flag of every face of the list and every use's index; true
    // when the list has a smooth edge.
    static bool ResetSmoothing(IEntityContainer& entities);
    // Every use of the face whose index is still 0 has its fan collected and processed.
    void ProcessFace(CFace& face, const CTransform3d& transform);
    // The fan at the use's start vertex, from one end to the other; the result counts the
    // walks that stopped at a hard edge (0 for a closed fan, 2 for an open one).
    static int CollectFan(CEdgeUse* use, Fan& fan);
    void ProcessFan(const Fan& fan, int result, const CTransform3d& transform);
    // The face's interior angle at the fan's vertex, in radians.
    static double GetCornerAngle(const CEdgeUse& use, bool oriented, const CTransform3d& transform);

private:
    std::vector<CUnitVector3d> m_normals;
    bool m_valid = false;
    bool m_hold = false;
};
