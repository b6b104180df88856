// Reading the component tree: a root holding an instance, a group and an image, whose
// definitions hold geometry and a nested instance, in the newest schemas and in those of old
// files (contents transforms kept aside, managers after the entities, instances listed by
// their definitions).

#include <gtest/gtest.h>

#include "components/Group.h"
#include "components/Image.h"
#include "database/ArchiveSchema.h"
#include "database/DefinitionList.h"
#include "database/IPickHelper.h"
#include "database/Material.h"
#include "database/MaterialManager.h"
#include "database/Thumbnail.h"
#include "tests/components/ComponentTestSupport.h"
#include "tests/support/TopologyRecords.h"
#include "topology/Curve.h"
#include "topology/CurveFixupList.h"
#include "topology/Edge.h"
#include "topology/Vertex.h"

using orbisk::geometry::CPoint3d;
using orbisk::geometry::CTransform3d;
using Transform = ComponentRecords::Transform;

namespace {

struct Tree {
    CComponent* root = nullptr;
    CComponentDefinition* outer = nullptr;
    CComponentDefinition* inner = nullptr;
    CComponentDefinition* grouped = nullptr;
    CComponentDefinition* picture = nullptr;
};

// Records of the fixture tree. The outer definition holds an edge from (0,0,0) to (1,0,0) and
// an instance of the inner one, which holds an edge too.
class TreeRecords {
public:
    explicit TreeRecords(const ComponentSchemas& schemas)
        : components(schemas),
          topology(TopologySchemas{.entity = schemas.entity, .drawingElement = schemas.drawingElement})
    {
        auto& innerEdge = topology.Edge(topology.Vertex({0, 0, 0}), topology.Vertex({0, 1, 0}));
        auto& outerEdge = topology.Edge(topology.Vertex({0, 0, 0}), topology.Vertex({1, 0, 0}));
        auto& groupEdge = topology.Edge(topology.Vertex({0, 0, 0}), topology.Vertex({0, 0, 1}));
        auto& pictureEdge = topology.Edge(topology.Vertex({0, 0, 0}), topology.Vertex({2, 0, 0}));
        inner.entities = {&innerEdge};
        outer.entities = {&outerEdge, &nested};
        grouped.entities = {&groupEdge};
        picture.entities = {&pictureEdge};
        root.entities = {&placed, &group, &image};
        root.definitions = {&outer, &inner, &grouped, &picture};
        placed.name = L"placed";
    }

    ModelFileWriter::VersionMap GetVersionMap() const
    {
        auto entries = components.GetVersionMap();
        for (const auto& entry : topology.GetVersionMap())
            entries.push_back(entry);
        return entries;
    }

    ComponentRecords components;
    TopologyRecords topology;
    ComponentRecords::DefinitionRecord& outer = components.Definition(L"Outer");
    ComponentRecords::DefinitionRecord& inner = components.Definition(L"Inner");
    ComponentRecords::DefinitionRecord& grouped = components.Definition(L"Group#1", 1);
    ComponentRecords::DefinitionRecord& picture = components.Definition(L"Picture", 2);
    ComponentRecords::InstanceRecord& nested = components.Instance(inner, Transform::Translation(0, 0, 3));
    ComponentRecords::InstanceRecord& placed = components.Instance(outer, Transform::Translation(10, 0, 0));
    ComponentRecords::InstanceRecord& group = components.Group(grouped);
    ComponentRecords::InstanceRecord& image = components.Image(picture, Transform::Scaling(4, 5, 3));
    ComponentRecords::ComponentRecord& root = components.Component();
};

CComponentDefinition* Named(const CComponent& root, const wchar_t* name)
{
    const CDefinitionList* list = root.GetDefinitionList();
    for (int i = 0; i < list->GetCount(); ++i) {
        auto* definition = AsDefinitionClass(list->GetAt(i));
        if (definition && definition->GetName() == name)
            return definition;
    }
    return nullptr;
}

CPoint3d EndOf(const CComponent& component, int index)
{
    const auto* edge = dynamic_cast<const CEdge*>(component.GetAt(index));
    return edge && edge->GetEnd() ? edge->GetEnd()->GetPosition() : CPoint3d(-1, -1, -1);
}

class ComponentReadTest : public ComponentTest, public ::testing::WithParamInterface<bool> {
protected:
    ComponentSchemas Schemas() const { return GetParam() ? ComponentSchemas::Old() : ComponentSchemas(); }

