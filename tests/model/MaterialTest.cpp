// Materials: their defaults, setters and announcements, use counts, look queries, the model
// file record of every schema, exchanges for undo and the self-check.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "database/ArchiveSchema.h"
#include "database/Dib.h"
#include "database/EntityDisposal.h"
#include "database/Material.h"
#include "database/MaterialManager.h"
#include "database/MaterialNotification.h"
#include "database/Texture.h"
#include "image/ImageRep.h"
#include "platform/mfc/ArchiveException.h"
#include "tests/model/ManagerTestSupport.h"

using orbisk::utils::CColor;
using Seen = ManagerNotifications::Seen;

namespace {

class MaterialTest : public ManagerTest {
protected:
    // A material of a record, read with CMaterial and CTexture at the given schemas.
    CMaterial* ReadMaterial(const Bytes& body, int32_t schema, int32_t textureSchema = 6)
    {
        UseSchemas({{"CMaterial", schema}, {"CTexture", textureSchema}, {"CDib", 3}});
        CMaterial* material = ReadObjectFrom<CMaterial>(NewObject("CMaterial") + body);
        owned.emplace_back(material, &DeleteUnrecorded);
        return material;
    }
    // A material with a texture holding an image of the colour.
    CMaterial* TexturedMaterial(CColor imageColor)
    {
        auto* texture = new CTexture;
        texture->SetImage(MakeImage(imageColor));
        auto* material = new CMaterial;
        material->SetTexture(texture);
        material->SetType(CMaterial::kTextured);
        owned.emplace_back(material, &DeleteUnrecorded);
        return material;
    }

    std::vector<std::unique_ptr<CEntity, void (*)(CEntity*)>> owned;
};

// A texture record of schema 6 in place: entity part, image, scales, file name, average colour.
Bytes TextureBody(const Bytes& image, const char* file = "brick.png")
{
    return EntityPart() + image + LittleEndian(0.5, 0.25) + Text(file) + Bytes{10, 20, 30, 255};
}

}  // namespace

TEST_F(MaterialTest, ANewMaterialIsAnUncolouredPlainColour)
{
    CMaterial material;
    EXPECT_EQ(material.GetName(), CString(L"<auto>"));
    EXPECT_EQ(material.GetColor(), CColor());
    EXPECT_EQ(material.GetType(), CMaterial::kPlainColor);
    EXPECT_EQ(material.GetTransparency(), 0.5);
    EXPECT_FALSE(material.UsesTransparency());
    EXPECT_FALSE(material.GetManagedFlag());
    EXPECT_EQ(material.GetTexture(), nullptr);
    EXPECT_TRUE(material.IsPlainColor());
    EXPECT_EQ(material.GetEntityType(), kEntityMaterial);
}

TEST_F(MaterialTest, EveryChangeIsAnnouncedOnceAndEqualValuesChangeNothing)
{
    CMaterial material;
    ManagerNotifications seen;
    NotificationRecorder changed("EntityChanged");
    material.SetName(L"Brick");
    material.SetName(L"Brick");
    material.SetColor(CColor(200, 10, 10));
    material.SetColor(CColor(200, 10, 10));
    material.SetTransparency(0.5004);
    material.SetTransparency(0.25);
    material.SetUseTransparency(true);
    material.SetColorizeType(1);
    material.SetType(CMaterial::kColorizedTexture);
    material.SetSecondName(L"brick");
    material.SetSecondName(L"BRICK");
    material.SetManaged(true);
    EXPECT_EQ(seen.materials, (std::vector<Seen>(6, Seen{kMaterialChanged, &material})));
    EXPECT_EQ(changed.CountFor(&material), 8) << "the second name and the managed flag change silently";
    EXPECT_EQ(material.GetSecondName(), CString(L"brick"));
    EXPECT_EQ(material.GetTransparency(), 0.25);
}

