#include "topology/AverageNormalCache.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "database/EntityContainer.h"
#include "topology/Edge.h"
#include "topology/EdgeUse.h"
#include "topology/Face.h"
#include "topology/Loop.h"
#include "topology/Vertex.h"

using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint3d;

namespace {

class CUseVisitor : public CEdgeUseProc {
public:
    explicit CUseVisitor(std::function<void(CEdgeUse*)> visit) : m_visit(std::move(visit)) {}
    bool Visit(CEdgeUse* use) override
    {
        m_visit(use);
        return true;
    }

private:
    std::function<void(CEdgeUse*)> m_visit;
};

void ForEachUse(const CFace& face, const std::function<void(CEdgeUse*)>& visit)
{
    CUseVisitor visitor(visit);
    for (int i = 0; i < face.GetLoopCount(); ++i) {
        if (CLoop* loop = face.GetLoop(i))
            loop->ForEachEdgeUse(visitor);
    }
}

CFace* FaceOf(const CEdgeUse* use)
{
    return use ? dynamic_cast<CFace*>(use->GetFace()) : nullptr;
}

bool StartsAt(const CEdgeUse* use, const CVertex* vertex)
{
    return use && use->GetStartVertex() == vertex;
}

// A hard edge ends a fan: a border, an edge of more than two faces, or an edge not smooth.
bool CrossesSmoothly(const CEdgeUse* use)
{
    if (!use)
        return false;
    const CEdgeUse* partner = use->GetPartner();
    if (!partner || partner == use || partner->GetPartner() != use)
        return false;
    return use->GetEdge() && use->GetEdge()->IsSmooth();
}

CPoint3d StartOf(const CEdgeUse& use)
{
    const CVertex* v = use.GetStartVertex();
    return v ? v->GetPosition() : CPoint3d();
}

CPoint3d EndOf(const CEdgeUse& use)
{
    const CVertex* v = use.GetEndVertex();
    return v ? v->GetPosition() : CPoint3d();
}

bool NearlyEqual(const CAverageNormalCache::CVector3d& a, const CAverageNormalCache::CUnitVector3d& b)
{
    constexpr double kTolerance = 1e-6;
    return std::fabs(a.x - b.x) <= kTolerance && std::fabs(a.y - b.y) <= kTolerance &&
           std::fabs(a.z - b.z) <= kTolerance;
}

}  // namespace

void CAverageNormalCache::Compute(IEntityContainer& entities)
{
    if (m_valid)
        return;
    m_normals.clear();
    if (ResetSmoothing(entities)) {
        const CTransform3d identity;
        for (int i = 0; i < entities.GetCount(); ++i) {
            auto* face = dynamic_cast<CFace*>(entities.GetAt(i));
            if (!face)
                continue;
            bool smooth = false;
            ForEachUse(*face, [&](CEdgeUse* use) {
                smooth = smooth || (use->GetEdge() && use->GetEdge()->IsSmooth());
            });
            if (smooth)
                ProcessFace(*face, identity);
        }
    }
    if (!m_hold)
        m_valid = true;
}

void CAverageNormalCache::Invalidate()
{
    m_valid = false;
    m_normals.clear();
}

void CAverageNormalCache::SetHold(bool hold)
{
    m_hold = hold;
    Invalidate();
}

CAverageNormalCache::CUnitVector3d CAverageNormalCache::GetNormal(int index) const
{
    if (index < 0 || index >= GetCount())
        return CUnitVector3d();
    return m_normals[static_cast<size_t>(index)];
}

CAverageNormalCache::CVector3d CAverageNormalCache::GetUseNormal(const CEdgeUse& use) const
{
    const CFace* face = FaceOf(&use);
    const CVector3d faceNormal = face ? face->GetPlane().GetNormal() : CVector3d(0.0, 0.0, 1.0);
    const int32_t k = use.GetNormalIndex();
    if (k <= 0 || k > GetCount())
        return faceNormal;
    const CUnitVector3d& m = m_normals[static_cast<size_t>(k - 1)];
    const CVector3d mean(m.x, m.y, m.z);
    return mean.Dot(faceNormal) < 0.0 ? -mean : mean;
}

bool CAverageNormalCache::ResetSmoothing(IEntityContainer& entities)
{
    int smoothEdges = 0;
    for (int i = 0; i < entities.GetCount(); ++i) {
        CEntity* entity = entities.GetAt(i);
        if (auto* face = dynamic_cast<CFace*>(entity)) {
            face->SetHasAveragedNormals(false);
            ForEachUse(*face, [](CEdgeUse* use) { use->SetNormalIndex(0); });
        } else if (auto* edge = dynamic_cast<CEdge*>(entity); edge && edge->IsSmooth()) {
            ++smoothEdges;
        }
    }
    return smoothEdges > 0;
}

void CAverageNormalCache::ProcessFace(CFace& face, const CTransform3d& transform)
{
    std::vector<CEdgeUse*> uses;
    ForEachUse(face, [&](CEdgeUse* use) { uses.push_back(use); });
    for (CEdgeUse* use : uses) {
        if (use->GetNormalIndex() != 0)
            continue;
        Fan fan;
        const int result = CollectFan(use, fan);
        ProcessFan(fan, result, transform);
    }
}