    Tree ReadTree(TreeRecords& records)
    {
        UseSchemas(records.GetVersionMap());
        Tree tree;
        tree.root = Read<CComponent>(ComponentRecords::Archive(records.root));
        if (!tree.root)
            return tree;
        tree.outer = Named(*tree.root, L"Outer");
        tree.inner = Named(*tree.root, L"Inner");
        tree.grouped = Named(*tree.root, L"Group#1");
        tree.picture = Named(*tree.root, L"Picture");
        return tree;
    }
};

TEST_P(ComponentReadTest, TheWholeTreeIsRead)
{
    TreeRecords records(Schemas());
    const Tree tree = ReadTree(records);
    ASSERT_NE(tree.root, nullptr);
    EXPECT_EQ(tree.root->GetEntityType(), kEntityComponent);
    ASSERT_EQ(tree.root->GetCount(), 3);
    ASSERT_EQ(tree.root->GetDefinitionList()->GetCount(), 4);
    ASSERT_TRUE(tree.outer && tree.inner && tree.grouped && tree.picture);

    auto* placed = AsInstanceClass(tree.root->GetAt(0));
    auto* group = dynamic_cast<CGroup*>(tree.root->GetAt(1));
    auto* image = dynamic_cast<CImage*>(tree.root->GetAt(2));
    ASSERT_TRUE(placed && group && image);
    EXPECT_EQ(placed->GetDefinition(), tree.outer);
    EXPECT_EQ(group->GetDefinition(), tree.grouped);
    EXPECT_EQ(image->GetDefinition(), tree.picture);
    EXPECT_EQ(placed->GetParent(), tree.root);
    // Instances, groups and dimensions are annotations; images are not.
    EXPECT_EQ(tree.root->GetAnnotations(), (std::vector<CDrawingElement*>{placed, group}));

    // Each definition lists its instances once, however the file listed them.
    EXPECT_EQ(tree.outer->GetInstances(), std::vector<CComponentInstance*>{placed});
    ASSERT_EQ(tree.inner->GetInstanceCount(), 1);
    EXPECT_EQ(tree.inner->GetInstance(0)->GetParent(), tree.outer);
    // Kinds are stored from schema 8 on.
    EXPECT_EQ(tree.grouped->GetKind(), GetParam() ? 0 : 1);
    EXPECT_EQ(tree.picture->GetKind(), GetParam() ? 0 : 2);
    EXPECT_EQ(tree.outer->GetThirdText(), CString(L"third"));
    EXPECT_EQ(tree.outer->GetTime().GetTime(), 1000000);
    EXPECT_NE(tree.outer->GetThumbnail(), nullptr);
    EXPECT_EQ(tree.outer->GetThumbnail()->GetParent(), tree.outer);

    EXPECT_EQ(placed->GetName(), CString(GetParam() ? L"" : L"placed"));
    EXPECT_EQ(EndOf(*tree.outer, 0), CPoint3d(1, 0, 0));
    EXPECT_EQ(EndOf(*tree.inner, 0), CPoint3d(0, 1, 0));
    EXPECT_EQ(tree.outer->GetBounds().GetMax(), CPoint3d(1, 1, 3));
    EXPECT_EQ(tree.root->GetBounds().GetMin(), CPoint3d(0, 0, 0));
    EXPECT_EQ(tree.root->GetBounds().GetMax(), CPoint3d(11, 1, 3));
}

TEST_P(ComponentReadTest, AnImageKeepsItsWidthAndHeightScalesButNoScaleAlongItsNormal)
{
    TreeRecords records(Schemas());
    const Tree tree = ReadTree(records);
    ASSERT_NE(tree.root, nullptr);
    const auto* image = dynamic_cast<const CImage*>(tree.root->GetAt(2));
    ASSERT_NE(image, nullptr);
    const orbisk::geometry::CVector3d scales = image->GetTransform().GetScales();
    EXPECT_NEAR(scales.x, 4.0, 1e-9);
    EXPECT_NEAR(scales.y, 5.0, 1e-9);
    EXPECT_NEAR(scales.z, 1.0, 1e-9);
    // A new image casts no shadows; a record says for itself.
    EXPECT_FALSE(CImage().GetFlags() & CDrawingElement::kCastsShadows);
}

// Old files keep a transformation beside the contents of each component; it is baked into the
// geometry after reading, and the instances of a definition move the other way, so that
// everything stays where the file put it.
TEST_P(ComponentReadTest, LegacyTransformsAreAppliedOnce)
{
    TreeRecords records(Schemas());
    records.root.legacyTransform = Transform::Translation(0, 0, 5);
    records.outer.legacyTransform = Transform::Scaling(2, 2, 2);
    const Tree tree = ReadTree(records);
    ASSERT_TRUE(tree.root && tree.outer);
    tree.root->ApplyLegacyTransforms();
    auto* placed = AsInstanceClass(tree.root->GetAt(0));
    ASSERT_NE(placed, nullptr);
    if (!GetParam()) {
        // The newest schemas keep no such transformation.
        EXPECT_TRUE(tree.root->GetLegacyTransform().IsIdentity());
        EXPECT_EQ(EndOf(*tree.outer, 0), CPoint3d(1, 0, 0));
        return;
    }
    EXPECT_TRUE(tree.root->GetLegacyTransform().IsIdentity());
    EXPECT_TRUE(tree.outer->GetLegacyTransform().IsIdentity());
    EXPECT_EQ(EndOf(*tree.outer, 0), CPoint3d(2, 0, 0));
    // The end of the outer edge stays at (11, 0, 0) moved up by the root's 5.
    EXPECT_EQ(placed->GetTransform().MultiplyPoint(EndOf(*tree.outer, 0)), CPoint3d(11, 0, 5));
    tree.root->ApplyLegacyTransforms();
    EXPECT_EQ(EndOf(*tree.outer, 0), CPoint3d(2, 0, 0));
}

TEST_P(ComponentReadTest, CountsBeyondTheBytesLeftFailWithoutReserving)
{
    ComponentRecords components(Schemas());
    auto& root = components.Component();
    UseSchemas(components.GetVersionMap());
    Bytes bytes = ComponentRecords::Archive(root);
    // The entity count follows the drawing-element part (and, in the newest schemas, the three
    // inline manager records); find it as the first zero count written for the entities.
    ComponentRecords probe(Schemas());
    auto& marked = probe.Component();
    marked.entities = {nullptr};
    const Bytes withOne = ComponentRecords::Archive(marked);
    size_t at = 0;
    while (at < bytes.size() && bytes[at] == withOne[at])
        ++at;
    ASSERT_LT(at + 4, bytes.size());
    bytes[at] = 0xff, bytes[at + 1] = 0xff, bytes[at + 2] = 0xff, bytes[at + 3] = 0x7f;
    EXPECT_EQ(ReadFailure(bytes), CArchiveException::endOfFile);
}

INSTANTIATE_TEST_SUITE_P(Schemas, ComponentReadTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Old" : "Newest";
                         });

}  // namespace

