#include "topology/FacePointClassifier.h"

#include <algorithm>
#include <memory>

#include "geometry/Plane3d.h"
#include "geometry/Polygon2d.h"
#include "geometry/Tolerance.h"
#include "geometry/UnitVector3d.h"
#include "topology/Edge.h"
#include "topology/EdgeUse.h"
#include "topology/Face.h"
#include "topology/Loop.h"
#include "topology/TopologyEnumerators.h"
#include "topology/Vertex.h"

using orbisk::geometry::ClassifyPointInPolygon2d;
using orbisk::geometry::CPlane3d;
using orbisk::geometry::CPoint3d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CUnitVector3d;

namespace {

// The start vertex positions of the loop's uses, in ring order.
std::vector<orbisk::geometry::CPoint3d> LoopPositions(const CLoop& loop,
                                                      const CTransform3d* transform = nullptr)
{
    std::vector<orbisk::geometry::CPoint3d> positions;
    for (const CEdgeUse* use : loop.GetEdgeUses()) {
        if (const CVertex* vertex = use->GetStartVertex())
            positions.push_back(transform ? transform->MultiplyPoint(vertex->GetPosition())
                                          : vertex->GetPosition());
    }
    return positions;
}

}  // namespace

CFacePointClassifier::CFacePointClassifier(const CFace* face) : m_face(face)
{
    SetupFrame();
    Rebuild();
}

void CFacePointClassifier::SetFace(const CFace* face)
{
    m_face = face;
    SetupFrame();
    Rebuild();
}

void CFacePointClassifier::SetupFrame()
{
    if (!m_face)
        return;
    CPlane3d plane = m_face->GetPlane();
    plane.Orient();
    m_origin = plane.GetPoint();
    CUnitVector3d u;
    CUnitVector3d v;
    CUnitVector3d(plane.GetNormal()).GetArbitraryAxes(u, v);
    m_u = u;
    m_v = v;
}

void CFacePointClassifier::Rebuild()
{
    m_points.clear();
    m_loopSizes.clear();
    m_bounds.SetEmpty();
    if (!m_face)
        return;
    // Every loop is walked by its bounded ring walk, the same walk that counts the face's edge
    // uses, so a ring read from a file that closes on itself elsewhere fills no more than that.
    m_points.reserve(static_cast<size_t>(std::max(0, m_face->GetEdgeUseCount())));
    for (int i = 0; i < m_face->GetLoopCount(); ++i) {
        const CLoop* loop = m_face->GetLoop(i);
        const size_t before = m_points.size();
        if (loop) {
            for (const CPoint3d& position : LoopPositions(*loop)) {
                m_points.push_back(Project(position));
                m_bounds.Add(m_points.back());
            }
        }
        m_loopSizes.push_back(m_points.size() - before);
    }
}

CFacePointClassifier::CPoint2d CFacePointClassifier::Project(const CPoint3d& point) const
{
    const orbisk::geometry::CVector3d offset = point - m_origin;
    return {offset.Dot(m_u), offset.Dot(m_v)};
}

CFacePointClassifier::Slice CFacePointClassifier::SliceOf(int loopIndex) const
{
    Slice slice;
    for (int i = 0; i < loopIndex; ++i)
        slice.first += m_loopSizes[static_cast<size_t>(i)];
    slice.count = m_loopSizes[static_cast<size_t>(loopIndex)];
    return slice;
}

CFacePointClassifier::Slice CFacePointClassifier::PointsToTest(bool outerOnly) const
{
    if (!outerOnly)
        return {0, m_points.size()};
    return m_loopSizes.empty() ? Slice{} : SliceOf(0);
}

int CFacePointClassifier::ClassifyPoint2d(const CPoint2d& point, bool outerOnly) const
{
    if (!m_face)
        return kNoFace;
    if (!m_bounds.Contains(point))
        return kOutside;
    int running = kNoFace;
    size_t first = 0;
    for (size_t i = 0; i < m_loopSizes.size(); ++i) {
        const size_t count = m_loopSizes[i];
        const CLoop* loop = m_face->GetLoop(static_cast<int>(i));
        const int r = ClassifyPointInPolygon2d(point, m_points.data() + first, count);
        first += count;
        if (loop && loop->IsOuter()) {
            if (r != kInside)
                return r;
            running = kInside;
        } else if (r == kOutside) {
            running = kInside;
        } else if (r == kInside) {
            return kOutside;
        } else {
            return r;
        }
        if (outerOnly)
            return running;
    }
    return running;
}

int CFacePointClassifier::ClassifyPointOuter(const CPoint3d& point) const
{
    if (!m_face)
        return kNoFace;
    const CPoint2d projected = Project(point);
    if (!m_bounds.Contains(projected))
        return kOutside;
    const Slice outer = PointsToTest(true);
    return ClassifyPointInPolygon2d(projected, m_points.data() + outer.first, outer.count);
}

const CFacePointClassifier::CPoint2d* CFacePointClassifier::FindLoopPoints(const CLoop* loop) const
{
    if (!m_face || !loop)
        return nullptr;
    for (size_t i = 0; i < m_loopSizes.size(); ++i) {
        if (m_face->GetLoop(static_cast<int>(i)) == loop)
            return m_points.data() + SliceOf(static_cast<int>(i)).first;
    }
    return nullptr;
}