int CAverageNormalCache::CollectFan(CEdgeUse* first, Fan& fan)
{
    fan.clear();
    fan.emplace_back(first, true);
    const CVertex* apex = first->GetStartVertex();
    int steps = 0;
    int result = 0;

    for (;; ++steps) {
        if (steps >= kMaxFanSteps)
            break;
        auto [u, o] = fan.back();
        CEdgeUse* crossing = o ? u->GetPrevious() : u;
        if (!CrossesSmoothly(crossing)) {
            ++result;
            break;
        }
        CEdgeUse* next = o ? u->GetPrevious()->GetPartner() : u->GetPartner();
        bool nextOriented = true;
        if (!StartsAt(next, apex)) {
            next = next->GetNext();
            nextOriented = false;
        }
        if (!next)
            break;
        if (next == first && nextOriented)
            return 0;
        fan.emplace_back(next, nextOriented);
    }

    std::reverse(fan.begin(), fan.end());
    FanPair current(first, true);
    for (;; ++steps) {
        if (steps >= kMaxFanSteps)
            break;
        auto [u, o] = current;
        CEdgeUse* crossing = o ? u : u->GetPrevious();
        if (!CrossesSmoothly(crossing)) {
            ++result;
            break;
        }
        CEdgeUse* next = o ? u->GetPartner() : u->GetPrevious()->GetPartner();
        // The neighbour's use at the vertex is the next one of its loop when it runs like ours.
        const bool nextOriented = !StartsAt(next, apex);
        if (nextOriented)
            next = next->GetNext();
        if (!next)
            break;
        current = FanPair(next, nextOriented);
        fan.push_back(current);
    }
    std::reverse(fan.begin(), fan.end());
    return result;
}

void CAverageNormalCache::ProcessFan(const Fan& fan, int result, const CTransform3d& transform)
{
    const size_t n = fan.size();
    if (n == 0)
        return;
    const bool halfWeights = result == 1;
    bool apexCandidate = result == 0 && n >= 6;

    std::vector<CVector3d> normals;
    normals.reserve(n);
    CVector3d sum(0.0, 0.0, 0.0);
    double total = 0.0;
    double firstWeight = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const auto& [use, oriented] = fan[i];
        const CFace* face = FaceOf(use);
        if (!face)
            return;
        CPlane3d plane = face->GetPlane();
        transform.TransformPlane(plane);
        const CVector3d normal = oriented ? plane.GetNormal() : -plane.GetNormal();
        normals.push_back(normal);
        double weight = GetCornerAngle(*use, oriented, transform);
        if (i == 0)
            firstWeight = weight;
        if (face->GetEdgeUseCount() != 3 || std::fabs(weight - firstWeight) >= 0.001)
            apexCandidate = false;
        if (halfWeights && (i == 0 || i == n - 1))
            weight *= 0.5;
        sum = sum + normal * weight;
        total += weight;
    }
    if (total <= 0.0)
        return;
    const CUnitVector3d mean(sum / total);
    const CVector3d meanVector(mean.x, mean.y, mean.z);
    if (!meanVector.IsNonZero())
        return;

    constexpr double kApexAngle = 0.39269908169872414;
    if (apexCandidate) {
        for (const CVector3d& normal : normals) {
            if (std::acos(std::clamp(meanVector.Dot(normal), -1.0, 1.0)) < kApexAngle) {
                apexCandidate = false;
                break;
            }
        }
    }

    int32_t index = 0;
    for (const auto& [use, oriented] : fan) {
        CFace* face = FaceOf(use);
        const CVector3d own = face->GetPlane().GetNormal();
        if (NearlyEqual(own, mean) || NearlyEqual(-own, mean)) {
            use->SetNormalIndex(-1);
            continue;
        }
        face->SetHasAveragedNormals(true);
        if (apexCandidate) {
            use->SetNormalIndex(-1);
            continue;
        }
        if (index == 0) {
            m_normals.push_back(mean);
            index = static_cast<int32_t>(m_normals.size());
        }
        use->SetNormalIndex(index);
    }
}

double CAverageNormalCache::GetCornerAngle(const CEdgeUse& use, bool /*oriented*/,
                                           const CTransform3d& transform)
{
    const CFace* face = FaceOf(&use);
    const CEdgeUse* previous = use.GetPrevious();
    if (!face || !previous)
        return 0.0;
    CVector3d a = EndOf(use) - StartOf(use);
    CVector3d b = StartOf(*previous) - EndOf(*previous);
    transform.TransformVector(a);
    transform.TransformVector(b);
    CPlane3d plane = face->GetPlane();
    transform.TransformPlane(plane);
    // Measured about the face's own normal whatever its orientation in the fan: about the
    // reversed one, a reversed face would weigh in with its exterior angle.
    return plane.GetNormal().AngleAbout(a, b);
}