namespace {

using ComponentCycleTest = ComponentTest;

// A definition that its own definition list or entity list names again would be its own
// ancestor.
TEST_F(ComponentCycleTest, ADefinitionListedInsideItselfFailsTheRead)
{
    ComponentRecords components;
    auto& definition = components.Definition(L"Loop");
    definition.definitions = {&definition};
    UseSchemas(components.GetVersionMap());
    EXPECT_EQ(ReadFailure(ComponentRecords::Archive(definition)), CArchiveException::badClass);
}

TEST_F(ComponentCycleTest, ADefinitionAmongItsOwnEntitiesFailsTheRead)
{
    ComponentRecords components;
    auto& definition = components.Definition(L"Loop");
    definition.entities = {&definition};
    UseSchemas(components.GetVersionMap());
    EXPECT_EQ(ReadFailure(ComponentRecords::Archive(definition)), CArchiveException::badClass);
}

}  // namespace

namespace {

using ComponentCountTest = ComponentTest;

// Old definitions list their third texts and their instances behind counts of their own.
TEST_F(ComponentCountTest, DefinitionCountsBeyondTheBytesLeftFailWithoutReserving)
{
    struct Case {
        const char* list;
        int32_t schema;
        void (*addOne)(ComponentRecords::DefinitionRecord&);
    } cases[] = {
        {"third texts", 3, [](ComponentRecords::DefinitionRecord& d) { d.thirdTexts.push_back(L"more"); }},
        {"instances", 5, [](ComponentRecords::DefinitionRecord& d) { d.instances.push_back(nullptr); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.list);
        ComponentSchemas schemas = ComponentSchemas::Old();
        schemas.definition = c.schema;
        ComponentRecords plain(schemas);
        ComponentRecords longer(schemas);
        auto& definition = plain.Definition(L"D");
        auto& other = longer.Definition(L"D");
        c.addOne(other);
        UseSchemas(plain.GetVersionMap());
        Bytes bytes = ComponentRecords::Archive(definition);
        const Bytes otherBytes = ComponentRecords::Archive(other);
        // The count is where the two first differ.
        size_t at = 0;
        while (at < bytes.size() && bytes[at] == otherBytes[at])
            ++at;
        ASSERT_LT(at + 4, bytes.size());
        bytes[at] = 0xff, bytes[at + 1] = 0xff, bytes[at + 2] = 0xff, bytes[at + 3] = 0x7f;
        EXPECT_EQ(ReadFailure(bytes), CArchiveException::endOfFile);
    }
}

// A read that fails inside the root leaves the definitions read before, whose edges name curves
// the fix-up list has not settled yet. Their records may claim any count: one too small would
// free a curve that further edges still name, one too large would never free it.
using FailedReadTest = ComponentTest;

TEST_F(FailedReadTest, ReleasingCurvesFreesEachCurveOnce)
{
    ComponentRecords components;
    TopologyRecords topology;
    auto& tooFew = topology.Curve();
    tooFew.count = 1;
    auto& tooMany = topology.Curve();
    tooMany.count = 9;
    auto& a = topology.Vertex({0, 0, 0});
    auto& b = topology.Vertex({1, 0, 0});
    auto& c = topology.Vertex({2, 0, 0});
    auto& d = topology.Vertex({3, 0, 0});
    auto& e = topology.Vertex({0, 1, 0});
    auto& curved = components.Definition(L"Curved");
    curved.entities = {&topology.Edge(a, b, &tooFew), &topology.Edge(b, c, &tooFew),
                       &topology.Edge(c, d, &tooFew), &topology.Edge(d, e, &tooMany),
                       &topology.Edge(e, a, &tooMany)};
    auto& record = components.Component();
    record.definitions = {&curved};
    auto versions = components.GetVersionMap();
    for (const auto& entry : topology.GetVersionMap())
        versions.push_back(entry);
    UseSchemas(versions);
    // The model reads its root in place; the record ends one byte short.
    Bytes bytes = WrittenBy([&](CArchive& ar) { record.Serialize(ar); });
    bytes.pop_back();

    CCurveFixupList::Clear();
    CComponent* root = NewRoot();
    EXPECT_EQ(ArchiveCause([&] { ReadFrom(bytes, [&](CArchive& ar) { root->Serialize(ar); }); }),
              CArchiveException::endOfFile);
    const auto* definition = AsDefinitionClass(root->GetDefinitionList()->GetAt(0));
    ASSERT_NE(definition, nullptr);
    ASSERT_EQ(definition->GetCount(), 5);
    const auto* first = dynamic_cast<const CEdge*>(definition->GetAt(0));
    ASSERT_TRUE(first && first->GetCurve());
    {
        CSuspendUndo unrecorded;
        root->ReleaseCurves();
    }
    for (int i = 0; i < definition->GetCount(); ++i) {
        const auto* edge = dynamic_cast<const CEdge*>(definition->GetAt(i));
        ASSERT_NE(edge, nullptr);
        EXPECT_EQ(edge->GetCurve(), nullptr) << i;
    }
    EXPECT_TRUE(CCurveFixupList::IsEmpty());
    // The sanitizers see the curves freed once, and none left behind, as the fixture frees the
    // tree.
}

}  // namespace
