// Faces: their record in every schema with the materials of old files, the loop list and its
// limits, the entity operations (copy, swap, reverse, transform, erase) and the check.
#include <gtest/gtest.h>

#include <memory>

#include "database/Material.h"
#include "database/UndoManager.h"
#include "database/Validity.h"
#include "platform/mfc/ArchiveException.h"
#include "tests/topology/FaceTestSupport.h"
#include "topology/Edge.h"
#include "topology/EdgeUse.h"
#include "topology/Loop.h"
#include "topology/TopologyEnumerators.h"
#include "topology/Vertex.h"

namespace {

TEST_F(FaceTest, EverySchemaReadsThePlaneTheLoopsAndTheMaterials)
{
    struct Case {
        int32_t schema;
        bool drawingElementMaterial;  // stand-in 0 as the element's material
        bool schema1Material;         // stand-in 0 as the face's own front material
        bool backMaterial;            // stand-in 1 as the back material
        bool frontIsFirst;
        int backIs;  // -1 none, 0 or 1 the stand-in
        int firstUses;
    };
    const Case cases[] = {
        {0, true, false, false, true, 0, 2},    {1, false, true, false, true, 0, 2},
        {1, false, false, false, false, -1, 0}, {2, true, false, false, true, 0, 2},
        {3, true, false, true, true, 1, 1},     {3, true, false, false, true, -1, 1},
    };
    for (const Case& c : cases) {
        TopologyRecords topology;
        FaceRecords records(topology, {.face = c.schema});
        auto& loop = SquareLoopRecord(topology);
        auto& record = records.Face({0, 0, 2, 4}, {&loop});
        if (c.drawingElementMaterial)
            record.frontMaterial = &records.StandIn(0);
        if (c.schema1Material)
            record.schema1Material = &records.StandIn(0);
        if (c.backMaterial)
            record.backMaterial = &records.StandIn(1);
        records.StandIn(1);
        UseSchemas(records);
        CMaterial* first = NewMaterial(false);
        CMaterial* second = NewMaterial(false);

        auto* face = dynamic_cast<CFace*>(ReadWithStandIns(records.Archive({&record}), {first, second}));

        ASSERT_NE(face, nullptr) << "schema " << c.schema;
        EXPECT_EQ(face->GetPlane().c, 1.0) << "the plane is normalised";
        EXPECT_EQ(face->GetPlane().d, 2.0);
        ASSERT_EQ(face->GetLoopCount(), 1);
        EXPECT_EQ(face->GetOuterLoop()->GetFace(), face);
        EXPECT_TRUE(face->GetOuterLoop()->IsConvex()) << "convexity is recomputed about the face normal";
        EXPECT_EQ(face->GetMaterial(), c.frontIsFirst ? first : nullptr) << "schema " << c.schema;
        CMaterial* expectedBack = c.backIs < 0 ? nullptr : c.backIs == 0 ? first : second;
        EXPECT_EQ(face->GetBackMaterial(), expectedBack) << "schema " << c.schema;
        EXPECT_EQ(first->GetUseCount(), c.firstUses) << "schema " << c.schema;
    }
}

TEST_F(FaceTest, WritersBefore71ShareATransparentMaterialWithTheBareSide)
{
    struct Case {
        int32_t schema;
        int major;
        int minor;
        bool frontTransparent;  // stand-in 0 on the front, else nothing on the front
        bool backTransparent;   // stand-in 0 on the back (schema 3), else nothing on the back
        bool frontShared;
        bool backShared;
        int uses;
    };
    const Case cases[] = {
        {2, 6, 0, true, false, true, true, 2},   // schema 2 gives the front to the back anyway
        {3, 6, 0, true, false, true, true, 2},   // the back takes the transparent front
        {3, 7, 0, false, true, true, true, 2},   // the front takes the transparent back
        {3, 7, 1, false, true, false, true, 1},  // from 7.1 on both stay as read
        {3, 7, 1, true, false, true, false, 1},
    };
    for (const Case& c : cases) {
        TopologyRecords topology;
        FaceRecords records(topology, {.face = c.schema});
        auto& record = records.Face({0, 0, 1, 0}, {&SquareLoopRecord(topology)});
        if (c.frontTransparent)
            record.frontMaterial = &records.StandIn(0);
        if (c.backTransparent)
            record.backMaterial = &records.StandIn(0);
        UseSchemas(records);
        SetWriterVersion(c.major, c.minor);
        CMaterial* glass = NewMaterial(true);

        auto* face = dynamic_cast<CFace*>(ReadWithStandIns(records.Archive({&record}), {glass}));

        ASSERT_NE(face, nullptr);
        EXPECT_EQ(face->GetMaterial() == glass, c.frontShared) << c.major << "." << c.minor;
        EXPECT_EQ(face->GetBackMaterial() == glass, c.backShared) << c.major << "." << c.minor;
        EXPECT_EQ(glass->GetUseCount(), c.uses);
    }
}

TEST_F(FaceTest, AnOpaqueMaterialOfAnOldWriterStaysOnItsSide)
{
    TopologyRecords topology;
    FaceRecords records(topology);
    auto& record = records.Face({0, 0, 1, 0}, {&SquareLoopRecord(topology)});
    record.backMaterial = &records.StandIn(0);
    UseSchemas(records);
    SetWriterVersion(7, 0);
    CMaterial* paint = NewMaterial(false);

    auto* face = dynamic_cast<CFace*>(ReadWithStandIns(records.Archive({&record}), {paint}));

    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->GetMaterial(), nullptr);
    EXPECT_EQ(face->GetBackMaterial(), paint);
}