TEST_F(MaterialTest, UseCountsFollowTheirHoldersAndNeverGoNegative)
{
    CMaterial material;
    ManagerNotifications seen;
    material.AddUse(true);
    material.AddUse(false);
    material.RemoveUse(true);
    material.RemoveUse(false);
    material.RemoveUse(true);
    EXPECT_EQ(material.GetUseCount(), 0);
    EXPECT_EQ(seen.materials, (std::vector<Seen>(3, Seen{kMaterialUseCountChanged, &material})));
}

TEST_F(MaterialTest, ThePlainColourTypeDropsTheTexture)
{
    CMaterial* material = TexturedMaterial(CColor(0, 0, 255));
    ASSERT_TRUE(material->HasTextureImage());
    EXPECT_EQ(material->GetDisplayColor(), CColor(0, 0, 255))
        << "a textured material shows its image's colour";
    material->SetType(CMaterial::kPlainColor);
    EXPECT_EQ(material->GetTexture(), nullptr);
    EXPECT_TRUE(material->IsPlainColor());
}

TEST_F(MaterialTest, ATintAndATransparencyInUseReachTheTexture)
{
    CMaterial* material = TexturedMaterial(CColor(0, 0, 255));
    CTexture* texture = material->GetTexture();
    material->SetColor(CColor(255, 0, 0));
    EXPECT_EQ(texture->GetOpacity(), 255) << "type 1 with no transparency in use leaves the texture alone";
    material->SetType(CMaterial::kColorizedTexture);
    EXPECT_EQ(texture->GetAverageColor(), CColor(255, 0, 0)) << "the tint";
    material->SetTransparency(0.25);
    material->SetUseTransparency(true);
    EXPECT_EQ(texture->GetOpacity(), 191);
    material->SetType(CMaterial::kTextured);
    EXPECT_EQ(texture->GetAverageColor(), CColor(0, 0, 255)) << "untinted again: the image's own colour";
}

TEST_F(MaterialTest, OpacityComesFromTheTransparencyTheImageOrTheColour)
{
    CMaterial colour;
    colour.SetColor(CColor(10, 10, 10, 255));
    EXPECT_TRUE(colour.IsOpaque());
    EXPECT_FALSE(colour.IsTransparent());
    colour.SetUseTransparency(true);
    colour.SetTransparency(1.0);
    EXPECT_FALSE(colour.IsOpaque());
    EXPECT_TRUE(colour.HasTransparentPart());
    EXPECT_TRUE(colour.IsTransparent());

    CMaterial* seeThrough = TexturedMaterial(CColor(0, 255, 0, 0));
    EXPECT_FALSE(seeThrough->IsTextureOpaque());
    EXPECT_FALSE(seeThrough->IsOpaque());
    EXPECT_TRUE(seeThrough->HasTransparentPart());
    EXPECT_TRUE(seeThrough->IsTransparent());
    CMaterial* solid = TexturedMaterial(CColor(0, 255, 0, 255));
    EXPECT_TRUE(solid->IsOpaque());
    EXPECT_FALSE(solid->HasTransparentPart());
    EXPECT_TRUE(solid->HasImage(solid->GetTexture()->GetImage()));
    EXPECT_FALSE(solid->HasImage(nullptr));
    EXPECT_TRUE(colour.HasImage(nullptr));
}

TEST_F(MaterialTest, TrailingDigitsAreStripped)
{
    struct Case {
        const wchar_t* name;
        const wchar_t* stripped;
    };
    for (const Case& c : {Case{L"Material12", L"Material"}, Case{L"1234", L""}, Case{L"Brick", L"Brick"},
                          Case{L"A1b2", L"A1b"}, Case{L"", L""}})
        EXPECT_EQ(CMaterial::StripTrailingDigits(c.name), CString(c.stripped)) << c.name;
}

