// Component behaviour: the record of every schema, with the writers whose flags mean other
// things, and the check of the glue plane.

#include <gtest/gtest.h>

#include <memory>

#include "database/ArchiveSchema.h"
#include "database/ComponentBehavior.h"
#include "database/EntityDisposal.h"
#include "database/VersionInfo.h"
#include "tests/model/ManagerTestSupport.h"

namespace {

class ComponentBehaviorTest : public ManagerTest {
protected:
    ~ComponentBehaviorTest() override { CurrentFileVersion().Copy(CVersionInfo()); }

    // Reads the body into the behaviour, as a file of that writer and schema.
    void Read(CComponentBehavior& behavior, const Bytes& body, int32_t schema, CVersionInfo writer = {})
    {
        UseSchemas({{"CComponentBehavior", schema}});
        CurrentFileVersion().Copy(writer);
        ReadFrom(body, [&](CArchive& ar) { behavior.Serialize(ar); });
    }
};

}  // namespace

TEST_F(ComponentBehaviorTest, ANewBehaviourGluesToNothing)
{
    CComponentBehavior behavior;
    EXPECT_FALSE(behavior.IsSnapEnabled());
    EXPECT_EQ(behavior.GetSnapTo(), CComponentBehavior::kSnapAny);
    EXPECT_FALSE(behavior.CutsOpening());
    EXPECT_FALSE(behavior.IsAlwaysFacingCamera());
    EXPECT_FALSE(behavior.AreShadowsFacingSun());
    EXPECT_EQ(behavior.GetEntityType(), kEntityComponentBehavior);
}

TEST_F(ComponentBehaviorTest, EachSchemaReadsWhatItHolds)
{
    CComponentBehavior five;
    Read(five, EntityPart() + Bytes{1, 1} + LittleEndian(int32_t{2}) + Bytes{3} + LittleEndian(uint32_t{77}),
         5);
    EXPECT_TRUE(five.IsSnapEnabled());
    EXPECT_TRUE(five.CutsOpening());
    EXPECT_EQ(five.GetSnapTo(), CComponentBehavior::kSnapVertical);
    EXPECT_TRUE(five.IsAlwaysFacingCamera());
    EXPECT_TRUE(five.AreShadowsFacingSun());
    EXPECT_EQ(five.GetStoredValue(), 77u);

    CComponentBehavior two;
    Read(two, EntityPart() + Bytes{1} + LittleEndian(int32_t{1}), 2);
    EXPECT_TRUE(two.IsSnapEnabled()) << "before schema 3 instances always glue";
    EXPECT_TRUE(two.CutsOpening());
    EXPECT_EQ(two.GetSnapTo(), CComponentBehavior::kSnapHorizontal);
    EXPECT_FALSE(two.IsAlwaysFacingCamera());
    EXPECT_FALSE(two.AreShadowsFacingSun());
}

TEST_F(ComponentBehaviorTest, TheSunFlagDependsOnTheWriter)
{
    struct Case {
        CVersionInfo writer;
        uint8_t flags;
        bool facesCamera;
        bool shadowsFaceSun;
    };
    const Case cases[] = {
        {{5, 0, 120}, 1, true, true},  {{5, 0, 150}, 1, true, true}, {{5, 0, 151}, 1, true, false},
        {{6, 0, 0}, 1, true, false},   {{6, 0, 0}, 3, true, true},   {{4, 0, 0}, 3, true, false},
        {{5, 1, 100}, 1, true, false},
    };
    for (const Case& c : cases) {
        CComponentBehavior behavior;
        Read(behavior, EntityPart() + Bytes{1, 0} + LittleEndian(int32_t{0}) + Bytes{c.flags}, 4, c.writer);
        EXPECT_EQ(behavior.IsAlwaysFacingCamera(), c.facesCamera) << c.writer.ToString().GetString();
        EXPECT_EQ(behavior.AreShadowsFacingSun(), c.shadowsFaceSun) << c.writer.ToString().GetString();
    }
}

TEST_F(ComponentBehaviorTest, WithoutTheCameraFlagTheSunFlagKeepsItsValue)
{
    CComponentBehavior behavior;
    const Bytes sunFacing = EntityPart() + Bytes{1, 0} + LittleEndian(int32_t{0}) + Bytes{3};
    const Bytes sunOnly = EntityPart() + Bytes{1, 0} + LittleEndian(int32_t{0}) + Bytes{2};
    Read(behavior, sunFacing, 4, {6, 0, 0});
    ASSERT_TRUE(behavior.AreShadowsFacingSun());
    Read(behavior, sunOnly, 4, {6, 0, 0});
    EXPECT_FALSE(behavior.IsAlwaysFacingCamera());
    EXPECT_TRUE(behavior.AreShadowsFacingSun());
    Read(behavior, sunOnly, 4, {4, 0, 0});
    EXPECT_FALSE(behavior.AreShadowsFacingSun()) << "writers up to 4 stored no sun flag";
}

TEST_F(ComponentBehaviorTest, AWrittenBehaviourReadsBackTheSame)
{
    CComponentBehavior source;
    Read(source, EntityPart() + Bytes{1, 1} + LittleEndian(int32_t{3}) + Bytes{3} + LittleEndian(uint32_t{9}),
         5);
    SetCurrentVersionMap(nullptr);
    const Bytes written = WrittenBy([&](CArchive& ar) { source.Serialize(ar); });
    CComponentBehavior read;
    Read(read, written, 5, {8, 0, 3669});
    EXPECT_EQ(read.GetSnapTo(), CComponentBehavior::kSnapSloped);
    EXPECT_TRUE(read.AreShadowsFacingSun());
    EXPECT_EQ(read.GetStoredValue(), 9u);
}

TEST_F(ComponentBehaviorTest, AnUnknownGluePlaneFailsTheCheckAndIsRepaired)
{
    CValidityCheckScope checks;
    CComponentBehavior behavior;
    Read(behavior, EntityPart() + Bytes{1, 0} + LittleEndian(int32_t{4}), 2);
    EXPECT_EQ(behavior.CheckValidity(kValidityCheck, nullptr), 1);
    EXPECT_NE(std::wstring(GetValidityReport().GetString()).find(L"Snap-to for CComponentBehavior"),
              std::wstring::npos);
    EXPECT_EQ(behavior.CheckValidity(kValidityCheckIgnoringIds, nullptr), 0);
    EXPECT_EQ(behavior.CheckValidity(kValidityFix, nullptr), 0);
    EXPECT_EQ(behavior.GetSnapTo(), CComponentBehavior::kSnapAny);
}

TEST_F(ComponentBehaviorTest, TheModelsOwnBehaviourKeepsItsModelThroughResetsAndExchanges)
{
    CComponentBehavior own(&model);
    EXPECT_EQ(own.GetModel(), &model);
    CComponentBehavior definitions;
    EXPECT_EQ(definitions.GetModel(), nullptr);
    Read(definitions, EntityPart() + Bytes{1, 1} + LittleEndian(int32_t{2}) + Bytes{1}, 4);

    std::unique_ptr<CComponentBehavior> copy(static_cast<CComponentBehavior*>(definitions.CreateCopy()));
    EXPECT_TRUE(copy->CutsOpening());
    own.SwapContents(definitions);
    EXPECT_TRUE(own.CutsOpening());
    EXPECT_EQ(own.GetModel(), &model);
    EXPECT_EQ(definitions.GetModel(), nullptr);
    own.ResetBehavior();
    EXPECT_FALSE(own.CutsOpening());
    EXPECT_FALSE(own.IsSnapEnabled());
    EXPECT_EQ(own.GetModel(), &model);
}