TEST_F(FaceTest, ALoopCountBeyondWhatTheLoopArrayHoldsFailsTheRecord)
{
    for (int32_t count : {-1, 100000, 99999, 65536}) {
        TopologyRecords topology;
        FaceRecords records(topology);
        auto& record = records.Face({0, 0, 1, 0}, {});
        record.loopCount = count;
        UseSchemas(records);
        EXPECT_EQ(ReadFailure(records.Archive({&record})), CArchiveException::genericException) << count;
    }
}

TEST_F(FaceTest, AFullLoopArrayOfNullEntriesIsReadForTheCheckToReport)
{
    TopologyRecords topology;
    FaceRecords records(topology);
    auto& record =
        records.Face({0, 0, 1, 0}, std::vector<const CObject*>(CCompactPtrArray::kMaxCount, nullptr));
    UseSchemas(records);

    auto* face = ReadOne<CFace>(records.Archive({&record}));

    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->GetLoopCount(), CCompactPtrArray::kMaxCount);
    EXPECT_EQ(face->GetOuterLoop(), nullptr);
}

TEST_F(FaceTest, ACountLargerThanTheRecordFailsAtTheEndOfTheBytes)
{
    TopologyRecords topology;
    FaceRecords records(topology);
    auto& record = records.Face({0, 0, 1, 0}, {&SquareLoopRecord(topology)});
    record.loopCount = 60000;
    UseSchemas(records);
    EXPECT_EQ(ReadFailure(records.Archive({&record})), CArchiveException::endOfFile);
}

TEST_F(FaceTest, ANullLoopEntryIsSkippedAndTheCheckReportsIt)
{
    TopologyRecords topology;
    FaceRecords records(topology);
    auto& record = records.Face({0, 0, 1, 0}, {&SquareLoopRecord(topology), nullptr});
    UseSchemas(records);

    auto* face = ReadOne<CFace>(records.Archive({&record}));

    ASSERT_NE(face, nullptr);
    ASSERT_EQ(face->GetLoopCount(), 2);
    EXPECT_EQ(face->GetLoop(1), nullptr);
    EXPECT_EQ(face->GetEdgeUseCount(), 4);
    SetValidityChecksEnabled(true);
    EXPECT_EQ(face->CheckValidity(kValidityCheck, nullptr), 3);
    EXPECT_NE(Report().find(L"Loop 1 for"), std::wstring::npos) << Report();
}

