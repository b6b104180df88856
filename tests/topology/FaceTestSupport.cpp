#include "tests/topology/FaceTestSupport.h"
#include "tests/support/VersionMaps.h"

#include <cmath>

#include "database/ArchiveSchema.h"
#include "database/Material.h"
#include "database/UndoManager.h"
#include "database/VersionInfo.h"
#include "database/VersionMap.h"
#include "topology/Edge.h"
#include "topology/Loop.h"
#include "topology/Vertex.h"

namespace {

class TestOpeningEnumerator : public CEnumOpeningLoop {
public:
    explicit TestOpeningEnumerator(std::vector<TestOpeningLoop> loops) : m_loops(std::move(loops)) {}
    void Reset() override { m_cursor = 0; }
    bool Next(IOpeningLoop*& loop) override
    {
        if (m_cursor >= m_loops.size()) {
            loop = nullptr;
            return false;
        }
        loop = &m_loops[m_cursor++];
        return true;
    }
    int GetCount() const override { return static_cast<int>(m_loops.size()); }
    int GetVertexCount() const override
    {
        int count = 0;
        for (const auto& loop : m_loops)
            count += loop.GetPerimeterLoop()->GetEdgeUseCount();
        return count;
    }
    IOpeningLoop* GetAt(int index) const override { return const_cast<TestOpeningLoop*>(&m_loops[index]); }

private:
    std::vector<TestOpeningLoop> m_loops;
    size_t m_cursor = 0;
};

}  // namespace

double TestOpeningLoop::GetArea(const orbisk::geometry::CTransform3d* extra) const
{
    const orbisk::geometry::CTransform3d placed = extra ? *extra * m_placement : m_placement;
    return -std::abs(m_loop->GetArea(m_normal, &placed));
}

CEnumOpeningLoop* TestOpeningFactory::CreateOpeningEnumerator(CEntity*, IModelView*)
{
    ++created;
    return new TestOpeningEnumerator(openings);
}

int BoxPickHelper::PickSegment(const CPoint3d& start, const CPoint3d& end)
{
    return volume.IntersectsSegment(start, end) ? 1 : 0;
}

bool BoxPickHelper::TestBox(const orbisk::geometry::CBoundingBox3d& box)
{
    return volume.Intersects(box);
}

int BoxPickHelper::PickPoint(const CPoint3d& point)
{
    ++pointTests;
    return volume.Contains(point) ? 1 : 0;
}

void BoxPickHelper::GetApertureCorners(CPoint3d (&out)[4])
{
    // The aperture lies across the ray at its origin; its rows run along x, its columns along y
    // when the ray runs along z.
    orbisk::geometry::CUnitVector3d across;
    orbisk::geometry::CUnitVector3d up;
    ray.direction.GetArbitraryAxes(across, up);
    const double h = apertureHalfWidth;
    const CPoint3d& o = ray.origin;
    auto at = [&](double s, double t) { return o + CVector3d(across) * s + CVector3d(up) * t; };
    out[0] = at(-h, h);
    out[1] = at(h, h);
    out[2] = at(-h, -h);
    out[3] = at(h, -h);
}

FaceTest::~FaceTest()
{
    CurrentFileVersion().Copy(CVersionInfo());
}

CFace* FaceTest::NewFace(const std::vector<CPoint3d>& outline)
{
    std::vector<CEdge*> edges = NewPolygon(outline);
    return new CFace(static_cast<int>(edges.size()), edges.data(),
                     CPlane3d(outline[0], orbisk::geometry::CUnitVector3d::ZAxis()));
}

std::vector<CPoint3d> FaceTest::Square(const CPoint3d& corner, double side)
{
    return {corner, corner + CVector3d(side, 0, 0), corner + CVector3d(side, side, 0),
            corner + CVector3d(0, side, 0)};
}

CFace* FaceTest::NewSquareFace(const CPoint3d& corner, double side)
{
    return NewFace(Square(corner, side));
}

CLoop* FaceTest::AddHole(CFace* face, const std::vector<CPoint3d>& outline)
{
    std::vector<CEdge*> edges = NewPolygon(outline);
    auto* hole = new CLoop(static_cast<int>(edges.size()), edges.data(), face->GetPlane().GetNormal());
    face->AddLoop(hole);
    return hole;
}

CMaterial* FaceTest::NewMaterial(bool transparent)
{
    auto* material = new CMaterial;
    if (transparent) {
        material->SetUseTransparency(true);
        material->SetTransparency(0.5);
    }
    return material;
}

void FaceTest::UseSchemas(const FaceRecords& records)
{
    InstallVersionMap(records.GetVersionMap(), ModelFileWriter::VersionMap{{"CMaterial", 7}});
}

CObject* FaceTest::ReadWithStandIns(const Bytes& bytes, std::initializer_list<const CObject*> standIns)
{
    CObject* object = nullptr;
    EXPECT_EQ(BytesLeftAfter(bytes,
                             [&](CArchive& ar) {
                                 FaceRecords::MapStandIns(ar, standIns);
                                 object = ar.ReadObject(nullptr);
                             }),
              0u);
    return object;
}

int FaceTest::FailureWithStandIns(const Bytes& bytes, std::initializer_list<const CObject*> standIns)
{
    CSuspendUndo unrecorded;
    return ArchiveCause([&] {
        ReadFrom(bytes, [&](CArchive& ar) {
            FaceRecords::MapStandIns(ar, standIns);
            CObject* object = ar.ReadObject(nullptr);
            if (auto* entity = dynamic_cast<CEntity*>(object))
                entity->Erase();
        });
    });
}

TopologyRecords::LoopRecord& FaceTest::SquareLoopRecord(TopologyRecords& records, double offset)
{
    const CPoint3d corners[] = {{offset, 0, 0}, {offset + 1, 0, 0}, {offset + 1, 1, 0}, {offset, 1, 0}};
    TopologyRecords::VertexRecord* vertices[4];
    for (int i = 0; i < 4; ++i)
        vertices[i] = &records.Vertex(corners[i]);
    auto& loop = records.Loop();
    loop.convex = false;
    for (int i = 0; i < 4; ++i) {
        auto& edge = records.Edge(*vertices[i], *vertices[(i + 1) % 4]);
        loop.uses.push_back(&records.EdgeUse(edge, false, loop));
    }
    return loop;
}

void FaceTest::SetWriterVersion(int major, int minor)
{
    CurrentFileVersion().Copy(CVersionInfo(major, minor, 0));
}