TEST_F(MaterialTest, ASchemaTwelveRecordReadsEveryField)
{
    const Bytes body = EntityPart() + Text("Brick") + Bytes{1} +
                       TextureBody(NewObject("CDib") + ImageRecord(CColor(0, 0, 255))) + Bytes{1} +
                       Bytes{200, 100, 50, 255} + Text("second") +
                       LittleEndian(int32_t{2}, int32_t{1}, 0.25) + Bytes{1};
    CMaterial* material = ReadMaterial(body, 12);
    ASSERT_NE(material, nullptr);
    EXPECT_EQ(material->GetName(), CString(L"Brick"));
    EXPECT_TRUE(material->GetManagedFlag());
    EXPECT_EQ(material->GetColor(), CColor(200, 100, 50));
    EXPECT_EQ(material->GetSecondName(), CString(L"second"));
    EXPECT_EQ(material->GetType(), CMaterial::kColorizedTexture);
    EXPECT_EQ(material->GetColorizeType(), 1);
    EXPECT_EQ(material->GetTransparency(), 0.25);
    EXPECT_TRUE(material->UsesTransparency());
    ASSERT_NE(material->GetTexture(), nullptr);
    EXPECT_EQ(material->GetTexture()->GetParent(), material);
    EXPECT_EQ(material->GetTexture()->GetXScale(), 0.5);
    EXPECT_EQ(material->GetTexture()->GetFileName(), CString(L"brick.png"));
    EXPECT_EQ(material->GetTexture()->GetOpacity(), 191);
}

TEST_F(MaterialTest, OlderRecordsFillTheFieldsTheyLack)
{
    // Schema 8: name, texture, managed, colour, second name; the type is then 1 when the
    // texture has an image (taking its colour), else 0.
    const Bytes textured = EntityPart() + Text("T") + Bytes{1} +
                           TextureBody(NewObject("CDib") + ImageRecord(CColor(0, 255, 0))) + Bytes{0} +
                           Bytes{9, 9, 9, 255} + Text("");
    CMaterial* withImage = ReadMaterial(textured, 8);
    EXPECT_EQ(withImage->GetType(), CMaterial::kTextured);
    EXPECT_EQ(withImage->GetColor(), CColor(10, 20, 30)) << "the texture's stored average colour";

    const Bytes imageless = EntityPart() + Text("T") + Bytes{1} + TextureBody(kNullObject) + Bytes{0} +
                            Bytes{9, 9, 9, 255} + Text("");
    CMaterial* withoutImage = ReadMaterial(imageless, 8);
    EXPECT_EQ(withoutImage->GetType(), CMaterial::kPlainColor);
    EXPECT_EQ(withoutImage->GetColor(), CColor(9, 9, 9));

    // Schema 10: no colour becomes dark grey; no transparency value, so none in use.
    const Bytes uncoloured = EntityPart() + Text("C") + Bytes{0} + Bytes{0} + Bytes{0, 0, 0, 0} + Text("") +
                             LittleEndian(int32_t{0}, int32_t{0});
    CMaterial* grey = ReadMaterial(uncoloured, 10);
    EXPECT_EQ(grey->GetColor(), CMaterial::kDefaultReadColor);
    EXPECT_FALSE(grey->UsesTransparency());
    EXPECT_EQ(grey->GetTransparency(), 0.0);

    // Schema 11: a transparency without its switch turns the switch on.
    const Bytes translucent = EntityPart() + Text("G") + Bytes{0} + Bytes{0} + Bytes{1, 2, 3, 255} +
                              Text("") + LittleEndian(int32_t{0}, int32_t{0}, 0.4);
    EXPECT_TRUE(ReadMaterial(translucent, 11)->UsesTransparency());

    // Schema 2: a flag and an ignored value, the texture flag, then the use count; no colour.
    const Bytes oldest = EntityPart() + Text("Old") + Bytes{1} + LittleEndian(int32_t{77}) + Bytes{0} +
                         LittleEndian(int32_t{5});
    CMaterial* old = ReadMaterial(oldest, 2);
    EXPECT_EQ(old->GetName(), CString(L"Old"));
    EXPECT_EQ(old->GetUseCount(), 5);
    EXPECT_EQ(old->GetColor(), CMaterial::kDefaultReadColor);
}