TEST_F(FaceTest, ALoopThatCannotBelongToThisFaceFailsTheRecord)
{
    TopologyRecords topology;
    FaceRecords records(topology);
    auto& loop = SquareLoopRecord(topology);
    auto& listedTwice = records.Face({0, 0, 1, 0}, {&loop, &loop});
    UseSchemas(records);
    EXPECT_EQ(ReadFailure(records.Archive({&listedTwice})), CArchiveException::genericException);

    TopologyRecords otherTopology;
    FaceRecords otherRecords(otherTopology);
    auto& shared = SquareLoopRecord(otherTopology);
    auto& owner = otherRecords.Face({0, 0, 1, 0}, {&shared});
    auto& thief = otherRecords.Face({0, 0, 1, 0}, {&shared});
    UseSchemas(otherRecords);
    const Bytes bytes = otherRecords.Archive({&owner, &thief});
    int cause = CArchiveException::none;
    {
        CSuspendUndo unrecorded;
        cause = ArchiveCause([&] {
            ReadFrom(bytes, [](CArchive& ar) {
                auto* first = dynamic_cast<CEntity*>(ar.ReadObject(nullptr));
                ASSERT_NE(first, nullptr);
                try {
                    ar.ReadObject(nullptr);
                } catch (...) {
                    auto* face = static_cast<CFace*>(first);
                    EXPECT_EQ(face->GetOuterLoop()->GetFace(), face) << "the first face keeps its loop";
                    // Nothing owns what the first record read: it goes as a component would
                    // erase it.
                    std::vector<CEdge*> edges;
                    std::unique_ptr<CEnumEdge> enumerator(face->NewEdgeEnumerator());
                    for (CEdge* edge = nullptr; enumerator->Next(edge);)
                        edges.push_back(edge);
                    face->Erase();
                    for (CEdge* edge : edges)
                        edge->Erase();
                    throw;
                }
            });
        });
    }
    EXPECT_EQ(cause, CArchiveException::genericException);

    TopologyRecords wrongTopology;
    FaceRecords wrongRecords(wrongTopology);
    auto& vertex = wrongTopology.Vertex({0, 0, 0});
    auto& wrongClass = wrongRecords.Face({0, 0, 1, 0}, {&vertex});
    UseSchemas(wrongRecords);
    EXPECT_EQ(ReadFailure(wrongRecords.Archive({&wrongClass})), CArchiveException::badClass);
}

TEST_F(FaceTest, AFaceStoredAndReadBackHasCopiesOfItsLoopsAndItsOwnUseOfTheBackMaterial)
{
    CFace* face = NewSquareFace({0, 0, 0}, 2);
    AddHole(face, Square({0.5, 0.5, 0}, 1));
    CMaterial* back = NewMaterial(false);
    face->SetBackMaterial(back);
    TopologyRecords topology;
    FaceRecords records(topology);
    UseSchemas(records);
    const Bytes bytes = WrittenBy([&](CArchive& ar) {
        ar.MapObject(back);
        ar.WriteObject(face);
    });

    auto* copy = dynamic_cast<CFace*>(ReadWithStandIns(bytes, {back}));

    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetPlane().c, face->GetPlane().c);
    ASSERT_EQ(copy->GetLoopCount(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_NE(copy->GetLoop(i), face->GetLoop(i));
        EXPECT_EQ(copy->GetLoop(i)->GetFace(), copy);
        EXPECT_EQ(copy->GetLoop(i)->GetEdgeUseCount(), 4);
    }
    EXPECT_TRUE(copy->GetLoop(0)->IsOuter());
    EXPECT_FALSE(copy->GetLoop(1)->IsOuter());
    EXPECT_EQ(copy->GetBackMaterial(), back);
    EXPECT_EQ(back->GetUseCount(), 2);
}