int CFacePointClassifier::ClassifyFace(const CFacePointClassifier& other, bool outerOnly) const
{
    if (!m_face)
        return kNoFace;
    if (!m_bounds.Intersects(other.m_bounds))
        return kApart;
    int a = kNoFace;
    const Slice theirs = other.PointsToTest(outerOnly);
    for (size_t i = theirs.first; i < theirs.first + theirs.count; ++i) {
        const int r = ClassifyPoint2d(other.m_points[i], outerOnly);
        if (r == kOnEdge || r == kOnVertex)
            return kTouching;
        if (a == kNoFace)
            a = r;
        else if (r != a)
            return kOverlapping;
    }
    int b = kNoFace;
    const Slice ours = PointsToTest(outerOnly);
    for (size_t i = ours.first; i < ours.first + ours.count; ++i) {
        const int r = other.ClassifyPoint2d(m_points[i], outerOnly);
        if (r == kOnEdge || r == kOnVertex)
            return kTouching;
        if (r == kInside && a == kInside)
            return kOverlapping;
        if (b == kNoFace)
            b = r;
        else if (r != b)
            return kOverlapping;
    }
    if (a == kOutside && b == kOutside)
        return kApart;
    if (a == kOutside && b == kInside)
        return kInsideOther;
    if (a == kInside && b == kOutside)
        return kOtherInside;
    return kOverlapping;
}

int CFacePointClassifier::CompareWithFace(const CFace* face) const
{
    const CFacePointClassifier other(face);
    return ClassifyFace(other, false);
}

int CFacePointClassifier::ClassifyLoop(const CLoop* loop, const CTransform3d* transform) const
{
    if (!m_face || !loop)
        return kUndecided;
    const std::vector<CPoint3d> positions = LoopPositions(*loop, transform);
    if (positions.empty())
        return kUndecided;
    int common = kNoFace;
    for (const CPoint3d& position : positions) {
        const int r = ClassifyPointOuter(position);
        if (common == kNoFace && (r == kOnEdge || r == kOnVertex))
            return kLoopMixed;
        if (common != kNoFace && r != common)
            return kLoopMixed;
        common = r;
    }
    std::vector<CPoint2d> polygon;
    polygon.reserve(positions.size());
    for (const CPoint3d& position : positions)
        polygon.push_back(Project(position));
    for (const CPoint2d& point : m_points) {
        const int r = ClassifyPointInPolygon2d(point, polygon.data(), polygon.size());
        if ((common == kInside && r != kOutside) || (common == kOutside && r != kInside))
            return kLoopMixed;
    }
    if (common == kInside)
        return kLoopInside;
    return common == kOutside ? kLoopSurrounds : kUndecided;
}

int CFacePointClassifier::ClassifyLoopOf(const CFacePointClassifier& other, const CLoop* loop,
                                         bool outerOnly) const
{
    if (!m_face || !other.m_face || !loop)
        return kUndecided;
    const CPoint2d* points = other.FindLoopPoints(loop);
    if (!points)
        return kUndecided;
    size_t count = 0;
    for (size_t i = 0; i < other.m_loopSizes.size(); ++i) {
        if (other.m_face->GetLoop(static_cast<int>(i)) == loop) {
            count = other.m_loopSizes[i];
            break;
        }
    }
    orbisk::geometry::CBoundingBox2d box;
    for (size_t i = 0; i < count; ++i)
        box.Add(points[i]);
    int result = kUndecided;
    for (size_t i = 0; i < count; ++i) {
        const int r = ClassifyPoint2d(points[i], outerOnly);
        if (r == kOnEdge || r == kOnVertex)
            continue;
        const int kind = r == kInside ? kLoopInside : kLoopSurrounds;
        if (result == kUndecided)
            result = kind;
        else if (kind != result)
            return kLoopMixed;
    }
    if (result == kUndecided)
        return kUndecided;
    for (const CPoint2d& point : m_points) {
        const int r = box.Contains(point) ? ClassifyPointInPolygon2d(point, points, count) : kOutside;
        if ((result == kLoopInside && r == kInside) || (result == kLoopSurrounds && r == kOutside))
            return kLoopMixed;
    }
    return result;
}

bool IsFaceInsideFace(const CFace* a, const CFace* b)
{
    if (!a || !b || !a->GetPlane().IsEqual(b->GetPlane(), false, orbisk::geometry::kGeomTolerance))
        return false;
    const CFacePointClassifier classifier(b);
    for (int i = 0; i < a->GetLoopCount(); ++i) {
        const CLoop* loop = a->GetLoop(i);
        if (!loop)
            continue;
        for (const CPoint3d& position : LoopPositions(*loop)) {
            if (classifier.ClassifyPoint(position) != CFacePointClassifier::kInside)
                return false;
        }
    }
    return true;
}

int FindFacesSharingEdges(int count, CEdge* const* edges, std::vector<CEntity*>& faces)
{
    if (count < 1 || !edges)
        return 0;
    auto facesOf = [](const CEdge* edge, std::vector<CEntity*>& out) {
        out.clear();
        if (!edge)
            return;
        std::unique_ptr<CEnumFace> enumerator(edge->NewFaceEnumerator());
        CEntity* face = nullptr;
        while (enumerator && enumerator->Next(face))
            out.push_back(face);
    };
    facesOf(edges[0], faces);
    std::vector<CEntity*> scratch;
    for (int i = 1; i < count && !faces.empty(); ++i) {
        facesOf(edges[i], scratch);
        std::erase_if(faces, [&](CEntity* face) {
            return std::find(scratch.begin(), scratch.end(), face) == scratch.end();
        });
    }
    return static_cast<int>(faces.size());
}