TEST_F(MaterialTest, RecordsBeforeSchemaFourReferToTheirTextureAsAnObject)
{
    const Bytes texture = NewObject("CTexture") + NewObject("CDib") + ImageRecord(CColor(40, 50, 60)) +
                          LittleEndian(1.0, 2.0) + Text("old.bmp") + Bytes{40, 50, 60, 255};
    const Bytes body = EntityPart() + Text("M") + Bytes{1} + texture + LittleEndian(int32_t{1});
    CMaterial* material = ReadMaterial(body, 3, 1);
    ASSERT_NE(material->GetTexture(), nullptr);
    EXPECT_EQ(material->GetTexture()->GetParent(), material);
    EXPECT_EQ(material->GetTexture()->GetYScale(), 2.0);
    EXPECT_EQ(material->GetType(), CMaterial::kTextured);
    EXPECT_EQ(material->GetColor(), CColor(40, 50, 60));
}

TEST_F(MaterialTest, ATextureBelongsToOneMaterialOnly)
{
    UseSchemas({{"CMaterial", 3}, {"CTexture", 1}, {"CDib", 3}});
    const Bytes texture =
        NewObject("CTexture") + kNullObject + LittleEndian(1.0, 1.0) + Text("") + Bytes{0, 0, 0, 0};
    // The second material refers back to the first one's texture (object number 4: material
    // class 1, material 2, texture class 3, texture 4).
    const Bytes first =
        NewObject("CMaterial") + EntityPart() + Text("A") + Bytes{1} + texture + LittleEndian(int32_t{0});
    const Bytes second = ObjectReference(0x8001) + EntityPart() + Text("B") + Bytes{1} + ObjectReference(4) +
                         LittleEndian(int32_t{0});
    CMaterial* kept = nullptr;
    EXPECT_EQ(ArchiveCause([&] {
                  ReadFrom(first + second, [&](CArchive& ar) {
                      kept = dynamic_cast<CMaterial*>(ar.ReadObject(nullptr));
                      ar.ReadObject(nullptr);
                  });
              }),
              CArchiveException::genericException);
    ASSERT_NE(kept, nullptr);
    EXPECT_NE(kept->GetTexture(), nullptr);
    DeleteUnrecorded(kept);
}

TEST_F(MaterialTest, AWrittenMaterialReadsBackTheSame)
{
    CMaterial* source = TexturedMaterial(CColor(0, 0, 255));
    source->SetName(L"Tiles");
    source->SetColor(CColor(1, 2, 3));
    source->SetType(CMaterial::kColorizedTexture);
    source->SetTransparency(0.75);
    source->SetUseTransparency(true);
    source->SetManaged(true);
    source->GetTexture()->SetXScale(3.0);
    const Bytes written = WrittenBy([&](CArchive& ar) { ar.WriteObject(source); });
    SetCurrentVersionMap(nullptr);
    CMaterial* read = ReadObjectFrom<CMaterial>(written);
    ASSERT_NE(read, nullptr);
    owned.emplace_back(read, &DeleteUnrecorded);
    EXPECT_EQ(read->GetName(), CString(L"Tiles"));
    EXPECT_EQ(read->GetColor(), CColor(1, 2, 3));
    EXPECT_EQ(read->GetType(), CMaterial::kColorizedTexture);
    EXPECT_EQ(read->GetTransparency(), 0.75);
    EXPECT_TRUE(read->GetManagedFlag());
    ASSERT_TRUE(read->HasTextureImage());
    EXPECT_EQ(read->GetTexture()->GetXScale(), 3.0);
    EXPECT_TRUE(read->GetTexture()->GetImage()->GetImageRep()->Equals(
        *source->GetTexture()->GetImage()->GetImageRep()));
}