TEST_F(FaceTest, AnAddedLoopBecomesAClockwiseHoleAndAnotherFacesLoopIsCopied)
{
    CFace* face = NewSquareFace({0, 0, 0}, 10);
    CFace* donor = NewSquareFace({2, 2, 0}, 2);
    CLoop* donated = donor->GetOuterLoop();
    ASSERT_TRUE(face->AddLoop(donated));
    CLoop* hole = face->GetLoop(1);
    ASSERT_NE(hole, nullptr);
    EXPECT_NE(hole, donated) << "the other face keeps its loop";
    EXPECT_EQ(donated->GetFace(), donor);
    EXPECT_EQ(hole->GetFace(), face);
    EXPECT_FALSE(hole->IsOuter());
    EXPECT_FALSE(hole->IsCounterClockwise(face->GetPlane().GetNormal()));
    EXPECT_DOUBLE_EQ(face->GetArea(), 96.0);
}

TEST_F(FaceTest, LoopAccessOutsideTheArrayGivesNull)
{
    CFace* face = NewSquareFace({0, 0, 0}, 1);
    EXPECT_EQ(face->GetLoop(-1), nullptr);
    EXPECT_EQ(face->GetLoop(face->GetLoopCount()), nullptr);
    EXPECT_NE(face->GetLoop(0), nullptr);
    auto* empty = new CFace;
    EXPECT_EQ(empty->GetOuterLoop(), nullptr);
    EXPECT_EQ(empty->GetFirstPoint(), CPoint3d());
}

TEST_F(FaceTest, TheDominantAxisNamesTheProjectionPlaneOfTheLargestNormalComponent)
{
    struct Case {
        CVector3d normal;
        int axis;
    };
    const Case cases[] = {
        {{0.6, 0.6, 0.53}, 1}, {{0.5, 0.6, 0.6}, 2}, {{0, 0, 1}, 0}, {{0, -1, 0}, 2}, {{-1, 0, 0}, 1}};
    for (const Case& c : cases) {
        auto* face = new CFace;
        face->SetPlane(CPlane3d(CPoint3d(), orbisk::geometry::CUnitVector3d(c.normal)));
        EXPECT_EQ(face->GetDominantAxis(), c.axis) << c.normal.x << " " << c.normal.y << " " << c.normal.z;
    }
}

TEST_F(FaceTest, ReversingTwiceRestoresPlaneLoopsAndOrientationBit)
{
    CFace* face = NewSquareFace({0, 0, 0}, 1);
    AddHole(face, Square({0.25, 0.25, 0}, 0.5));
    const CEdgeUse* firstUse = face->GetOuterLoop()->GetFirstEdgeUse();
    const bool firstReversed = firstUse->IsReversed();

    face->Reverse();
    EXPECT_EQ(face->GetPlane().c, -1.0);
    EXPECT_TRUE(face->GetSecondFlag());
    EXPECT_NE(firstUse->IsReversed(), firstReversed);
    EXPECT_TRUE(face->GetOuterLoop()->IsCounterClockwise(face->GetPlane().GetNormal()))
        << "the outer loop still runs counter-clockwise about the new normal";

    face->Reverse();
    EXPECT_EQ(face->GetPlane().c, 1.0);
    EXPECT_FALSE(face->GetSecondFlag());
    EXPECT_EQ(firstUse->IsReversed(), firstReversed);
}

TEST_F(FaceTest, ACopySwappedWithItsFaceSharesTheSameLoops)
{
    CFace* face = NewSquareFace({0, 0, 0}, 1);
    CLoop* outer = face->GetOuterLoop();
    std::unique_ptr<CFace> copy(static_cast<CFace*>(face->CreateCopy()));
    face->SetPlane(CPlane3d(0, 0, -1, 5));

    face->SwapContents(*copy);

    EXPECT_EQ(face->GetOuterLoop(), outer);
    EXPECT_EQ(copy->GetOuterLoop(), outer);
    EXPECT_EQ(face->GetPlane().c, 1.0);
    EXPECT_EQ(copy->GetPlane().d, 5.0);
    copy->SwapContents(*copy);
}

