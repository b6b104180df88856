// A face's texture coordinates: their record in every schema, the checks on the pair counts it
// holds, the inverse of a mapping, the texture staying in place on a face that moves, and the
// check with its repair.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "database/Validity.h"
#include "platform/mfc/ArchiveException.h"
#include "support/NotificationCenter.h"
#include "support/Observer.h"
#include "tests/topology/FaceTestSupport.h"
#include "topology/FaceTextureCoords.h"
#include "topology/Loop.h"

namespace {

using orbisk::geometry::CPoint2d;
using orbisk::geometry::CTransform2d;
using orbisk::geometry::CTransform3d;
using orbisk::geometry::CUnitVector3d;

// Scales texture space by 2 and moves it by (1, 3).
const std::array<double, 9> kScaledAndMoved = {2, 0, 0, 0, 2, 0, 1, 3, 1};

CTransform2d MappingOf(const std::array<double, 9>& values)
{
    CTransform2d mapping;
    std::copy(values.begin(), values.end(), mapping.m);
    return mapping;
}

CPoint2d PlaneCoordinates(const CPlane3d& plane, const CPoint3d& p)
{
    CUnitVector3d x;
    CUnitVector3d y;
    CUnitVector3d(plane.GetNormal()).GetArbitraryAxes(x, y);
    const CVector3d v = p - CPoint3d();
    return {v.Dot(x), v.Dot(y)};
}

// Where a point of the face lies in texture space.
CPoint2d TextureAt(const CFaceTextureMapping& side, const CPlane3d& plane, const CPoint3d& p)
{
    const CPoint2d planar = PlaneCoordinates(side.GetMappingPlane(plane), p);
    CPoint3d uvq(planar.x, planar.y, 1.0);
    side.inverseMapping.TransformPoint(uvq);
    return {uvq.x / uvq.z, uvq.y / uvq.z};
}

// Counts the change notices of one entity.
class ChangeNotices : public orbisk::utils::IObserver {
public:
    explicit ChangeNotices(const CEntity* entity) : m_entity(entity)
    {
        orbisk::utils::CNotificationCenter::GetInstance().AddObserver("EntityChanged", this);
    }
    ~ChangeNotices() override
    {
        orbisk::utils::CNotificationCenter::GetInstance().RemoveObserverFromAll(this);
    }
    void OnNotification(const char*, void* payload) override
    {
        if (payload == m_entity)
            ++count;
    }
    int count = 0;

private:
    const CEntity* m_entity;
};

class FaceTextureCoordsTest : public FaceTest {
protected:
    CFaceTextureCoords* Read(FaceRecords& records, const FaceRecords::TextureCoordsRecord& record)
    {
        UseSchemas(records);
        return ReadOne<CFaceTextureCoords>(records.Archive({&record}));
    }
};

TEST_F(FaceTextureCoordsTest, EverySchemaReadsItsFieldsAndOlderOnesDeriveTheFlags)
{
    struct Case {
        int32_t schema;
        uint32_t storedFrontFlags;
        uint32_t frontFlags;
        uint32_t backFlags;
        bool backMapped;
        size_t frontPairs;
    };
    const Case cases[] = {
        {1, 0, 1, 0, false, 0},  // front mapping and projection only
        {2, 0, 1, 1, true, 0},   // the back side too
        {3, 0, 1, 1, true, 1},   // with the reference pairs; a mapping that is not the identity is mapped
        {4, 2, 2, 0, true, 1},   // the stored flags as they are
    };
    for (const Case& c : cases) {
        TopologyRecords topology;
        FaceRecords records(topology, {.faceTextureCoords = c.schema});
        auto& record = records.TextureCoords();
        record.front.mapping = kScaledAndMoved;
        record.front.projection = {0, 0, 1};
        record.front.pairs = {{0, 0, 1, 3}};
        record.front.flags = c.storedFrontFlags;
        record.back.mapping = kScaledAndMoved;
        record.back.projection = {1, 0, 0};

        const CFaceTextureCoords* coords = Read(records, record);

        ASSERT_NE(coords, nullptr) << "schema " << c.schema;
        const CFaceTextureMapping& front = coords->GetFrontSide();
        const CFaceTextureMapping& back = coords->GetBackSide();
        EXPECT_EQ(front.mapping.m[6], 1.0);
        EXPECT_EQ(front.projection.z, 1.0);
        EXPECT_EQ(front.flags, c.frontFlags) << "schema " << c.schema;
        EXPECT_EQ(back.flags, c.backFlags) << "schema " << c.schema;
        EXPECT_EQ(back.mapping.IsIdentity(), !c.backMapped) << "schema " << c.schema;
        EXPECT_EQ(back.projection.x, c.backMapped ? 1.0 : 0.0);
        EXPECT_EQ(front.referencePairs.size(), c.frontPairs);
        EXPECT_NEAR(front.inverseMapping.m[0], 0.5, 1e-12) << "the inverse is recomputed";
    }
}

TEST_F(FaceTextureCoordsTest, APairCountTheRecordCannotHoldFailsBeforeAnythingIsReserved)
{
    struct Case {
        int32_t count;
        int cause;
    };
    const Case cases[] = {
        {-1, CArchiveException::genericException},
        {0x7FFFFFFF, CArchiveException::endOfFile},
        {3, CArchiveException::endOfFile},
    };
    for (const Case& c : cases) {
        TopologyRecords topology;
        FaceRecords records(topology);
        auto& record = records.TextureCoords();
        record.back.pairs = {{1, 2, 3, 4}};
        record.back.pairCount = c.count;
        UseSchemas(records);
        EXPECT_EQ(ReadFailure(records.Archive({&record})), c.cause) << c.count;
    }
}

TEST_F(FaceTextureCoordsTest, ASingularMappingHasTheIdentityAsItsInverse)
{
    CFaceTextureMapping side;
    side.SetMapping(MappingOf({1, 2, 0, 2, 4, 0, 0, 0, 1}));
    EXPECT_TRUE(side.inverseMapping.IsIdentity());
    EXPECT_EQ(side.flags, CFaceTextureMapping::kMapped);
    side.Reset();
    EXPECT_TRUE(side.IsEmpty());
}

TEST_F(FaceTextureCoordsTest, TheTextureStaysOnTheSameSpotsOfAMovedFace)
{
    CFace* face = NewSquareFace({0, 0, 0}, 4);
    auto* coords = new CFaceTextureCoords;
    coords->SetFrontMapping(MappingOf(kScaledAndMoved));
    coords->SetBackMapping(MappingOf({0, 1, 0, -1, 0, 0, 0, 0, 1}));
    const CPoint3d spot(1.5, 2.5, 0);
    CFaceTextureMapping front = coords->GetFrontSide();
    front.referencePairs = {{{7, 7}, PlaneCoordinates(face->GetPlane(), spot)}};
    coords->SetFrontSide(front);
    face->AddAttributeDictionary(coords);
    ASSERT_EQ(GetFaceTextureCoords(face), coords);
    const CPlane3d before = face->GetPlane();
    const CPoint2d frontBefore = TextureAt(coords->GetFrontSide(), before, spot);
    const CPoint2d backBefore = TextureAt(coords->GetBackSide(), before, spot);

    CTransform3d move(CPoint3d(1, 0, 0), CUnitVector3d(1, 1, 0), 0.7);
    CTransform3d shift;
    shift.SetTranslation({3, -2, 5});
    move = shift * move;
    face->Transform(move);

    const CPoint3d moved = move.MultiplyPoint(spot);
    ASSERT_NEAR(face->GetPlane().SignedDistance(moved), 0.0, 1e-9);
    const CPoint2d frontAfter = TextureAt(coords->GetFrontSide(), face->GetPlane(), moved);
    const CPoint2d backAfter = TextureAt(coords->GetBackSide(), face->GetPlane(), moved);
    EXPECT_NEAR(frontAfter.x, frontBefore.x, 1e-9);
    EXPECT_NEAR(frontAfter.y, frontBefore.y, 1e-9);
    EXPECT_NEAR(backAfter.x, backBefore.x, 1e-9);
    EXPECT_NEAR(backAfter.y, backBefore.y, 1e-9);
    const auto& pair = coords->GetFrontSide().referencePairs.front();
    const CPoint2d expected = PlaneCoordinates(face->GetPlane(), moved);
    EXPECT_NEAR(pair.second.x, expected.x, 1e-9) << "the pair's face point moves with the face";
    EXPECT_NEAR(pair.second.y, expected.y, 1e-9);
    EXPECT_EQ(pair.first.x, 7.0) << "its texture point stays";
    face->Erase();
}

TEST_F(FaceTextureCoordsTest, AProjectedSideTurnsItsDirectionWithTheFace)
{
    CFace* face = NewSquareFace({0, 0, 0}, 4);
    auto* coords = new CFaceTextureCoords;
    coords->SetFrontProjection({0, 0, 1}, true);
    coords->SetFrontMapping(MappingOf(kScaledAndMoved));
    face->AddAttributeDictionary(coords);
    const CTransform3d turn(CPoint3d(), CUnitVector3d(1, 0, 0), orbisk::geometry::kPi / 2);
    face->Transform(turn);
    const CVector3d direction = coords->GetFrontSide().projection;
    EXPECT_NEAR(direction.y, -1.0, 1e-12);
    EXPECT_NEAR(direction.z, 0.0, 1e-12);
    EXPECT_TRUE(coords->IsSideEmpty(false));
    EXPECT_FALSE(coords->IsEmpty());
    face->Erase();
}

TEST_F(FaceTextureCoordsTest, SettingTheSameProjectionAgainChangesNothing)
{
    auto* coords = new CFaceTextureCoords;
    ChangeNotices notices(coords);
    coords->SetBackProjection({0, 1, 0}, true);
    coords->SetBackProjection({0, 1.0005, 0}, true);
    EXPECT_EQ(notices.count, 1);
    coords->SetBackProjection({0, 1, 0}, false);
    EXPECT_EQ(notices.count, 2) << "the projected flag changed";
    EXPECT_EQ(coords->GetBackSide().flags, 0u);
}

TEST_F(FaceTextureCoordsTest, TheCheckResetsAnInvalidSideInFixMode)
{
    auto* coords = new CFaceTextureCoords;
    coords->SetFrontMapping(MappingOf({1, 0, 0, 0, 1, 0, 0, 0, 0}));
    SetValidityChecksEnabled(true);
    EXPECT_EQ(coords->CheckValidity(kValidityCheck, nullptr), 1);
    EXPECT_NE(Report().find(L"texture coordinates for"), std::wstring::npos);
    EXPECT_EQ(coords->CheckValidity(kValidityFix, nullptr), 0);
    EXPECT_TRUE(coords->IsSideEmpty(true));
    EXPECT_EQ(coords->CheckValidity(kValidityCheck, nullptr), 0);
}

TEST_F(FaceTextureCoordsTest, ACloneDropsTheReferencePairsAnUndoCopyKeepsThem)
{
    auto* coords = new CFaceTextureCoords;
    CFaceTextureMapping side;
    side.referencePairs = {{{1, 2}, {3, 4}}};
    coords->SetFrontSide(side);
    coords->SetBackSide(side);
    std::unique_ptr<CAttribute> clone(coords->Clone());
    std::unique_ptr<CEntity> copy(coords->CreateCopy());
    const auto* cloned = dynamic_cast<CFaceTextureCoords*>(clone.get());
    const auto* copied = dynamic_cast<CFaceTextureCoords*>(copy.get());
    ASSERT_NE(cloned, nullptr);
    ASSERT_NE(copied, nullptr);
    EXPECT_TRUE(cloned->GetFrontSide().referencePairs.empty());
    EXPECT_TRUE(cloned->GetBackSide().referencePairs.empty());
    EXPECT_EQ(copied->GetBackSide().referencePairs.size(), 1u);
    EXPECT_TRUE(side.CopyWithoutPairs()->IsValid());
}

}  // namespace