TEST_F(MaterialTest, AnExchangeForUndoSwapsTheLookAndTintsTheTextureAgain)
{
    CMaterial* material = TexturedMaterial(CColor(0, 0, 255));
    material->SetName(L"Before");
    std::unique_ptr<CMaterial> snapshot(static_cast<CMaterial*>(material->CreateCopy()));
    EXPECT_EQ(snapshot->GetTexture(), material->GetTexture()) << "copies share the texture";
    material->SetName(L"After");
    material->SetColor(CColor(255, 0, 0));
    material->SetType(CMaterial::kColorizedTexture);
    ASSERT_EQ(material->GetTexture()->GetAverageColor(), CColor(255, 0, 0));

    ManagerNotifications seen;
    material->SwapContents(*snapshot);
    EXPECT_EQ(material->GetName(), CString(L"Before"));
    EXPECT_EQ(material->GetType(), CMaterial::kTextured);
    EXPECT_EQ(snapshot->GetName(), CString(L"After"));
    EXPECT_EQ(material->GetTexture()->GetAverageColor(), CColor(0, 0, 255))
        << "the texture is untinted again";
    EXPECT_EQ(seen.materials, (std::vector<Seen>{{kMaterialSwapped, material}}));
}

TEST_F(MaterialTest, TheSelfCheckReportsAndRepairsItsFields)
{
    CValidityCheckScope checks;
    CMaterial material;
    material.SetColor(CColor(1, 1, 1));
    EXPECT_EQ(material.CheckValidity(kValidityCheck, nullptr), 0);

    material.SetTransparency(2.0);
    EXPECT_EQ(material.CheckValidity(kValidityCheck, nullptr), 1);
    EXPECT_NE(std::wstring(GetValidityReport().GetString()).find(L"The transparency value for CMaterial"),
              std::wstring::npos);
    ClearValidityReport();
    EXPECT_EQ(material.CheckValidity(kValidityFix, nullptr), 0);
    EXPECT_EQ(material.GetTransparency(), 0.0);
    EXPECT_NE(std::wstring(GetValidityReport().GetString()).find(L" - fixed\n"), std::wstring::npos);

    struct Case {
        void (*damage)(CMaterial&);
        const wchar_t* message;
    };
    const Case cases[] = {
        {[](CMaterial& m) { m.SetName(L""); }, L"The name for"},
        {[](CMaterial& m) { m.SetType(5); }, L"The type for"},
        {[](CMaterial& m) { m.SetColorizeType(3); }, L"The colorize type for"},
    };
    for (const Case& c : cases) {
        CMaterial damaged;
        c.damage(damaged);
        ClearValidityReport();
        EXPECT_EQ(damaged.CheckValidity(kValidityCheck, nullptr), 2) << c.message;
        EXPECT_NE(std::wstring(GetValidityReport().GetString()).find(c.message), std::wstring::npos);
    }

    CMaterial* textured = TexturedMaterial(CColor(1, 2, 3));
    textured->GetTexture()->SetXScale(0.0);
    EXPECT_EQ(textured->CheckValidity(kValidityCheck, nullptr), 1) << "the texture's repairable problem";
}

TEST_F(MaterialTest, ErasingAMaterialErasesItsTexture)
{
    RecordUndo();
    CMaterial* material = TexturedMaterial(CColor(1, 2, 3));
    owned.back().release();
    CTexture* texture = material->GetTexture();
    Start();
    material->Erase();
    const auto& erased = manager->GetCurrentOperation()->GetErasedEntities();
    EXPECT_NE(std::find(erased.begin(), erased.end(), texture), erased.end());
    EXPECT_NE(std::find(erased.begin(), erased.end(), material), erased.end());
    Commit();
}