TEST_F(FaceTest, TheEnumeratorsWalkTheLoopsInOrder)
{
    CFace* face = NewSquareFace({0, 0, 0}, 4);
    CLoop* hole = AddHole(face, Square({1, 1, 0}, 1));
    std::unique_ptr<CEnumLoop> loops(face->NewLoopEnumerator());
    std::vector<CLoop*> seen;
    for (CLoop* loop = nullptr; loops->Next(loop);)
        seen.push_back(loop);
    EXPECT_EQ(seen, (std::vector<CLoop*>{face->GetOuterLoop(), hole}));

    std::unique_ptr<CEnumEdge> edges(face->NewEdgeEnumerator());
    int edgeCount = 0;
    for (CEdge* edge = nullptr; edges->Next(edge);)
        ++edgeCount;
    EXPECT_EQ(edgeCount, 8);
    EXPECT_EQ(face->GetEdgeUseCount(), 8);

    std::unique_ptr<CEnumVertex> vertices(face->NewVertexEnumerator());
    CVertex* vertex = nullptr;
    ASSERT_TRUE(vertices->Next(vertex));
    EXPECT_EQ(vertex->GetPosition(), face->GetFirstPoint());
}

TEST_F(FaceTest, TheFaceHoldsOneUseOfItsBackMaterialUntilErased)
{
    CFace* face = NewSquareFace({0, 0, 0}, 1);
    CMaterial* red = NewMaterial(false);
    CMaterial* blue = NewMaterial(false);
    face->SetBackMaterial(red);
    face->SetBackMaterial(red);
    EXPECT_EQ(red->GetUseCount(), 1);
    face->SetBackMaterial(blue);
    EXPECT_EQ(red->GetUseCount(), 0);
    EXPECT_EQ(blue->GetUseCount(), 1);

    CFace* other = NewSquareFace({2, 0, 0}, 1);
    other->CopyDisplayProperties(*face);
    EXPECT_EQ(other->GetBackMaterial(), blue);
    EXPECT_EQ(blue->GetUseCount(), 2);

    CLoop* loop = face->GetOuterLoop();
    face->Erase();
    EXPECT_EQ(blue->GetUseCount(), 1);
    EXPECT_TRUE(operation->WasCreatedAndErased(loop)) << "the face's loops go with it";
}

TEST_F(FaceTest, AMirroringTransformTurnsTheLoopsWithThePlane)
{
    CFace* face = NewSquareFace({0, 0, 0}, 1);
    const orbisk::geometry::CTransform3d mirror(1.0, 1.0, -1.0);

    face->Transform(mirror);

    EXPECT_EQ(face->GetPlane().c, -1.0);
    EXPECT_TRUE(face->GetOuterLoop()->IsCounterClockwise(face->GetPlane().GetNormal()));
}

TEST_F(FaceTest, TheCheckReportsAFaceWithoutLoopsAndAHoleAsOuterLoop)
{
    SetValidityChecksEnabled(true);
    auto* bare = new CFace;
    EXPECT_EQ(bare->CheckValidity(kValidityCheck, nullptr), 2);
    EXPECT_NE(Report().find(L"The outer loop for"), std::wstring::npos);

    CFace* face = NewSquareFace({0, 0, 0}, 1);
    EXPECT_EQ(face->CheckValidity(kValidityCheck, nullptr), 0) << Report();
    face->GetOuterLoop()->SetOuter(false);
    ClearValidityReport();
    EXPECT_EQ(face->CheckValidity(kValidityCheck, nullptr), 2);
}

}  // namespace
